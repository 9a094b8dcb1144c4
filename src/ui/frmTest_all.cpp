// "Test among all populations": Dj, Fst and standardised Fst of the selected populations against random
// reallocations of their individuals. Works on a private copy of the genotypes; the analysis tables, the
// working genotypes and every export stay as they were.
#include "permutation/among_report.h"
#include "permutation/among_test.h"
#include "permutation/population_copy.h"
#include "permutation/run_support.h"
#include "ui/app_window.h"
#include "ui/test_window_support.h"

namespace kiwora {
namespace {

class frmTest_all : public AppWindow {
 public:
  explicit frmTest_all(App& a) : AppWindow(a, "frmTest_all", "Test among all populations") {
    addLabel("Label1", "Number of permutations");
    auto& t1 = addText("Text1");
    t1.onChange = [this, &t1] {
      if (flags().Busy != 1) permutationCountChanged(app, t1);
    };
    addLabel("Label2", "Progress");
    addText("Text2");
    addButton("Command1", "Start").onClick = [this] { Start(); };
    addButton("Command2", "Go back").onClick = [this] {
      if (!running_) backToMain();
    };
  }

  void Form_Load() override {
    PermutationOptions& o = model().perm;
    if (o.NPerm <= 0) o.NPerm = 1000;
    get<TextBox>("Text1").setText(std::to_string(o.NPerm));
  }

 private:
  void Start() {
    if (running_) return;
    if (selectedPopulations(sel().PopSel, ds().NPop).size() < 2) {
      message("Select at least two populations for the test among all populations!");
      return;
    }
    if (sel().countSelectedLoci() == 0) {
      message("No locus is selected! Select loci first!");
      return;
    }
    if (!resultFileWritable(app)) return;
    RunGuard guard(flags(), sel());
    if (!guard.acquired()) return;
    running_ = true;

    const int nPerm = model().perm.NPerm;
    const GenotypeData genotypes = copyOfPopulations(ds().Allele, selectedPopulations(guard.selection().PopSel, ds().NPop));
    const Vec1<int> locSel = guard.selection().LocSel;
    TextBox& progress = get<TextBox>("Text2");
    const AmongTestResult r = Test_Among_Populations(genotypes, ds().MaxAllele, locSel, nPerm,
                                                     model().options.FlagDominant == 1, app.services.clockSeed(),
                                                     [&](int perm) {
                                                       progress.setText(progressPercent(perm, nPerm) + " %");
                                                       app.services.doEvents();
                                                     });
    appendSection(app, [&](LineWriter& out) { printAmongTestReport(out, r, ds().LocName); });
    running_ = false;
    backToMain();
  }

  bool running_ = false;
};

}  // namespace

void registerAmongTestWindow(App& app) {
  app.forms.registerWindow("frmTest_all", [&app](Forms&) { return std::make_unique<frmTest_all>(app); });
}

}  // namespace kiwora
