#include "ui/app_window.h"

#include "files/input_file.h"

namespace kiwora {

bool AppWindow::readTextFile(const std::string& path, std::string& text, const std::string& failure) {
  const Refusal unreadable = readWholeFile(path, text, failure);
  if (unreadable) message(unreadable.message());
  return !unreadable;
}

void AppWindow::backToMain() {
  app.forms.show("frmStart");
  app.forms.unload(name());
}

}  // namespace kiwora
