// The five generators of simulated groups: pinned draws of a seeded stream, the missing-data patterns,
// what each generator may copy, the cases that must end without drawing (no member, no typed copy, no
// frequency), and the distribution of the frequency generator and of the member draw.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <stdexcept>

#include "assign/simulate_groups.h"
#include "assign/simulate_exclusion.h"
#include "assign_fixture.h"
#include "simulation_expectation.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Population;

// Reference populations and test groups (each group written as a population) with their reference
// tables; every locus selected, modes given per locus (default bi-parental).
struct SimFixture : testing::AssignCase {
  SimulationSource src;

  SimFixture(int maxA, const std::vector<Population>& refPops, const std::vector<Population>& groups,
             std::vector<int> modes = {})
      : AssignCase(maxA, refPops, groups, std::move(modes)) {
    rebuild();
  }
  // The reference tables again, after the selection changed.
  void rebuild() {
    build();
    src = simulationSource(ref, refs.data, test.TestAllele, refs.locSel, mode);
  }

  // Draws a group like test group g from population p with the stream of `seed`; returns its buffer.
  GenotypeData draw(SimGenerator m, int g, int p, std::uint64_t seed = 7) {
    SimulationReference r(src, m);
    GenotypeData sim = groupBuffer(test.TestAllele, g);
    Random rng = Random::stream(seed, 1);
    simulateGroup(r, g, p, rng, sim);
    return sim;
  }
};

// One group's genotypes as text, members separated by "|", loci by " ": "1/2 3/3|...".
std::string text(const GenotypeData& d, int g = 1) {
  std::string s;
  for (int i = 1; i <= d.nInd(g); ++i) {
    if (i > 1) s += "|";
    for (int l = 1; l <= d.nLoci(); ++l) {
      if (l > 1) s += " ";
      s += std::to_string(d.a1(g, l, i)) + "/" + std::to_string(d.a2(g, l, i));
    }
  }
  return s;
}

const std::vector<SimGenerator> kRecombining = {SimGenerator::MLHap, SimGenerator::SLGeno, SimGenerator::Alleles,
                                                SimGenerator::AllelesHap};

// Four members at three loci (the third maternal), one of them missing a copy; a test group of three,
// its second member missing its first copy at locus 1.
const std::vector<Population> kRef = {{
    {{1, 2}, {3, 4}, {1, 1}},
    {{2, 2}, {4, 4}, {2, 2}},
    {{3, 1}, {-1, 5}, {3, 3}},
    {{2, 3}, {5, 3}, {1, 1}},
}};
const std::vector<Population> kGroup = {{
    {{1, 1}, {3, 3}, {1, 1}},
    {{-1, 2}, {4, 5}, {2, 2}},
    {{1, 2}, {3, 4}, {3, 3}},
}};

TEST(SimulatedGroups, EachGeneratorsDrawsArePinnedForASeededStream) {
  // Recorded from a seeded run: any change to the order or the rule of the draws shows here.
  struct Case {
    SimGenerator m;
    const char* drawn;
  };
  const Case cases[] = {
      {SimGenerator::FreqCI, "2/2 3/4 2/2|-1/3 3/5 1/1|3/2 5/5 1/1"},
      {SimGenerator::MLHap, "2/2 4/4 2/2|-1/3 4/-1 2/3|2/3 4/5 2/1"},
      {SimGenerator::SLGeno, "2/2 4/4 3/3|-1/1 3/4 2/2|2/2 4/4 2/2"},
      {SimGenerator::Alleles, "2/2 4/5 1/2|-1/2 4/5 3/1|2/2 3/3 2/1"},
      {SimGenerator::AllelesHap, "2/2 4/5 1/1|-1/-1 4/4 2/2|3/2 5/4 1/1"},
  };
  for (const Case& c : cases) {
    SimFixture f(5, kRef, kGroup, {1, 1, 2});
    EXPECT_EQ(text(f.draw(c.m, 1, 1)), c.drawn) << "generator " << static_cast<int>(c.m);
    EXPECT_EQ(text(f.draw(c.m, 1, 1)), text(f.draw(c.m, 1, 1))) << "same stream, same group";
  }
}

