#include "ui/frmTest.h"

#include <string>

#include "permutation/permutation_run.h"
#include "platform/services.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"

namespace kiwora {
frmTest::frmTest(App& a) : PermutationTestWindow(a, "frmTest", "Test between two populations") {
  using P = PermutationOptions;
  addFrame("Frame1", "Unit of resampling");
  addFrame("Frame5", "Size of samples");
  const struct {
    const char* name;
    const char* caption;
    const char* frame;
    int P::*field;
    int value;
  } options[] = {
      {"Option1", "Alleles", "Frame1", &P::PermUnit, codeOf(ResamplingUnit::Alleles)},
      {"Option2", "Single-locus-genotypes", "Frame1", &P::PermUnit, codeOf(ResamplingUnit::SingleLocus)},
      {"Option3", "Multi-locus-genotypes", "Frame1", &P::PermUnit, codeOf(ResamplingUnit::Multilocus)},
      {"Option4", "Original sample size", "Frame5", &P::SampleSizeMode, codeOf(ResampledSizes::Original)},
      {"Option5", "Smallest sample size", "Frame5", &P::SampleSizeMode, codeOf(ResampledSizes::Smallest)},
  };
  for (const auto& o : options) {
    auto& b = addOption(o.name, o.caption, o.frame);
    b.onClick = [this, &b, field = o.field, value = o.value] {
      if (b.value() && !busy()) opt().*field = value;
    };
  }

  addFrame("Frame3", "Tested populations");
  addLabel("Label2", "1. Population", "Frame3");
  addList("List1", "Frame3").onClick = [this] { choosePopulation("List1", &P::TestPop1); };
  addLabel("Label3", "2. Population", "Frame3");
  addList("List2", "Frame3").onClick = [this] { choosePopulation("List2", &P::TestPop2); };
  auto& all = addCheck("Check5", "Test all Combinations", "Frame3");
  all.onClick = [this, &all] {
    if (!busy()) opt().TestAllPops = all.value();
  };

  addCountBox("Number of permutations");

  addFrame("Frame4", "Progress");
  addLabel("Label4", "", "Frame4");
  addFrame("Frame2", "Tested combination");
  addLabel("Label5", "", "Frame2");

  addRunButton("Command2", "Start");
  addButton("Command1", "Go back").onClick = [this] {
    if (busy()) return;
    flags().NoSortMLG = 0;
    backToMain();
  };
}

void frmTest::Form_Load() {
  if (ds().NPop == 0) return;
  PermutationOptions& o = opt();
  o.TestAllPops = codeOf(PopulationChoice::Chosen);
  if (o.NPerm == 0) {
    o.NPerm = 1000;
    o.TestAllPops = codeOf(PopulationChoice::All);
  }
  get<TextBox>("Text1").setText(std::to_string(o.NPerm));
  get<CheckBox>("Check5").setValue(1);
  if (o.PermUnit < codeOf(ResamplingUnit::Alleles) || o.PermUnit > codeOf(ResamplingUnit::Multilocus))
    o.PermUnit = codeOf(ResamplingUnit::Alleles);
  get<OptionButton>("Option" + std::to_string(o.PermUnit)).setValue(true);  // Option1..3 are the unit's codes
  if (o.sampleSizes() != ResampledSizes::Smallest) o.SampleSizeMode = codeOf(ResampledSizes::Original);
  get<OptionButton>(o.sampleSizes() == ResampledSizes::Original ? "Option4" : "Option5").setValue(true);
  for (const char* list : {"List1", "List2"}) {
    auto& box = get<ListBox>(list);
    box.clear();
    for (int p = 1; p <= ds().NPop; ++p)
      if (sel().PopSel[static_cast<std::size_t>(p)] == 1) box.addItem(std::to_string(p) + " " + ds().PopName[static_cast<std::size_t>(p)]);
  }
}

void frmTest::choosePopulation(const std::string& list, int PermutationOptions::*which) {
  if (busy()) return;
  const double p = leadingNumber(get<ListBox>(list).text());
  opt().*which = static_cast<int>(p);  // the lists hold selected populations only
  opt().TestAllPops = codeOf(PopulationChoice::Chosen);
  get<CheckBox>("Check5").setValue(0);
}

void frmTest::showStopped() {
  get<Label>("Label4").caption = kRunStoppedProgress;
  get<Label>("Label5").caption.clear();  // no pair is under test any more
}

void frmTest::run() {
  if (busy()) return;  // one run at a time, also while a run lets events through
  Model& m = model();
  const std::vector<std::pair<int, int>> pairs = TwoPopulationTestRun::testedPairs(ds(), sel(), opt());
  if (pairs.empty()) {
    message(kSelectPopulation);
    return;
  }
  // The analysis window's boxes may have been cleared since the last analysis: a run would append a
  // section of settings alone.
  if (TwoPopulationTestRun::testsNothing(opt(), TwoPopulationTestRun::statisticsOf(m.options))) {
    message(opt().tested() == PopulationChoice::All ? kNothingToTestForAllPairs : kNothingToTestForOnePair);
    return;
  }
  if (!readyToRun()) return;
  if (refusedForMemory(app, {twoPopTableNeed(pairs, ds().NLoci, TwoPopulationTestRun::statisticsOf(m.options))})) return;

  bool written = false;
  {
    BusyGuard guard(m.flags, m.sel, BusyGuard::SelectionAtEnd::Restored);
    if (!guard.acquired()) return;
    running_ = true;
    Label& percent = get<Label>("Label4");
    Label& pair = get<Label>("Label5");
    // One label shows the share done, the other the pair the run is at: the context is filled in once the
    // run exists, since its progress reads the run's pair.
    RunContext context;
    TwoPopulationTestRun test(m.ds, guard.selection(), opt(), m.options, context);
    context = runContextOf(app.services, [&](const std::string& text) {
      progressShown_ = true;
      percent.caption = text;
      pair.caption = std::to_string(test.pairUnderTest().first) + " / " + std::to_string(test.pairUnderTest().second);
    });
    test.run();
    const Refusal unwritten = test.appendReport(m.ds.OutFileName, began_);
    written = !unwritten;
    if (unwritten) message(unwritten.message());
    if (test.opt.tested() == PopulationChoice::All && !test.pairs.empty()) {  // after all pairs the options hold the last pair tested
      opt().TestPop1 = test.pairs.back().first;
      opt().TestPop2 = test.pairs.back().second;
    }
  }
  running_ = false;
  flags().NoSortMLG = 0;
  if (written) backToMain();
}

}  // namespace kiwora
