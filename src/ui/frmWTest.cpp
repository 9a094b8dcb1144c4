// "Test within populations": the fixation index, the degree of heterozygosity and the variation of
// multilocus genotypes of one population, or of every selected one, against resampled copies of it.
// Which statistics are tested is chosen in the population-analysis window.
#include <vector>

#include "stats/population_copy.h"
#include "permutation/run_support.h"
#include "permutation/within_report.h"
#include "permutation/within_permutation.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"
#include "ui/test_window_support.h"

namespace kiwora {
namespace {

class frmWTest : public PermutationTestWindow {
 public:
  explicit frmWTest(App& a) : PermutationTestWindow(a, "frmWTest", "Test within populations") {
    addFrame("Frame1", "Tested parameter");
    addCheck("Check1", "Fixationindex", "Frame1");
    addCheck("Check2", "Degree of heterozygosity", "Frame1");
    addCheck("Check4", "Variation multilocus genotypes", "Frame1");
    addFrame("Frame2", "Tested population");
    addList("List1", "Frame2").onClick = [this] { List1_Click(); };
    auto& c3 = addCheck("Check3", "Test all populations", "Frame2");
    c3.onClick = [this, &c3] {
      if (running_) return;
      opt().TestAllPops = c3.value();
    };
    addCheck("Check5", "Use only fully defined multilocus genotypes");
    addCheck("Check6", "Test with ordered genotypes");
    addCountBox("No. permutations");
    addProgressBox();
    addRunButtons("Calculate");
  }

  void Form_Load() override {
    PermutationOptions& o = opt();
    if (o.NPerm <= 0) {
      o.NPerm = 1000;
      o.TestAllPops = 1;
    }
    get<TextBox>("Text1").setText(std::to_string(o.NPerm));
    if (o.TestAllPops == 1) get<CheckBox>("Check3").setValue(1);
    ListBox& list = get<ListBox>("List1");
    for (int p = 1; p <= ds().NPop; ++p)
      if (sel().PopSel[static_cast<std::size_t>(p)] == 1)
        list.addItem(std::to_string(p) + "  - " + ds().PopName[static_cast<std::size_t>(p)]);
    // The tested statistics are chosen in the analysis window; the boxes here only show them. The two
    // resampling options are not offered.
    const AnalysisOptions& a = model().options;
    const std::pair<const char*, int> shown[] = {
        {"Check1", a.FlagHeterozygosity}, {"Check2", a.FlagDegreeHet}, {"Check4", a.FlagVariationMLG}, {"Check5", 0}, {"Check6", 0}};
    for (const auto& [box, flag] : shown) {
      CheckBox& c = get<CheckBox>(box);
      c.setValueSilently(flag == 1);
      c.enabled = false;
    }
  }

 private:
  void List1_Click() {
    if (running_) return;
    ListBox& list = get<ListBox>("List1");
    const int p = static_cast<int>(leadingNumber(list.text()));
    if (p < 1 || p > ds().NPop) return;
    opt().TestPop1 = p;
    sel().PopSel[static_cast<std::size_t>(p)] = 1;  // chosen for the analyses as well, for good
    opt().TestAllPops = 0;
    get<CheckBox>("Check3").setValue(0);
  }

  // The populations to test, or none (with the message given).
  std::vector<int> chosenPopulations() {
    std::vector<int> pops;
    const PermutationOptions& o = opt();
    if (o.TestAllPops == 1) {
      pops = selectedPopulations(sel().PopSel, ds().NPop);
    } else if (o.TestPop1 >= 1 && o.TestPop1 <= ds().NPop) {
      pops.push_back(o.TestPop1);
    }
    if (pops.empty()) message(kSelectPopulation);
    return pops;
  }

  void run() override {
    const std::vector<int> pops = chosenPopulations();
    if (pops.empty() || !readyToRun()) return;
    const AnalysisOptions& a = model().options;
    WithinTestChoice choice;
    choice.fis = a.FlagHeterozygosity == 1;
    choice.degree = a.FlagDegreeHet == 1;
    choice.mlg = a.FlagVariationMLG == 1;
    choice.dominant = a.FlagDominant == 1;
    const int nPerm = opt().NPerm;
    // The populations are tested one after the other: the rows of one are held at a time.
    if (refusedForMemory(app, {withinTestTableNeed(nPerm, ds().NLoci, sel().countSelectedLoci(), choice)})) return;
    BusyGuard guard(flags(), sel(), BusyGuard::Selection::Restored);
    if (!guard.acquired()) return;
    running_ = true;

    // The run works on copies: whatever a window does meanwhile, the tested data stay as they were.
    const GenotypeData genotypes = ds().Allele;
    const Vec1<int> locSel = guard.selection().LocSel;
    const std::uint64_t seed = app.services.clockSeed();

    for (int p : pops) {
      opt().TestPop1 = p;
      const WithinTestResult r =
          Test_Within_Population(genotypes, ds().MaxAllele, p, locSel, nPerm, choice, seed, [&](int perm) {
            showProgress("Pop " + std::to_string(p) + " " + progressPercent(perm, nPerm) + "%");
          });
      if (!appendSection([&](LineWriter& out) { printWithinTestReport(out, r, choice, ds(), locSel); })) break;
    }
    running_ = false;
    backToMain();
  }
};

}  // namespace

void registerWithinTestWindow(App& app) {
  app.forms.registerWindow("frmWTest", [&app](Forms&) { return std::make_unique<frmWTest>(app); });
}

}  // namespace kiwora
