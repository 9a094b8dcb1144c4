// Each run that is checked against the memory limit before it starts, measured: its estimate must cover
// what the run really allocates beyond the data already loaded, or a run the check lets through can
// still exhaust the memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../bench/generate.h"
#include "analysis/population_analysis.h"
#include "assign/assignment_run.h"
#include "permutation/among_permutation.h"
#include "permutation/two_pop_permutation.h"
#include "permutation/within_permutation.h"
#include "support/app_fixture.h"
#include "support/heap_peak.h"

namespace kiwora {
namespace {

double totalOf(const std::vector<TableNeed>& needs) {
  double sum = 0;
  for (const TableNeed& n : needs) sum += n.bytes;
  return sum;
}

class RunMemoryEstimate : public testing::AppFixture {
 protected:
  // Loads a data set of nPop populations of nInd individuals at nLoci loci and runs an analysis with the
  // given boxes ticked, measured.
  void load(int nPop, int nInd, int nLoci) {
    gen::Params prm;
    prm.nPop = nPop;
    prm.nInd = nInd;
    prm.nLoci = nLoci;
    prm.nAlleles = 6;
    prm.missing = 0.05;
    prm.seed = 11;
    dir.write("data.txt", gen::inputFileText(gen::generate(prm).ds));
    run("file data.txt\nmenu OpenPopGen");
  }

  // What `lines` allocate beyond what was held before them, at their peak.
  long long grows(const std::string& lines) {
    const testing::HeapPeak peak;
    run(lines);
    return static_cast<long long>(peak.peak());
  }

  // The estimate must cover the run, give or take what no table holds (the report's text, the
  // permutation samples, the pool's threads: a few MB at most), and should not overstate it either.
  void expectCovered(const char* run, double estimate, long long grew) {
    constexpr double kMB = 1024.0 * 1024;
    std::printf("%-40s estimate %8.2f MB, allocated %8.2f MB\n", run, estimate / kMB, static_cast<double>(grew) / kMB);
    EXPECT_LE(static_cast<double>(grew), 1.5 * estimate + 8 * kMB) << run << ": the run takes more than its estimate";
    EXPECT_LE(estimate, 3.0 * static_cast<double>(grew) + 8 * kMB) << run << ": the estimate is far above the run";
  }
};

TEST_F(RunMemoryEstimate, AnalysisWithPairTables) {
  load(300, 4, 40);
  const long long grew = grows("menu Diploid\ntick Check9\ntick Check10\ntick Check11\ntick Check13\nclick Command1\nexpect-window frmStart");
  expectCovered("analysis, DG, DN, Dj, Fst, 300 populations", totalOf(analysisTableNeeds(model(), model().options)), grew);
}

// Two of many populations selected: the SUMMARY must not hold every population at every locus.
TEST_F(RunMemoryEstimate, TestBetweenTwoOfManyPopulations) {
  load(300, 4, 40);
  run("menu Diploid\ntick Check9\ntick Check10\nclick Command1\nexpect-window frmStart");
  for (int p = 3; p <= 300; ++p) model().sel.PopSel[static_cast<std::size_t>(p)] = 0;
  const long long grew = grows("menu BTS\nexpect-window frmTest\ntype Text1 20\nclick Command2\nexpect-window frmStart");
  TwoPopStatistics which;
  which.distDG = which.distDN = true;
  expectCovered("test between two populations, 2 of 300", twoPopTableNeed({{1, 2}}, model().ds.NLoci, which).bytes, grew);
}

TEST_F(RunMemoryEstimate, TestBetweenAllPairs) {
  load(60, 4, 40);
  run("menu Diploid\ntick Check2\ntick Check9\ntick Check10\nclick Command1\nexpect-window frmStart");
  std::vector<std::pair<int, int>> pairs;
  for (int i = 1; i < 60; ++i)
    for (int j = i + 1; j <= 60; ++j) pairs.emplace_back(i, j);
  const long long grew = grows("menu BTS\nexpect-window frmTest\ntype Text1 20\nclick Command2\nexpect-window frmStart");
  TwoPopStatistics which;
  which.diversityV = which.distDG = which.distDN = true;
  expectCovered("test between two populations, all 1770 pairs", twoPopTableNeed(pairs, model().ds.NLoci, which).bytes, grew);
}

TEST_F(RunMemoryEstimate, TestWithinAndAmongPopulations) {
  load(20, 30, 40);
  run("menu Diploid\ntick Check8\ntick Check3\ntick Check4\ntick Check11\ntick Check13\nclick Command1\nexpect-window frmStart");
  constexpr int nPerm = 20000;
  const std::string perm = "type Text1 " + std::to_string(nPerm) + "\n";
  long long grew = grows("menu WS\nexpect-window frmWTest\n" + perm + "pick List1 1  - Pop_1\nclick Command1\nexpect-window frmStart");
  WithinTestChoice choice;
  choice.fis = choice.degree = choice.mlg = true;
  expectCovered("test within a population", withinTestTableNeed(nPerm, model().ds.NLoci, model().sel.countSelectedLoci(), choice).bytes, grew);

  grew = grows("menu BAS\nexpect-window frmTest_all\n" + perm + "click Command1\nexpect-window frmStart");
  expectCovered("test among all populations", amongTestTableNeed(nPerm, model().sel.countSelectedLoci()).bytes, grew);
}

// Under the delta criterion the exclusion keeps one delta per simulated group.
TEST_F(RunMemoryEstimate, AssignmentWithDeltaExclusion) {
  gen::Params prm;
  prm.nPop = 3;
  prm.nInd = 20;
  prm.nLoci = 5;
  prm.nAlleles = 6;
  prm.seed = 12;
  dir.write("ref.txt", gen::inputFileText(gen::generate(prm).ds));
  prm.nPop = 1;
  prm.nInd = 1;
  prm.seed = 13;
  dir.write("test.txt", gen::inputFileText(gen::generate(prm).ds));
  run("file ref.txt\nmenu OpenRefFile\nfile test.txt\nmenu OpenTestFile");
  services.takeMessage();
  services.takeMessage();
  const long long grew = grows("menu AssisgnmentGr\nexpect-window frmAssGr\nchoose Option1\nchoose Option9\n"
                               "type Text2 1000000\nclick Command2\nexpect-window frmStart");
  expectCovered("assignment, delta, 1000000 simulated groups", totalOf(assignmentTableNeeds(model(), model().assignOptions)), grew);
}

}  // namespace
}  // namespace kiwora