TEST(SimulatedGroups, TestMembersMissingCopyIsMissingCopyWiseOrLocusWise) {
  // Fully typed reference: only the test member's own gap can be missing.
  const std::vector<Population> ref = {{{{1, 2}}, {{2, 3}}, {{3, 1}}}};
  const std::vector<Population> group = {{{{-1, 2}}, {{2, -1}}}};
  for (SimGenerator m : kRecombining) {
    SimFixture f(3, ref, group);
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
      const GenotypeData sim = f.draw(m, 1, 1, seed);
      const bool locusWise = m == SimGenerator::AllelesHap;
      EXPECT_EQ(sim.a1(1, 1, 1), kMissing);
      EXPECT_EQ(sim.a2(1, 1, 1) == kMissing, locusWise) << static_cast<int>(m);
      EXPECT_EQ(sim.a1(1, 1, 2) == kMissing, locusWise) << static_cast<int>(m);
      EXPECT_EQ(sim.a2(1, 1, 2), kMissing);
    }
  }
}

TEST(SimulatedGroups, WhichGeneratorsCarryAReferenceMembersMissingCopy) {
  // Member 1 misses its first copy at the bi-parental locus 1 and its second at the maternal locus 2;
  // member 2 is fully typed. The test members are fully typed.
  const std::vector<Population> ref = {{{{-1, 1}, {1, -1}}, {{2, 2}, {2, 2}}}};
  const std::vector<Population> group = {{{{1, 1}, {1, 1}}, {{2, 2}, {2, 2}}}};
  struct Case {
    SimGenerator m;
    bool gapAtBiparental, gapAtMaternal;
  };
  const Case cases[] = {{SimGenerator::MLHap, true, true},
                        {SimGenerator::SLGeno, true, true},
                        {SimGenerator::Alleles, false, false},  // redraws every copy among the typed ones
                        {SimGenerator::AllelesHap, false, true}};  // copies the maternal locus as it stands
  for (const Case& c : cases) {
    SimFixture f(2, ref, group, {1, 2});
    bool gap[3] = {false, false, false};
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
      const GenotypeData sim = f.draw(c.m, 1, 1, seed);
      for (int i = 1; i <= 2; ++i)
        for (int l = 1; l <= 2; ++l) gap[l] = gap[l] || sim.a1(1, l, i) == kMissing || sim.a2(1, l, i) == kMissing;
    }
    EXPECT_EQ(gap[1], c.gapAtBiparental) << static_cast<int>(c.m);
    EXPECT_EQ(gap[2], c.gapAtMaternal) << static_cast<int>(c.m);
  }
}

TEST(SimulatedGroups, RecombinationUsesOnlyWhatTheRulesAllow) {
  // A one-member population: generator 2 makes members of that member's copies only.
  {
    SimFixture f(9, {{{{1, 2}, {3, 4}}}}, {{{{5, 6}, {7, 8}}, {{5, 6}, {7, 8}}}});
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
      const GenotypeData sim = f.draw(SimGenerator::MLHap, 1, 1, seed);
      for (int i = 1; i <= 2; ++i) {
        EXPECT_TRUE(sim.a1(1, 1, i) == 1 || sim.a1(1, 1, i) == 2);
        EXPECT_TRUE(sim.a2(1, 1, i) == 1 || sim.a2(1, 1, i) == 2);
        EXPECT_TRUE(sim.a1(1, 2, i) == 3 || sim.a1(1, 2, i) == 4);
      }
    }
  }
  // Generator 5: the two maternal loci of a simulated member are one reference member's pair, and the
  // paternal locus another (or the same) member's.
  {
    const std::vector<Population> ref = {{
        {{1, 1}, {1, 1}, {1, 1}, {1, 1}},
        {{2, 2}, {2, 2}, {2, 2}, {2, 2}},
        {{3, 3}, {3, 3}, {3, 3}, {3, 3}},
    }};
    const std::vector<Population> group = {{{{1, 1}, {1, 1}, {1, 1}, {1, 1}}}};
    SimFixture f(3, ref, group, {1, 2, 2, 3});
    std::set<int> paternalFromOther;
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
      const GenotypeData sim = f.draw(SimGenerator::AllelesHap, 1, 1, seed);
      EXPECT_EQ(sim.a1(1, 2, 1), sim.a1(1, 3, 1));
      EXPECT_EQ(sim.a2(1, 2, 1), sim.a1(1, 2, 1));
      if (sim.a1(1, 4, 1) != sim.a1(1, 2, 1)) paternalFromOther.insert(sim.a1(1, 4, 1));
    }
    EXPECT_FALSE(paternalFromOther.empty()) << "the paternal member is drawn on its own";
  }
}

