// Exclusion probabilities from simulated groups: LOD1 against the generator's own distribution, ties,
// populations and groups that take no part, read-only reference tables and test groups, and results that
// do not depend on the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "../bench/generate.h"
#include "assign_fixture.h"
#include "assign/simulate_exclusion.h"
#include "simulation_expectation.h"
#include "base/random.h"
#include "base/tolerance.h"
#include "base/worker_pool.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::Population;

// Reference populations and test groups, scored with the chosen method; simulations on demand.
struct SimRun : testing::AssignCase {
  AssignmentResults res;

  SimRun(int maxAllele, const std::vector<Population>& refPops, const std::vector<Population>& testPops, int method = 1,
         int nSim = 1000, std::vector<int> modes = {})
      : AssignCase(maxAllele, refPops, testPops, std::move(modes)) {
    opt.AssMethod = method;
    opt.GDOnAlleles = method == 3;
    opt.NSimGroups = nSim;
  }
  void score() {
    build();
    res = scoreAll();
  }
  Table2<Cell> lod1(SimGenerator m, std::uint64_t seed = 11) {
    score();
    const SimulationReference sim(simulationSource(ref, refs.data, test.TestAllele, refs.locSel, mode), m);
    return simulateExclusionLod1(ExclusionSetup{&ref, &opt, &sim, seed, {}}, res);
  }
  void delta(SimGenerator m, std::uint64_t seed = 11) {
    score();
    const SimulationReference sim(simulationSource(ref, refs.data, test.TestAllele, refs.locSel, mode), m);
    simulateExclusionDelta(ExclusionSetup{&ref, &opt, &sim, seed, {}}, res);
  }
};

TEST(ExclusionLod1, MatchesTheFrequencyGeneratorsOwnDistribution) {
  // One 1/2 individual. In {1/1, 1/2} only a simulated 1/1 scores better than it (a 1/2 ties, a 2/2 scores
  // worse), so E = the chance of drawing 1/1; {2/2, 2/2} gives only 2/2, which scores better: E = 1.
  SimRun r(2, {{{{1, 1}}, {{1, 2}}}, {{{2, 2}}, {{2, 2}}}}, {{{{1, 2}}}}, 1, 10000);
  const Table2<Cell> e = r.lod1(SimGenerator::FreqCI);
  ASSERT_TRUE(e(1, 1) && e(1, 2));
  EXPECT_NEAR(*e(1, 1), testing::expectedHomozygoteShare(), 0.02);
  EXPECT_DOUBLE_EQ(*e(1, 2), 1.0);
  EXPECT_DOUBLE_EQ(r.res.ExclCount(1, 1), 1 - *e(1, 1)) << "the count has become a share";
}

TEST(ExclusionLod1, APerfectMatchIsNotExcludedUnderEveryMethodAndGenerator) {
  // Population 1 is three members 1/1 at both loci and the group two of them: every simulated group from
  // there equals the group and ties with it, so none scores better and E = 0. Population 2 is all 2/2:
  // its simulated groups all score better than the group there, E = 1. With locus 2 maternal too.
  const Population ones(3, {{1, 1}, {1, 1}}), twos(3, {{2, 2}, {2, 2}});
  struct Method {
    int assMethod;
    bool onGenotypes;
  };
  const Method methods[] = {{1, false}, {2, false}, {3, false}, {3, true}};
  for (const std::vector<int>& modes : {std::vector<int>{1, 1}, std::vector<int>{1, 2}})
    for (const Method& m : methods)
      for (SimGenerator gen : kSimGenerators) {
        SimRun r(2, {ones, twos}, {{ones[0], ones[1]}}, m.assMethod, 200, modes);
        r.opt.GDOnAlleles = m.assMethod == 3 && !m.onGenotypes;
        r.opt.GDOnGenotypes = m.assMethod == 3 && m.onGenotypes;
        const Table2<Cell> e = r.lod1(gen);
        const std::string what = "method " + std::to_string(m.assMethod) + (m.onGenotypes ? " genotypes" : "") +
                                 ", generator " + std::to_string(static_cast<int>(gen)) +
                                 (modes[1] == 2 ? ", maternal locus" : "");
        ASSERT_TRUE(e(1, 1) && e(1, 2)) << what;
        EXPECT_EQ(*e(1, 1), 0.0) << what;
        EXPECT_EQ(*e(1, 2), 1.0) << what;
      }
}

