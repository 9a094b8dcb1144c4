// The windows of the program, registered by name.
#include "ui/app.h"
#include "ui/frmStart.h"

namespace kiwora {

void registerSmallWindows(App& app);
void registerImportWindow(App& app);

void registerWindows(App& app) {
  app.forms.registerWindow("frmStart", [&app](Forms&) { return std::make_unique<frmStart>(app); });
  registerSmallWindows(app);
  registerImportWindow(app);
}

void startProgram(App& app) { app.forms.show("frmStart"); }

}  // namespace kiwora
