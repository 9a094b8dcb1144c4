// "Test within populations": the fixation index, the degree of heterozygosity and the variation of
// multilocus genotypes of one population, or of every selected one, against resampled copies of it.
// Which statistics are tested is chosen in the population-analysis window.
#include <vector>

#include "permutation/permutation_run.h"
#include "platform/services.h"
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
      o.TestAllPops = codeOf(PopulationChoice::All);
    }
    get<TextBox>("Text1").setText(std::to_string(o.NPerm));
    if (o.tested() == PopulationChoice::All) get<CheckBox>("Check3").setValue(1);
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
    opt().TestAllPops = codeOf(PopulationChoice::Chosen);
    get<CheckBox>("Check3").setValue(0);
  }

  void run() override {
    const std::vector<int> pops = WithinTestRun::testedPopulations(ds(), sel(), opt());
    if (pops.empty()) {
      message(kSelectPopulation);
      return;
    }
    if (!readyToRun()) return;
    // The populations are tested one after the other: the rows of one are held at a time.
    const WithinTestChoice choice = WithinTestRun::choiceOf(model().options);
    if (refusedForMemory(app, {withinTestTableNeed(opt().NPerm, ds().NLoci, sel().countSelectedLoci(), choice)})) return;
    BusyGuard guard(flags(), sel(), BusyGuard::SelectionAtEnd::Restored);
    if (!guard.acquired()) return;
    running_ = true;

    const RunContext context = runContextOf(app.services, [this](const std::string& text) { showProgress(text); });
    WithinTestRun test(ds(), guard.selection(), opt(), model().options, context);
    try {
      test.run();
    } catch (...) {
      keepPopulationReached(test);
      throw;
    }
    keepPopulationReached(test);
    if (const Refusal unwritten = test.appendReport(ds().OutFileName, began_)) message(unwritten.message());
    running_ = false;
    backToMain();
  }

  // After a run the chosen population is the last one the run came to, however it ended.
  void keepPopulationReached(const WithinTestRun& test) {
    if (test.populationReached() != 0) opt().TestPop1 = test.populationReached();
  }
};

}  // namespace

void registerWithinTestWindow(App& app) {
  app.forms.registerWindow("frmWTest", [&app](Forms&) { return std::make_unique<frmWTest>(app); });
}

}  // namespace kiwora