TEST(ExclusionLod1, DistanceOnGenotypesCountsUnlistedGenotypesWithoutTouchingTheReferenceList) {
  // Reference {1/1, 2/2}; group {1/2}, a genotype no reference has, lies at 1, and so does a simulated
  // heterozygote (allele recombination, half the draws); 1/1 and 2/2 lie nearer, at 0.5. So E = 0.5.
  SimRun r(2, {{{{1, 1}}, {{2, 2}}}}, {{{{1, 2}}}}, 3, 10000);
  r.opt.GDOnAlleles = 0;
  r.opt.GDOnGenotypes = 1;
  const Table2<Cell> e = r.lod1(SimGenerator::Alleles);
  ASSERT_TRUE(e(1, 1));
  EXPECT_NEAR(*e(1, 1), 0.5, 0.02);
  EXPECT_EQ(r.ref.genotypes.NGenoTypes[1], 2) << "the reference list is only read";
}

TEST(ExclusionLod1, UnselectedAndEmptyPopulationsAndGroupsWithoutDataTakeNoPart) {
  // Population 2 is not selected, population 3 has no members; group 2 has no typed allele.
  SimRun r(2, {{{{1, 1}}, {{1, 2}}}, {{{2, 2}}}, {}}, {{{{1, 2}}}, {{{-1, -1}}}}, 1, 50);
  r.refs.popSel[2] = 0;
  const TestGroups before = r.test;
  const Table2<Cell> e = r.lod1(SimGenerator::FreqCI);
  EXPECT_TRUE(e(1, 1));
  EXPECT_FALSE(e(1, 2));
  EXPECT_FALSE(e(1, 3));
  for (int p = 1; p <= 3; ++p) EXPECT_FALSE(e(2, p)) << p;
  EXPECT_EQ(r.test.TestAllele, before.TestAllele) << "the test groups as read stay";
}

// Generated reference populations; test group g is four members of population g, so that simulated
// groups from there score worse than it some of the time.
struct Generated {
  gen::Data refData;
  SimRun run;
  explicit Generated(int method)
      : refData(gen::generate({.nPop = 6, .nInd = 12, .nLoci = 5, .nAlleles = 4, .seed = 3})), run(4, {}, {}, method, 120) {
    run.refs.data = refData.ds.Allele;
    run.refs.popSel = refData.sel.PopSel;
    run.refs.locSel = refData.sel.LocSel;
    run.refs.maxAllele = refData.ds.MaxAllele;
    run.mode = makeVec1<int>(5, 1);
    run.mode[5] = 2;  // one maternal locus
    run.test.NTestGr = 5;
    run.test.TestAllele.resize(5, 5, makeVec1<int>(5, 4));
    for (int g = 1; g <= 5; ++g)
      for (int l = 1; l <= 5; ++l)
        for (int i = 1; i <= 4; ++i) {
          run.test.TestAllele.a1(g, l, i) = refData.ds.Allele.a1(g, l, i);
          run.test.TestAllele.a2(g, l, i) = refData.ds.Allele.a2(g, l, i);
        }
  }
};

TEST(ExclusionRuns, ASeededRunIsTheSameOnOneAndOnEightThreads) {
  struct Case {
    int method;
    SimGenerator m;
    bool delta;
  };
  const Case cases[] = {{1, SimGenerator::FreqCI, false}, {1, SimGenerator::MLHap, false},
                        {1, SimGenerator::SLGeno, false}, {1, SimGenerator::Alleles, false},
                        {1, SimGenerator::AllelesHap, false}, {2, SimGenerator::FreqCI, false},
                        {3, SimGenerator::Alleles, false}, {1, SimGenerator::FreqCI, true},
                        {2, SimGenerator::SLGeno, true}};
  const int threads = workerThreads();
  for (const Case& c : cases) {
    std::vector<AssignmentResults> out;
    for (int t : {1, 8}) {
      setWorkerThreads(t);
      Generated g(c.method);
      if (c.delta)
        g.run.delta(c.m);
      else
        g.run.lod1(c.m);
      out.push_back(g.run.res);
    }
    const std::string what = "method " + std::to_string(c.method) + " generator " + std::to_string(static_cast<int>(c.m));
    EXPECT_EQ(out[0].ExclCount.n1(), out[1].ExclCount.n1()) << what;
    bool same = true, someCount = false;
    for (int gr = 1; gr <= out[0].ExclCount.n1(); ++gr)
      for (int p = 1; p <= out[0].ExclCount.n2(); ++p) {
        same = same && out[0].ExclCount(gr, p) == out[1].ExclCount(gr, p);
        someCount = someCount || out[0].ExclCount(gr, p) > 0;
      }
    EXPECT_TRUE(same) << what;
    EXPECT_EQ(out[0].SimDelta, out[1].SimDelta) << what;
    EXPECT_EQ(out[0].DeltaProb, out[1].DeltaProb) << what;
    EXPECT_TRUE(c.delta ? out[0].DeltaProb[1].has_value() : someCount) << what << ": something was simulated";
  }
  setWorkerThreads(threads);
}