TEST(SimulatedGroups, NothingToDrawFromGivesMissingAllelesAndEnds) {
  // Population 2 has no members; at locus 2 population 1 has no typed copy at all.
  const std::vector<Population> ref = {{{{1, 2}, {-1, -1}}, {{2, 2}, {-1, -1}}}, {}};
  const std::vector<Population> group = {{{{1, 1}, {1, 1}}, {{1, 2}, {2, 2}}}};
  for (SimGenerator m : kSimGenerators) {
    SimFixture f(2, ref, group);
    const GenotypeData empty = f.draw(m, 1, 2);
    EXPECT_EQ(text(empty), "-1/-1 -1/-1|-1/-1 -1/-1") << static_cast<int>(m);
    const GenotypeData sim = f.draw(m, 1, 1);
    for (int i = 1; i <= 2; ++i) {
      EXPECT_NE(sim.a1(1, 1, i), kMissing) << static_cast<int>(m);
      EXPECT_EQ(sim.a1(1, 2, i), kMissing) << static_cast<int>(m);
      EXPECT_EQ(sim.a2(1, 2, i), kMissing) << static_cast<int>(m);
    }
  }
}

TEST(SimulatedGroups, AReferenceWithoutAGeneratorIsRefused) {
  SimFixture f(2, {{{{1, 2}}}}, {{{{1, 1}}}});
  EXPECT_THROW(SimulationReference(f.src, SimGenerator::Unset), std::invalid_argument);
}

TEST(SimulatedGroups, FrequencyGeneratorDrawsOnlyCodesThePopulationHas) {
  // Codes 2, 3 and 5 present; the test group carries 1, 4 and 6.
  const std::vector<Population> ref = {{{{2, 3}}, {{3, 5}}, {{5, 2}}, {{2, 3}}}};
  const std::vector<Population> group = {{{{1, 6}}, {{1, 1}}, {{6, 6}}, {{4, 4}}}};
  SimFixture f(6, ref, group);
  std::set<int> drawn;
  for (std::uint64_t seed = 1; seed <= 300; ++seed) {
    const GenotypeData sim = f.draw(SimGenerator::FreqCI, 1, 1, seed);
    for (int i = 1; i <= 4; ++i) drawn.insert({sim.a1(1, 1, i), sim.a2(1, 1, i)});
  }
  EXPECT_EQ(drawn, (std::set<int>{2, 3, 5}));
}

TEST(SimulatedGroups, FrequencyGeneratorMonomorphicFixedUnselectedLoci) {
  // Locus 1 monomorphic; locus 2 every reference member homozygous (Fis = 1); locus 3 not selected.
  const std::vector<Population> ref = {{{{4, 4}, {1, 1}, {1, 2}}, {{4, 4}, {2, 2}, {2, 2}}, {{4, 4}, {3, 3}, {1, 1}}}};
  const std::vector<Population> group = {{{{1, 1}, {1, 2}, {1, 1}}, {{-1, 4}, {2, 3}, {2, 2}}}};
  SimFixture f(4, ref, group);
  f.refs.locSel[3] = 0;
  f.rebuild();
  ASSERT_EQ(f.ref.variation.Fis(1, 2), Cell(1.0));
  bool drawnTwo = false;
  for (std::uint64_t seed = 1; seed <= 100; ++seed) {
    const GenotypeData sim = f.draw(SimGenerator::FreqCI, 1, 1, seed);
    EXPECT_EQ(text(sim).substr(0, 4), "4/4 ");
    EXPECT_EQ(sim.a1(1, 1, 2), kMissing);  // the test member's gap, the drawn second copy kept
    EXPECT_EQ(sim.a2(1, 1, 2), 4);
    for (int i = 1; i <= 2; ++i) {
      EXPECT_EQ(sim.a1(1, 2, i), sim.a2(1, 2, i)) << "every heterozygote made homozygous";
      drawnTwo = drawnTwo || sim.a1(1, 2, i) != sim.a1(1, 2, 1);
      EXPECT_EQ(sim.a1(1, 3, i), kMissing);
      EXPECT_EQ(sim.a2(1, 3, i), kMissing);
    }
  }
  EXPECT_TRUE(drawnTwo);
}

