#pragma once
// The main window: the menu bar through which every task is reached.
#include "files/input_file.h"
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
  // The reads behind the three items, each run under runGuarded: new data are built beside the loaded
  // ones and swapped in only at the end.
  void loadInputFile(const std::string& path);
  void loadReferenceFile(const std::string& path);
  void loadTestGroupFile(const std::string& path);
  // Reads a data file in the population layout into `ds` and `sel`; false, after telling the user why,
  // when it cannot be read or parsed.
  bool readPopulationFile(const std::string& path, DataSet& ds, Selection& sel);
  // The result file the editor opens; empty when the user has none.
  std::string editorFile() const;
  // Opens a task window in place of the main window.
  void openTask(const std::string& window);
};

}  // namespace kiwora
