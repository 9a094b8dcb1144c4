#pragma once
// The main window: the menu bar through which every task is reached.
#include "ui/app_window.h"

namespace kiwora {

class frmStart : public AppWindow {
 public:
  explicit frmStart(App& app);
  void Form_Load() override;

  MenuItem& item(const std::string& name) { return get<MenuItem>(name); }
  // Enables or disables a menu or menu item by name.
  void setMenu(const std::string& name, bool enabled);

 private:
  void OpenPopGen_Click();
  void OpenRefFile_Click();
  void OpenTestFile_Click();
  // Opens a task window in place of the main window.
  void openTask(const std::string& window, const std::string& caption);
};

}  // namespace kiwora
