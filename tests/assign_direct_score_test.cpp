// Simulated groups scored straight from their alleles, and drawn into buffers and scratch reused from
// group to group: the same scores and the same groups as from a profile and fresh buffers.
#include <gtest/gtest.h>

#include <vector>

#include "../bench/generate.h"

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "assign/simulate_exclusion.h"

namespace kiwora {
namespace {

struct Groups {
  gen::Data refs, groups;
  TestGroups test;
  Groups(const std::vector<int>& modes) {
    gen::Params prm;
    prm.nPop = 4;
    prm.nInd = 15;
    prm.nLoci = 5;
    prm.nAlleles = 5;
    prm.missing = 0.15;
    prm.seed = 4;
    refs = gen::generate(prm);
    prm.nPop = 8;
    prm.nInd = 4;
    prm.seed = 5;
    prm.sizeJitter = 0.5;
    groups = gen::generate(prm);
    test.NTestGr = groups.ds.NPop;
    test.TestAllele = groups.ds.Allele;
    for (std::size_t l = 0; l < modes.size(); ++l) refs.sel.LocMode[l + 1] = modes[l];
  }
};

AssignmentOptions method(int m) {
  AssignmentOptions o;
  o.AssMethod = m >= 3 ? 3 : m;
  o.GDOnAlleles = m == 3;
  o.GDOnGenotypes = m == 4;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  return o;
}

TEST(DirectScore, EqualsTheScoreOfTheGroupsProfile) {
  for (const std::vector<int>& modes : {std::vector<int>{}, std::vector<int>{1, 1, 2, 3, 2}}) {
    Groups d(modes);
    for (int m = 1; m <= 4; ++m) {
      const AssignmentOptions o = method(m);
      ReferenceBuild how;
      how.minFreqMiss = o.MinFreqMiss;
      how.genotypeTable = m == 4;
      ReferenceTables ref;
      buildReferenceTables(d.refs.view(), d.refs.sel.LocMode, d.test, how, ref);
      DirectScratch scratch;  // shared by every group, as a worker shares it
      for (int g = 1; g <= d.test.NTestGr; ++g)
        for (int p : ref.candidates) {
          const GroupGenotypes group{&d.test.TestAllele, g};
          EXPECT_EQ(groupScoreDirect(ref, o, group, p, scratch), groupScore(ref, o, profileGroup(ref, group), p))
              << "method " << m << ", modes " << modes.size() << ", group " << g << ", population " << p;
        }
    }
  }
}

TEST(DirectScore, ReusedBuffersAndScratchDrawTheSameGroupsAsFreshOnes) {
  Groups d({1, 1, 1, 2, 3});
  ReferenceTables ref;
  buildReferenceTables(d.refs.view(), d.refs.sel.LocMode, d.test, ReferenceBuild{}, ref);
  for (SimGenerator m : kSimGenerators) {
    const SimulationReference sim(
        simulationSource(ref, d.refs.ds.Allele, d.test.TestAllele, d.refs.sel.LocSel, d.refs.sel.LocMode), m);
    std::vector<GenotypeData> reused;
    SimScratch scratch;
    for (int g = 1; g <= d.test.NTestGr; ++g)
      reused.push_back(groupBuffer(d.test.TestAllele, g));
    for (int round = 0; round < 3; ++round)
      for (int g = 1; g <= d.test.NTestGr; ++g)
        for (int p = 1; p <= d.refs.ds.NPop; ++p) {
          const std::uint64_t stream = simulationStreamIndex(round + 1, g, p, d.test.NTestGr, d.refs.ds.NPop);
          Random a = Random::stream(9, stream), b = Random::stream(9, stream);
          GenotypeData& buffer = reused[static_cast<std::size_t>(g - 1)];
          simulateGroup(sim, g, p, a, buffer, scratch);
          GenotypeData fresh = groupBuffer(d.test.TestAllele, g);
          simulateGroup(sim, g, p, b, fresh);
          EXPECT_TRUE(buffer == fresh) << "generator " << codeOf(m) << ", group " << g << ", population " << p;
        }
  }
}

}  // namespace
}  // namespace kiwora
