#include "ui/frmTest.h"

#include <cmath>
#include <string>

#include "files/text_writer.h"
#include "permutation/run_support.h"
#include "permutation/two_pop_report.h"
#include "permutation/two_pop_permutation.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

// The statistics tested are those ticked in the analysis window.
TwoPopStatistics statisticsOf(const AnalysisOptions& a) {
  TwoPopStatistics s;
  s.diversityV = a.FlagDiversityV == 1;
  s.distDG = a.FlagDistDG == 1;
  s.distMLG = a.FlagDistDG == 1 && a.FlagFreqMLG == 1;
  s.distDN = a.FlagDistDN == 1;
  s.dominant = a.FlagDominant == 1;
  return s;
}

}  // namespace

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
      {"Option1", "Alleles", "Frame1", &P::PermUnit, 1},
      {"Option2", "Single-locus-genotypes", "Frame1", &P::PermUnit, 2},
      {"Option3", "Multi-locus-genotypes", "Frame1", &P::PermUnit, 3},
      {"Option4", "Original sample size", "Frame5", &P::SampleSizeMode, 1},
      {"Option5", "Smallest sample size", "Frame5", &P::SampleSizeMode, 2},
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
  o.TestAllPops = 0;
  if (o.NPerm == 0) {
    o.NPerm = 1000;
    o.TestAllPops = 1;
  }
  get<TextBox>("Text1").setText(std::to_string(o.NPerm));
  get<CheckBox>("Check5").setValue(1);
  if (o.PermUnit < 1 || o.PermUnit > 3) o.PermUnit = 1;
  get<OptionButton>("Option" + std::to_string(o.PermUnit)).setValue(true);
  if (o.SampleSizeMode != 2) o.SampleSizeMode = 1;
  get<OptionButton>(o.SampleSizeMode == 1 ? "Option4" : "Option5").setValue(true);
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
  opt().TestAllPops = 0;
  get<CheckBox>("Check5").setValue(0);
}

void frmTest::run() {
  if (busy()) return;  // one run at a time, also while a run lets events through
  Model& m = model();
  const PermutationOptions o = opt();

  std::vector<std::pair<int, int>> pairs;
  if (o.TestAllPops == 1) {
    for (int i = 1; i < ds().NPop; ++i)
      for (int j = i + 1; j <= ds().NPop; ++j)
        if (populationUsable(ds(), sel(), i) && populationUsable(ds(), sel(), j)) pairs.emplace_back(i, j);
  } else if (o.TestPop1 != o.TestPop2 && populationUsable(ds(), sel(), o.TestPop1) &&
             populationUsable(ds(), sel(), o.TestPop2)) {
    pairs.emplace_back(o.TestPop1, o.TestPop2);  // in the order chosen: the v differences read pop 1 - pop 2
  }
  if (pairs.empty()) {
    message(kSelectPopulation);
    return;
  }
  if (!readyToRun()) return;
  if (refusedForMemory(app, {twoPopTableNeed(pairs, ds().NLoci, statisticsOf(m.options))})) return;

  bool written = false;
  {
    BusyGuard guard(m.flags, m.sel, BusyGuard::Selection::Restored);
    if (!guard.acquired()) return;
    running_ = true;
    TwoPopRun run;
    run.nPerm = o.NPerm;
    run.unit = static_cast<PermUnit>(o.PermUnit);
    run.smallestSize = o.SampleSizeMode == 2;
    run.stats = statisticsOf(m.options);
    run.seed = app.services.clockSeed();

    Label& percent = get<Label>("Label4");
    Label& pair = get<Label>("Label5");
    const auto results = Test_Two_Pops(m.ds, guard.selection(), pairs, run, [&](int p1, int p2, int done) {
      percent.caption = std::to_string(done) + " %";
      pair.caption = std::to_string(p1) + " / " + std::to_string(p2);
      app.services.progressStep();
    });

    const TwoPopReportInfo info{&m.ds, &guard.selection(), run.nPerm, run.unit, run.smallestSize, run.stats};
    written = appendSection([&](LineWriter& out) {
      if (o.TestAllPops == 1) printTwoPopSummary(out, info, results);
      else printPairReport(out, info, results.front());
    });
    if (o.TestAllPops == 1) {  // after all pairs the options hold the last pair tested
      opt().TestPop1 = pairs.back().first;
      opt().TestPop2 = pairs.back().second;
    }
  }
  running_ = false;
  flags().NoSortMLG = 0;
  if (written) backToMain();
}

}  // namespace kiwora
