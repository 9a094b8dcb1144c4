// The windows of the program, registered by name.
#include "ui/app.h"
#include "ui/frmAssGr.h"
#include "ui/frmDiplo.h"
#include "ui/frmSelPop.h"
#include "ui/frmSelloc.h"
#include "ui/frmStart.h"
#include "ui/frmTest.h"
#include "ui/frm_ModeL.h"

namespace kiwora {

void registerFormatWindow(App& app);
void registerAboutWindow(App& app);
void registerImportWindow(App& app);
void registerWithinTestWindow(App& app);
void registerAmongTestWindow(App& app);

void registerWindows(App& app) {
  app.forms.registerWindow("frmStart", [&app](Forms&) { return std::make_unique<frmStart>(app); });
  app.forms.registerWindow("frmDiplo", [&app](Forms&) { return std::make_unique<frmDiplo>(app); });
  app.forms.registerWindow("frm_ModeL", [&app](Forms&) { return std::make_unique<frm_ModeL>(app); });
  registerFormatWindow(app);
  registerAboutWindow(app);
  app.forms.registerWindow("frmSelloc", [&app](Forms&) { return std::make_unique<frmSelloc>(app); });
  app.forms.registerWindow("frmSelPop", [&app](Forms&) { return std::make_unique<frmSelPop>(app); });
  registerImportWindow(app);
  app.forms.registerWindow("frmAssGr", [&app](Forms&) { return std::make_unique<frmAssGr>(app); });
  app.forms.registerWindow("frmTest", [&app](Forms&) { return std::make_unique<frmTest>(app); });
  registerWithinTestWindow(app);
  registerAmongTestWindow(app);
}

void startProgram(App& app) { app.forms.show("frmStart"); }

}  // namespace kiwora
