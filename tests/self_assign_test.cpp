// Self-assignment tests of the reference individuals: leave-one-out, private alleles, groups, threads, progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../bench/generate.h"

#include "assign/self_assign.h"
#include "base/worker_pool.h"
#include "support/self_assign_plain.h"

namespace kiwora {
namespace {

// Populations of individuals given as "a1/a2 a1/a2 ..." (one pair per locus).
struct Fixture {
  DataSet ds;
  Selection sel;
};

Fixture populations(const std::vector<std::pair<std::string, std::vector<std::string>>>& pops, int nLoci) {
  Fixture f;
  DataSet& ds = f.ds;
  ds.NPop = static_cast<int>(pops.size());
  ds.NLoci = nLoci;
  ds.PopName = makeVec1<std::string>(ds.NPop);
  ds.LocName = makeVec1<std::string>(nLoci);
  ds.NInd = makeVec1<int>(ds.NPop);
  for (int p = 1; p <= ds.NPop; ++p) {
    ds.PopName[static_cast<std::size_t>(p)] = pops[static_cast<std::size_t>(p - 1)].first;
    ds.NInd[static_cast<std::size_t>(p)] = static_cast<int>(pops[static_cast<std::size_t>(p - 1)].second.size());
  }
  ds.Allele.resize(ds.NPop, nLoci, ds.NInd);
  for (int p = 1; p <= ds.NPop; ++p)
    for (int i = 1; i <= ds.NInd[static_cast<std::size_t>(p)]; ++i) {
      std::istringstream in(pops[static_cast<std::size_t>(p - 1)].second[static_cast<std::size_t>(i - 1)]);
      for (int l = 1; l <= nLoci; ++l) {
        char slash = 0;
        in >> ds.Allele.a1(p, l, i) >> slash >> ds.Allele.a2(p, l, i);
        ds.MaxAllele = std::max({ds.MaxAllele, ds.Allele.a1(p, l, i), ds.Allele.a2(p, l, i)});
      }
    }
  f.sel.PopSel = makeVec1<int>(ds.NPop, 1);
  f.sel.LocSel = makeVec1<int>(nLoci, 1);
  f.sel.LocMode = makeVec1<int>(nLoci, 1);
  return f;
}

std::vector<std::string> times(int n, const std::string& genotype) { return std::vector<std::string>(n, genotype); }
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

AssignmentOptions method(int assMethod, int onGenotypes = 0) {
  AssignmentOptions o;
  o.AssMethod = assMethod;
  o.GDOnAlleles = assMethod == 3 && onGenotypes == 0;
  o.GDOnGenotypes = assMethod == 3 && onGenotypes == 1;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  o.SelfGroupSize = 1;
  o.SelfNTests = 1;
  o.MinBipLoci = 1;
  return o;
}

const AssignmentOptions kMethods[] = {method(1), method(2), method(3, 0), method(3, 1)};

TEST(SelfAssign, AnIndividualNeverScoresAgainstItsOwnGenotype) {
  // Allele 3 is carried by one individual in each population: counted with itself, A (frequency 0.2)
  // beats B (0.1) for A's carrier; left out, A has no copy of 3 left and B takes it. B's carrier goes to A.
  const Fixture f = populations({{"A", times(4, "1/1") + times(1, "3/3")}, {"B", times(9, "2/2") + times(1, "3/3")}}, 1);
  for (const AssignmentOptions& o : kMethods) {
    const std::string m = selfMethodText(o);
    GenotypeData work = f.ds.Allele;
    EXPECT_EQ(Self_Assign_Run(work, f.ds, f.sel, o, 1, {5}), 2) << m;
    EXPECT_EQ(Self_Assign_Run(work, f.ds, f.sel, o, 2, {10}), 1) << m;
    EXPECT_EQ(Self_Assign_Run(work, f.ds, f.sel, o, 1, {2}), 1) << m;
    EXPECT_TRUE(work == f.ds.Allele) << m;  // every individual is back

    const SelfAssignCounts c = selfAssignTests(f.ds, f.sel, o, 1);
    EXPECT_EQ(c.tests, (Vec1<long long>{0, 5, 10})) << m;
    EXPECT_EQ(c.correct, (Vec1<long long>{0, 4, 9})) << m;
    EXPECT_EQ(c.assigned(1, 2), 1) << m;
    EXPECT_EQ(c.assigned(2, 1), 1) << m;
  }
}

TEST(SelfAssign, BayesianPriorTakesTheRemainingGeneCount) {
  // A without its first member keeps n = 4 copies, 2 of allele 1: P = 2.5 x 3.5 / (5 x 6) = 0.2917 beats
  // B's 32.5 x 33.5 / (61 x 62) = 0.2879. With A's count as read (n = 6, so x = 3) A would score
  // 3.5 x 4.5 / (7 x 8) = 0.2813 and lose to B.
  const Fixture f = populations({{"A", {"1/1", "1/1", "2/2"}}, {"B", times(16, "1/1") + times(14, "2/2")}}, 1);
  GenotypeData work = f.ds.Allele;
  EXPECT_EQ(Self_Assign_Run(work, f.ds, f.sel, method(1), 1, {1}), 1);
}

// Three populations with private allele codes at two loci; every genotype occurs twice in its population.
Fixture privateAlleles() {
  return populations({{"P1", {"1/1 1/2", "1/2 2/2", "1/1 1/2", "1/2 2/2"}},
                      {"P2", {"3/3 3/4", "3/4 4/4", "3/3 3/4", "3/4 4/4"}},
                      {"P3", {"5/6 5/5", "6/6 5/6", "5/6 5/5", "6/6 5/6"}}},
                     2);
}

TEST(SelfAssign, PrivateAllelesAssignEveryIndividualToItsOwnPopulation) {
  const Fixture f = privateAlleles();
  for (const AssignmentOptions& o : kMethods) {
    const SelfAssignCounts c = selfAssignTests(f.ds, f.sel, o, 5);
    EXPECT_EQ(c.tests, (Vec1<long long>{0, 4, 4, 4})) << selfMethodText(o);
    EXPECT_EQ(c.correct, c.tests) << selfMethodText(o);
    EXPECT_DOUBLE_EQ(*selfPercentages(c).total, 100) << selfMethodText(o);
  }
  // Groups of two: both members may share every genotype, so the distance on genotypes cannot see them.
  for (const AssignmentOptions& base : {method(1), method(2), method(3, 0)}) {
    AssignmentOptions o = base;
    o.SelfGroupSize = 2;
    o.SelfNTests = 7;
    const SelfAssignCounts c = selfAssignTests(f.ds, f.sel, o, 5);
    EXPECT_EQ(c.tests, (Vec1<long long>{0, 7, 7, 7})) << selfMethodText(o);
    EXPECT_EQ(c.correct, c.tests) << selfMethodText(o);
  }
}

TEST(SelfAssign, RefusalsComeBeforeAnyTest) {
  Fixture f = privateAlleles();
  AssignmentOptions o = method(1);
  o.SelfGroupSize = 5;
  EXPECT_EQ(selfAssignRefusal(f.ds, f.sel, o), Refusal("Not enough individuals in population - P1 - for group selection!"));
  o.SelfGroupSize = 4;  // as large as every population: fine
  EXPECT_FALSE(selfAssignRefusal(f.ds, f.sel, o));
  o.SelfGroupSize = 1;
  o.MinBipLoci = 2;
  EXPECT_FALSE(selfAssignRefusal(f.ds, f.sel, o));
  f.sel.LocSel[2] = 0;  // one bi-parental locus left: nobody has two
  EXPECT_TRUE(selfAssignRefusal(f.ds, f.sel, o));
  EXPECT_EQ(selfAssignTests(f.ds, f.sel, o, 1).totalTests(), 0);
}

TEST(SelfAssign, ATestThatLeavesItsPopulationEmptyDoesNotRun) {
  // "Solo" has one member; with groups of three, "Trio" has exactly three. Such tests leave nothing to
  // score against: they do not run, the population shows no percentage, and Total and Mean take only
  // the tests that ran (every member of the other populations carries its population's own allele).
  const Fixture f = populations({{"Solo", {"1/1"}}, {"Many", times(6, "2/2")}, {"Trio", times(3, "3/3")}}, 1);
  struct Case {
    int groupSize;
    long long tests[4];
  } cases[] = {{1, {0, 0, 6, 3}}, {3, {0, 0, 5, 0}}};
  for (const Case& c : cases)
    for (const AssignmentOptions& m : kMethods) {
      AssignmentOptions o = m;
      o.SelfGroupSize = c.groupSize;
      o.SelfNTests = 5;
      const SelfAssignCounts counts = selfAssignTests(f.ds, f.sel, o, 7);
      const SelfAssignPercent pc = selfPercentages(counts);
      SCOPED_TRACE(::testing::Message() << "group size " << c.groupSize << ", method " << o.AssMethod);
      long long ran = 0;
      for (int p = 1; p <= 3; ++p) {
        EXPECT_EQ(counts.tests[static_cast<std::size_t>(p)], c.tests[p]) << p;
        EXPECT_EQ(pc.correct[static_cast<std::size_t>(p)].has_value(), c.tests[p] > 0) << p;
        ran += c.tests[p];
      }
      EXPECT_EQ(counts.totalTests(), ran);
      ASSERT_TRUE(pc.total && pc.mean);
      EXPECT_EQ(*pc.total, 100.0);
      EXPECT_EQ(*pc.mean, 100.0);
    }
}

TEST(SelfAssign, CountsDoNotDependOnTheNumberOfThreads) {
  gen::Params prm;
  prm.nPop = 4;
  prm.nInd = 12;
  prm.nLoci = 4;
  prm.nAlleles = 4;
  gen::Data d = gen::generate(prm);
  AssignmentOptions o = method(2);
  o.SelfGroupSize = 3;
  o.SelfNTests = 40;
  setWorkerThreads(1);
  const SelfAssignCounts one = selfAssignTests(d.ds, d.sel, o, 99);
  setWorkerThreads(7);
  const SelfAssignCounts seven = selfAssignTests(d.ds, d.sel, o, 99);
  setWorkerThreads(0);
  EXPECT_EQ(one.tests, seven.tests);
  EXPECT_EQ(one.correct, seven.correct);
  for (int p = 1; p <= prm.nPop; ++p)
    for (int q = 1; q <= prm.nPop; ++q) EXPECT_EQ(one.assigned(p, q), seven.assigned(p, q)) << p << "," << q;
}

// The share of tests done shows through the run context after every block of tests, rising to 100 %; a
// stop asked for at a step in the middle ends the run there.
TEST(SelfAssign, ProgressShowsTheShareDoneAndAStopEndsTheRun) {
  gen::Params prm;
  prm.nPop = 3;
  prm.nInd = 1500;
  prm.nLoci = 3;
  prm.nAlleles = 4;
  prm.missing = 0;
  const gen::Data d = gen::generate(prm);
  const AssignmentOptions o = method(1);
  std::vector<std::string> shown;
  RunContext context;
  context.progressSink = [&](const std::string& text) { shown.push_back(text); };
  EXPECT_EQ(selfAssignTests(d.ds, d.sel, o, 1, context).totalTests(), 3 * 1500);
  ASSERT_GE(shown.size(), 3u) << "too few steps to stop in the middle";
  EXPECT_EQ(shown.back(), "100 %");
  int before = 0;
  for (const std::string& text : shown) {
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), " %");
    EXPECT_GT(std::stoi(text), before) << text;
    before = std::stoi(text);
  }
  shown.clear();
  context.stopRequest = [&] { return shown.size() == 2; };
  EXPECT_THROW(selfAssignTests(d.ds, d.sel, o, 1, context), RunStopped);
  EXPECT_EQ(shown.size(), 2u);
}

}  // namespace
}  // namespace kiwora