TEST(SimulatedGroups, AFisOfZeroDrawsNoInbreedingWhateverTheCodes) {
  // Ho = He = 2/3, so Fis is 0 in exact arithmetic; rounding leaves it a little above 0 under one
  // numbering of the codes and a little below under the other. Neither may switch the inbreeding step on,
  // which would also shift the stream of every later draw.
  const std::vector<Population> group = {{{{1, 1}}, {{1, 2}}}};
  for (const std::vector<Population>& ref : {std::vector<Population>{{{{4, 4}}, {{1, 2}}, {{3, 4}}}},
                                             std::vector<Population>{{{{1, 1}}, {{2, 3}}, {{4, 1}}}}}) {
    SimFixture f(4, ref, group);
    ASSERT_TRUE(f.ref.variation.Fis(1, 1));
    EXPECT_NEAR(*f.ref.variation.Fis(1, 1), 0, 1e-15);
    EXPECT_EQ(SimulationReference(f.src, SimGenerator::FreqCI).positiveFis(1, 1), 0.0);
  }
}

TEST(SimulatedGroups, CodeAtARunningShare) {
  struct Case {
    std::vector<int> codes;
    std::vector<double> cumulative;
    double u;
    int code;
  };
  const Case cases[] = {
      {{1, 2, 3}, {0.25, 0.75, 1.0}, 0.5, 2},             // u must lie strictly below the running share
      {{1, 2, 3}, {0.25, 0.75, 1.0}, 0.75, 3},
      {{1, 2, 3}, {0.25, 0.75, 1.0}, 0.0, 1},
      {{1, 2, 3}, {0.3, 0.6, 0.9999999}, 0.99999995, 3},  // rounding left the sum short: the last code
      {{1, 2, 3}, {0.5, 0.9999999, 0.9999999}, 0.99999995, 2},  // ... of positive share
      {{}, {}, 0.5, kMissing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(codeAtShare(c.codes, c.cumulative, c.u), c.code) << c.u;
    const int place = placeAtShare(c.cumulative.data(), static_cast<int>(c.cumulative.size()), c.u);
    EXPECT_EQ(place < 0 ? kMissing : c.codes[static_cast<std::size_t>(place)], c.code) << c.u;
  }
}

// Share of n draws of a group like test group 1 from population 1, each on a stream of its own, for which
// `hit` holds.
template <class Hit>
double shareOfDraws(SimFixture& f, SimGenerator m, int n, Hit&& hit) {
  SimulationReference r(f.src, m);
  GenotypeData sim = groupBuffer(f.test.TestAllele, 1);
  int hits = 0;
  for (int k = 1; k <= n; ++k) {
    Random rng = Random::stream(99, static_cast<std::uint64_t>(k));
    simulateGroup(r, 1, 1, rng, sim);
    hits += hit(sim);
  }
  return static_cast<double>(hits) / n;
}

TEST(SimulatedGroups, FrequencyGeneratorFollowsItsCorrectedDistribution) {
  SimFixture f(2, {{{{1, 1}}, {{1, 2}}}}, {{{{1, 1}}}});
  const double homozygous1 = shareOfDraws(f, SimGenerator::FreqCI, 40000, [](const GenotypeData& sim) {
    return sim.a1(1, 1, 1) == 1 && sim.a2(1, 1, 1) == 1;
  });
  EXPECT_NEAR(homozygous1, testing::expectedHomozygoteShare(), 0.01);
}

TEST(SimulatedGroups, MembersAreDrawnEquallyOften) {
  // Two members: a rounding rule would draw the first three times in four.
  SimFixture f(2, {{{{1, 1}}, {{2, 2}}}}, {{{{1, 1}}}});
  const double first = shareOfDraws(f, SimGenerator::SLGeno, 20000, [](const GenotypeData& sim) { return sim.a1(1, 1, 1) == 1; });
  EXPECT_NEAR(first, 0.5, 0.015);
}

TEST(SimulatedGroups, StreamIndicesOfDistinctUnitsDiffer) {
  std::set<std::uint64_t> seen;
  for (int k = 1; k <= 3; ++k)
    for (int g = 0; g <= 4; ++g)
      for (int p = 0; p <= 5; ++p) seen.insert(simulationStreamIndex(k, g, p, 4, 5));
  EXPECT_EQ(seen.size(), 3u * 5u * 6u);
}

}  // namespace
}  // namespace kiwora
