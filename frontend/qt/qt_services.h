#pragma once
// The platform services on a Qt desktop: native file dialogs, message boxes, the event loop, the
// desktop's text editor, and the user's locale for the date and the decimal sign.
#include <functional>
#include <memory>
#include <string>

#include "platform/services.h"

class QObject;
class QWidget;

namespace kiwora {

class QtServices : public Services {
 public:
  QtServices();
  ~QtServices() override;

  // Dialogs and message boxes open over the window that parentWindow returns (may return null).
  std::function<QWidget*()> parentWindow;
  // Runs before a dialog or message box opens and during pending events, so that the windows show
  // the values the running handler has set.
  std::function<void()> beforeModal;
  // The program that opens a file with the desktop's handler for it; it exits with an error when no
  // editor could be started. Empty: the platform's own way, whose outcome is only whether it started.
  std::string editorLauncher;
  // Test hook: answers file dialogs instead of the user; "" cancels. `save` is true for files to write,
  // `proposed` the path the dialog opens at.
  std::function<std::string(const std::string& title, bool save, const std::string& proposed)> answerFileDialog;

  std::string openFileDialog(const std::string& title) override;
  std::string saveFileDialog(const std::string& title, const std::string& proposed) override;
  void messageBox(const std::string& text) override;
  void doEvents() override;
  void startEditor(const std::string& file) override;
  std::string today() override;
  char decimalSign() override;
  std::uint64_t clockSeed() override;

 private:
  std::string fileDialog(const std::string& title, bool save, const std::string& proposed);
  // Receives the launchers' answers while these services live.
  std::unique_ptr<QObject> launches_;
};

}  // namespace kiwora