TEST(ExclusionLod1, CountsAreThoseOfEachSimulatedGroupWrittenOutAndProfiled) {
  // Groups of 1 to 12 members (up to 24 copies a locus) of the reference populations' own members, with
  // the missing copies of other generated groups, an unselected locus, with and without a maternal
  // locus, 7 or 20 codes a locus: every simulated group drawn on its own stream into a buffer and scored
  // through its profile, against the group's own score, gives the run's counts exactly.
  const gen::Data groupData =
      gen::generate({.nPop = 6, .nInd = 12, .nLoci = 6, .nAlleles = 7, .missing = 0.15, .seed = 6, .sizeJitter = 0.95});
  int smallest = 99, largest = 0;
  for (int g = 1; g <= groupData.ds.NPop; ++g) {
    smallest = std::min(smallest, groupData.ds.Allele.nInd(g));
    largest = std::max(largest, groupData.ds.Allele.nInd(g));
  }
  ASSERT_TRUE(smallest <= 8 && largest > 8) << "groups on both sides of eight members";
  for (int nAlleles : {7, 20})
    for (int method : {1, 2})
      for (bool maternal : {false, true})
        for (SimGenerator m : {SimGenerator::FreqCI, SimGenerator::SLGeno}) {
          const gen::Data refData =
              gen::generate({.nPop = 4, .nInd = 15, .nLoci = 6, .nAlleles = nAlleles, .missing = 0.15, .seed = 5});
          SimRun r(nAlleles, {}, {}, method, 40);
          r.refs.data = refData.ds.Allele;
          r.refs.popSel = refData.sel.PopSel;
          r.refs.locSel = refData.sel.LocSel;
          r.refs.locSel[3] = 0;
          r.refs.maxAllele = refData.ds.MaxAllele;
          r.mode = makeVec1<int>(6, 1);
          if (maternal) r.mode[6] = 2;
          r.test.NTestGr = groupData.ds.NPop;
          r.test.TestAllele = groupData.ds.Allele;
          for (int g = 1; g <= r.test.NTestGr; ++g)
            for (int l = 1; l <= 6; ++l)
              for (int i = 1; i <= r.test.TestAllele.nInd(g); ++i) {
                int& a = r.test.TestAllele.a1(g, l, i);
                int& b = r.test.TestAllele.a2(g, l, i);
                const int from = (g - 1) % 4 + 1;
                if (a != kMissing) a = refData.ds.Allele.a1(from, l, i);
                if (b != kMissing) b = refData.ds.Allele.a2(from, l, i);
              }
          r.score();
          const SimulationReference sim(simulationSource(r.ref, r.refs.data, r.test.TestAllele, r.refs.locSel, r.mode), m);
          const std::uint64_t seed = 31;
          simulateExclusionLod1(ExclusionSetup{&r.ref, &r.opt, &sim, seed, {}}, r.res);
          const std::string what = std::to_string(nAlleles) + " codes, method " + std::to_string(method) +
                                   (maternal ? ", maternal" : "") + ", generator " + std::to_string(static_cast<int>(m));
          int counted = 0;
          for (int g = 1; g <= r.test.NTestGr; ++g) {
            if (r.res.GrTyped[static_cast<std::size_t>(g)] != 1) continue;
            for (int p = 1; p <= r.ref.nPop; ++p) {
              const double observed = groupScore(r.ref, r.opt, r.profile(g), p);
              int noBetter = 0;
              for (int k = 1; k <= r.opt.NSimGroups; ++k) {
                Random rng = Random::stream(seed, simulationStreamIndex(k, g, p, r.test.NTestGr, r.ref.nPop));
                GenotypeData buffer = groupBuffer(r.test.TestAllele, g);
                simulateGroup(sim, g, p, rng, buffer);
                const double score = groupScore(r.ref, r.opt, profileGroup(r.ref, GroupGenotypes{&buffer, 1}), p);
                noBetter += atLeast(score, observed, kScoreRounding);
              }
              EXPECT_EQ(r.res.ExclCount(g, p), static_cast<double>(noBetter) / r.opt.NSimGroups)
                  << what << ", group " << g << ", population " << p;
              counted += noBetter > 0 && noBetter < r.opt.NSimGroups;
            }
          }
          EXPECT_GT(counted, 0) << what << ": some counts lie strictly between none and all";
        }
}

