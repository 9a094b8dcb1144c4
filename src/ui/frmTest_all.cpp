// "Test among all populations": Dj, Fst and standardised Fst of the selected populations against random
// reallocations of their individuals. Works on a private copy of the genotypes; the analysis tables, the
// working genotypes and every export stay as they were.
#include "permutation/permutation_run.h"
#include "platform/services.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"
#include "ui/test_window_support.h"

namespace kiwora {
namespace {

class frmTest_all : public PermutationTestWindow {
 public:
  explicit frmTest_all(App& a) : PermutationTestWindow(a, "frmTest_all", "Test among all populations") {
    addCountBox("Number of permutations");
    addProgressBox();
    addRunButtons("Start");
  }

  void Form_Load() override {
    if (opt().NPerm <= 0) opt().NPerm = 1000;
    get<TextBox>("Text1").setText(std::to_string(opt().NPerm));
  }

 private:
  void run() override {
    if (sel().countSelectedPops() < 2) {
      message("Select at least two populations for the test among all populations!");
      return;
    }
    if (!readyToRun()) return;
    if (refusedForMemory(app, {amongTestTableNeed(opt().NPerm, sel().countSelectedLoci())})) return;
    BusyGuard guard(flags(), sel(), BusyGuard::SelectionAtEnd::Restored);
    if (!guard.acquired()) return;
    running_ = true;
    const RunContext context = runContextOf(app.services, [this](const std::string& text) { showProgress(text); });
    AmongTestRun test(ds(), guard.selection(), opt(), model().options, context);
    test.run();
    if (const Refusal unwritten = test.appendReport(ds().OutFileName, began_)) message(unwritten.message());
    running_ = false;
    backToMain();
  }
};

}  // namespace

void registerAmongTestWindow(App& app) {
  app.forms.registerWindow("frmTest_all", [&app](Forms&) { return std::make_unique<frmTest_all>(app); });
}

}  // namespace kiwora
