// The window "Test between two populations" played as a user would: its options, the refused starts,
// the one-run guard, and the appended results pinned by golden files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../bench/generate.h"
#include "base/worker_pool.h"
#include "support/app_fixture.h"
#include "support/golden.h"

namespace kiwora {
namespace {

using testing::readFile;

class TwoPopWindow : public testing::AppFixture {
 protected:
  // Four populations of twelve individuals, four loci; an analysis with v, DG, multilocus genotypes and
  // DN; then the window is opened.
  void SetUp() override {
    gen::Params prm;
    prm.nPop = 4;
    prm.nInd = 12;
    prm.nLoci = 4;
    prm.nAlleles = 4;
    prm.missing = 0.05;
    prm.seed = 5;
    dir.write("data.txt", gen::inputFileText(gen::generate(prm).ds));
    run("file data.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check2\ntick Check7\ntick Check9\ntick Check10\n"
        "click Command1\nexpect-window frmStart");
  }
  void open() { run("menu BTS\nexpect-window frmTest"); }
  std::string out() { return readFile(dir.file("data-out.txt")); }
  // What the runs since `from` appended.
  std::string appended(std::size_t from) { return out().substr(from); }
};

TEST_F(TwoPopWindow, OpensWithItsDefaultsAndTheSelectedPopulations) {
  model().sel.PopSel[3] = 0;
  open();
  run("expect-text Text1 1000\nexpect-checked Option1 1\nexpect-checked Option4 1\nexpect-checked Check5 1\n"
      "expect-list List1 1 Pop_1 | 2 Pop_2 | 4 Pop_4\nexpect-list List2 1 Pop_1 | 2 Pop_2 | 4 Pop_4");
  EXPECT_EQ(model().flags.NoSortMLG, 1);
  EXPECT_EQ(model().perm.TestAllPops, 1);

  // The permutation count: a whole number of at least 1, else the box shows the stored count again.
  run("type Text1 250\nexpect-text Text1 250\ntype Text1 \nexpect-text Text1 250\ntype Text1 40abc\nexpect-text Text1 40");
  for (const char* refused : {"0", "-3", "2.5", "x"}) {
    run(std::string("type Text1 ") + refused + "\nexpect-text Text1 40");
  }
  EXPECT_EQ(model().perm.NPerm, 40);

  // A list click switches to one pair; ticking all pairs again keeps the pair.
  run("pick List1 2 Pop_2\nexpect-checked Check5 0\npick List2 4 Pop_4\ntick Check5");
  EXPECT_EQ(model().perm.TestAllPops, 1);
  EXPECT_EQ(model().perm.TestPop1, 2);
  EXPECT_EQ(model().perm.TestPop2, 4);
  run("choose Option3\nchoose Option5");
  EXPECT_EQ(model().perm.PermUnit, 3);
  EXPECT_EQ(model().perm.SampleSizeMode, 2);

  run("click Command1\nexpect-window frmStart");
  EXPECT_EQ(model().flags.NoSortMLG, 0) << "Go back clears the unsorted multilocus order";
  // The options are kept for the next opening; all pairs is ticked again.
  open();
  run("expect-text Text1 40\nexpect-checked Option3 1\nexpect-checked Option5 1\nexpect-checked Check5 1");
}

TEST_F(TwoPopWindow, StartWithoutAUsablePairIsRefused) {
  struct Case {
    const char* what;
    int pop1, pop2;
    int deselect;  // a population unselected after the window opened
  } cases[] = {
      {"nothing chosen", 0, 0, 0},
      {"the same population twice", 2, 2, 0},
      {"a population that no longer exists", 1, 7, 0},
      {"an unselected population", 1, 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    open();
    const std::size_t before = out().size();
    run("untick Check5");
    model().perm.TestPop1 = c.pop1;
    model().perm.TestPop2 = c.pop2;
    if (c.deselect) model().sel.PopSel[static_cast<std::size_t>(c.deselect)] = 0;
    run("click Command2\nexpect-message Please, select population!\nexpect-window frmTest\nclick Command1");
    EXPECT_EQ(out().size(), before);
    model().sel.PopSel[3] = 1;
  }
  // All pairs with a single selected population: no pair either.
  model().sel.PopSel = {0, 0, 1, 0, 0};
  open();
  run("click Command2\nexpect-message Please, select population!\nexpect-window frmTest\nclick Command1");
  // No locus to test.
  model().sel.PopSel = {0, 1, 1, 1, 1};
  model().sel.LocSel = {0, 0, 0, 0, 0};
  open();
  const std::size_t before = out().size();
  run("click Command2\nexpect-message No locus is selected!\nexpect-window frmTest");
  EXPECT_EQ(out().size(), before);
}

// The analysis window's boxes cleared after the analysis: a run that would report no statistic is refused
// and appends nothing; the diversity v alone is still a test of one pair (the summary of all pairs has no
// place for it).
TEST_F(TwoPopWindow, NothingTickedToTestAppendsNothingAndSaysSo) {
  const struct {
    const char* what;
    const char* untick;  // boxes of the analysis window cleared
    bool onePair;
    const char* says;  // empty: the run goes ahead
  } cases[] = {
      {"all pairs, no distance", "untick Check9\nuntick Check10", false,
       "Nothing was tested: the summary of all pairs tests the genetic distances DG and DN, and neither is ticked"},
      {"one pair, nothing", "untick Check2\nuntick Check9\nuntick Check10", true,
       "Nothing was tested: none of Diversity V, Genetic distance DG and Genetic distance DN is ticked"},
      {"one pair, the diversity v alone", "untick Check9\nuntick Check10", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    run(std::string("menu Diploid\n") + c.untick + "\nclick Command2\nexpect-window frmStart");
    open();
    run("type Text1 20");
    if (c.onePair) run("pick List1 1 Pop_1\npick List2 2 Pop_2");
    const std::size_t before = out().size();
    if (*c.says) {
      run(std::string("click Command2\nexpect-message ") + c.says + "\nexpect-window frmTest\nclick Command1");
      EXPECT_EQ(out().size(), before);
    } else {
      run("click Command2\nexpect-window frmStart");
      const std::string added = appended(before);
      EXPECT_NE(added.find("Diversity V (Alleles)"), std::string::npos) << added;
      EXPECT_EQ(added.find("Genetic Distance"), std::string::npos) << added;
    }
    EXPECT_EQ(model().flags.Busy, 0);
    run("menu Diploid\ntick Check2\ntick Check9\ntick Check10\nclick Command2\nexpect-window frmStart");
  }
}

TEST_F(TwoPopWindow, AnUnwritableResultFileStopsTheRunBeforeItStarts) {
  open();
  model().ds.OutFileName = dir.file("no/such/folder/out.txt");
  run("click Command2\nexpect-message The result file\nexpect-window frmTest");
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_EQ(model().flags.NoSortMLG, 1);
}

TEST_F(TwoPopWindow, AllPairsBeyondTheMemoryLimitAreRefusedAndTheDataStay) {
  // 1000 populations at 400 loci: every one of the 499500 pairs keeps its per-locus counts. The data are
  // too large for an analysis, so the window is opened directly.
  gen::Params prm;
  prm.nPop = 1000;
  prm.nInd = 1;
  prm.nLoci = 400;
  prm.nAlleles = 2;
  prm.missing = 0;  // a locus missing in any population would be dropped
  prm.seed = 3;
  dir.write("many.txt", gen::inputFileText(gen::generate(prm).ds));
  run("file many.txt\nmenu OpenPopGen");
  app.forms.show("frmTest");
  const std::string before = readFile(dir.file("many-out.txt"));
  run("click Command2\nexpect-message This run would need about\nexpect-window frmTest");
  EXPECT_NE(services.messages().back().find("the results of 499500 population pairs at 400 loci"), std::string::npos);
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_EQ(model().ds.NPop, 1000);
  EXPECT_EQ(readFile(dir.file("many-out.txt")), before);
  // One pair of them runs.
  run("pick List1 1 Pop_1\npick List2 2 Pop_2\ntype Text1 20\nclick Command2\nexpect-window frmStart");
}

TEST_F(TwoPopWindow, NothingReactsWhileARunIsUnderWay) {
  open();
  run("pick List1 1 Pop_1\npick List2 2 Pop_2\ntype Text1 30");
  const std::size_t before = out().size();
  model().flags.Busy = 1;
  run("pick List1 3 Pop_3\ntick Check5\nchoose Option2\nchoose Option5\ntype Text1 99\nclick Command2\nclick Command1\n"
      "expect-window frmTest");
  const PermutationOptions& o = model().perm;
  EXPECT_EQ(o.TestPop1, 1);
  EXPECT_EQ(o.TestAllPops, 0);
  EXPECT_EQ(o.PermUnit, 1);
  EXPECT_EQ(o.SampleSizeMode, 1);
  EXPECT_EQ(o.NPerm, 30);
  EXPECT_EQ(out().size(), before);
  model().flags.Busy = 0;
  run("click Command2\nexpect-window frmStart");
  EXPECT_EQ(model().flags.NoSortMLG, 0);
  EXPECT_EQ(model().flags.Busy, 0);
  EXPECT_NE(out().size(), before);
}

TEST_F(TwoPopWindow, AllPairsOfTheSelectedPopulationsInOrder) {
  model().sel.PopSel[4] = 0;
  open();
  const std::size_t before = out().size();
  run("type Text1 20\nclick Command2\nexpect-window frmStart");
  const std::string text = appended(before);
  for (const char* table : {"genepool distances and their probabilities", "genepool distances of Nei and their probabilities"}) {
    const std::size_t at = text.find(table);
    ASSERT_NE(at, std::string::npos) << table;
    const std::size_t head = text.find("pop_1;pop_2;genepool_distance;prob\r\n", at);
    ASSERT_NE(head, std::string::npos);
    // The pair names of the lines below the heading, up to the next empty line.
    std::string rows;
    for (std::size_t p = text.find("\r\n", head) + 2, e; p < text.size() && (e = text.find("\r\n", p)) != p; p = e + 2) {
      const std::string line = text.substr(p, e - p);
      rows += line.substr(0, line.find(';', line.find(';') + 1) + 1) + "|";
    }
    EXPECT_EQ(rows, "Pop_1;Pop_2;|Pop_1;Pop_3;|Pop_2;Pop_3;|") << table;
  }
  EXPECT_EQ(model().sel.PopSel, (Vec1<int>{0, 1, 1, 1, 0})) << "the selection is as before";
  EXPECT_EQ(model().perm.TestPop1, 2);
  EXPECT_EQ(model().perm.TestPop2, 3);
  EXPECT_EQ(text.find("Diversity V"), std::string::npos) << "v has no part in the summary";
}

// One pair (single-locus genotypes, original sizes) and then all pairs (multilocus genotypes, smallest
// size), seeded; the same with one and with eight threads.
TEST_F(TwoPopWindow, GoldenReports) {
  std::string first;
  for (int threads : {1, 8}) {
    setWorkerThreads(threads);
    const std::size_t before = out().size();
    open();
    run("seed 31\ntype Text1 400\nchoose Option2\npick List1 3 Pop_3\npick List2 1 Pop_1\nclick Command2\nexpect-window frmStart");
    const std::size_t between = out().size();
    open();
    run("seed 31\nchoose Option3\nchoose Option5\nclick Command2\nexpect-window frmStart");
    const std::string pair = out().substr(before, between - before), all = appended(between);
    if (threads == 1) {
      testing::expectGolden(pair, "two-pops-pair.txt");
      testing::expectGolden(all, "two-pops-summary.txt");
      testing::expectNoBrokenNumbers(pair + all);
      first = pair + all;
    } else {
      EXPECT_EQ(pair + all, first) << "eight threads gave other results";
    }
    run("menu BTS\nchoose Option2\nchoose Option4\nclick Command1");  // back to the first options
  }
  setWorkerThreads(0);
}

}  // namespace
}  // namespace kiwora