TEST(ExclusionRuns, ProgressCountsTheSimulationsUpToAll) {
  for (bool delta : {false, true}) {
    Generated g(1);
    g.run.score();
    const SimulationReference sim(
        simulationSource(g.run.ref, g.run.refs.data, g.run.test.TestAllele, g.run.refs.locSel, g.run.mode),
        SimGenerator::SLGeno);
    std::vector<int> done;
    ExclusionSetup setup{&g.run.ref, &g.run.opt, &sim, 1, [&](int k, int n) {
                           EXPECT_EQ(n, 120);
                           done.push_back(k);
                         }};
    if (delta)
      simulateExclusionDelta(setup, g.run.res);
    else
      simulateExclusionLod1(setup, g.run.res);
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), 120);
  }
}

TEST(ExclusionDelta, NeedsThreeCandidatesAndLeavesGroupsWithoutDataUndefined) {
  const Population a = {{{1, 1}}, {{1, 1}}}, b = {{{2, 2}}, {{1, 2}}}, c = {{{2, 2}}, {{2, 2}}};
  {
    SimRun r(2, {a, b}, {{{{1, 1}}}}, 1, 100);
    r.delta(SimGenerator::FreqCI);
    EXPECT_FALSE(r.res.DeltaProb[1]) << "two candidates have no delta";
  }
  SimRun r(2, {a, b, c}, {{{{1, 1}}}, {{{-1, -1}}}}, 1, 100);
  r.delta(SimGenerator::FreqCI);
  ASSERT_EQ(r.res.SimDelta.size(), 101u);
  EXPECT_TRUE(std::is_sorted(r.res.SimDelta.begin() + 1, r.res.SimDelta.end()));
  EXPECT_TRUE(r.res.DeltaProb[1]);
  EXPECT_FALSE(r.res.DeltaProb[2]);
}

TEST(ExclusionDelta, SimulatedDeltasEqualToTheGroupsCountWithThoseBelowIt) {
  // The group is two members 1/1, population 1 four members 1/1 and population 2 four members 2/2, so a
  // simulated group from population 1 is the group itself and one from population 2 its mirror image:
  // both have the group's delta. Population 3 four members 1/2: its simulated groups have population 1
  // and 2 tied behind the best, delta 1, above the group's. So E = 1 - 2/3 by the random population.
  // With population 3 all 3/3 instead, every simulated delta is the group's and E = 0.
  const Population ones(4, {{1, 1}}), twos(4, {{2, 2}}), hets(4, {{1, 2}}), threes(4, {{3, 3}});
  struct Case {
    Population third;
    double e;
  };
  const Case cases[] = {{hets, 1.0 / 3}, {threes, 0}};
  const int nSim = 3000;
  for (const Case& c : cases)
    for (int method : {1, 2})
      for (SimGenerator gen : {SimGenerator::SLGeno, SimGenerator::Alleles}) {
        SimRun r(3, {ones, twos, c.third}, {{ones[0], ones[1]}}, method, nSim);
        r.delta(gen);
        const std::string what = "method " + std::to_string(method) + ", generator " +
                                 std::to_string(static_cast<int>(gen)) + ", E " + std::to_string(c.e);
        ASSERT_GT(r.res.GrDelta[1], 0) << what;
        ASSERT_TRUE(r.res.DeltaProb[1]) << what;
        EXPECT_NEAR(*r.res.DeltaProb[1], c.e, 4.5 * std::sqrt(c.e * (1 - c.e) / nSim) + 1e-12) << what;
      }
}

}  // namespace
}  // namespace kiwora
