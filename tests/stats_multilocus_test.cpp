#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.h"
#include "stats/clustering.h"
#include "stats/multilocus.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;

std::vector<std::string> keys(const MultilocusGenotypes& m) {
  return std::vector<std::string>(m.MLGKey.begin() + 1, m.MLGKey.end());
}

TEST(Multilocus, GenotypesAreOrderedInPlace) {
  // Pop 1 selected, loci 1 and 2 selected; locus 3 and pop 2 keep their order.
  Fixture f(9, {{{{5, 3}, {2, -1}, {9, 1}}, {{4, 4}, {7, 6}, {8, 2}}}, {{{9, 1}, {3, 2}, {5, 4}}}});
  f.locSel[3] = 0;
  f.popSel[2] = 0;
  MultilocusGenotypes m;
  Calc_Multilocus_Genotypes(f.view(), false, m);
  const auto& d = f.data;
  EXPECT_EQ(std::pair(d.a1(1, 1, 1), d.a2(1, 1, 1)), std::pair(3, 5));
  EXPECT_EQ(std::pair(d.a1(1, 2, 1), d.a2(1, 2, 1)), std::pair(-1, 2));  // incomplete individuals too
  EXPECT_EQ(std::pair(d.a1(1, 2, 2), d.a2(1, 2, 2)), std::pair(6, 7));
  EXPECT_EQ(std::pair(d.a1(1, 3, 1), d.a2(1, 3, 1)), std::pair(9, 1));
  EXPECT_EQ(std::pair(d.a1(2, 1, 1), d.a2(2, 1, 1)), std::pair(9, 1));
  EXPECT_EQ(m.NIdentAll[1], 1);
  EXPECT_EQ(keys(m), std::vector<std::string>{"4467"});
}

TEST(Multilocus, SortedAndUnsortedOrders) {
  // In order of first appearance: (1,1)(2,2) -> "1122"; (10,1)(2,2) -> "11022"; (5,3)(1,1) -> "3511";
  // then (1,1)(2,2) again. As text "11022" comes before "1122".
  Fixture f(10, {{{{1, 1}, {2, 2}}, {{10, 1}, {2, 2}}}, {{{5, 3}, {1, 1}}, {{1, 1}, {2, 2}}}});
  struct Case {
    bool noSort;
    std::vector<std::string> order;
    std::vector<double> pop1, pop2;
  };
  const Case cases[] = {
      {true, {"1122", "11022", "3511"}, {0.5, 0.5, 0}, {0.5, 0, 0.5}},
      {false, {"11022", "1122", "3511"}, {0.5, 0.5, 0}, {0, 0.5, 0.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.noSort);
    Fixture copy = f;
    MultilocusGenotypes m;
    Calc_Multilocus_Genotypes(copy.view(), c.noSort, m);
    EXPECT_EQ(m.NMLGTypes, 3);
    EXPECT_EQ(keys(m), c.order);
    ASSERT_EQ(m.MLGFreq.n2(), 3);
    for (int t = 1; t <= 3; ++t) {
      EXPECT_DOUBLE_EQ(m.MLGFreq(1, t), c.pop1[static_cast<std::size_t>(t - 1)]);
      EXPECT_DOUBLE_EQ(m.MLGFreq(2, t), c.pop2[static_cast<std::size_t>(t - 1)]);
    }
  }
}

TEST(Multilocus, TypesAreIdentifiedByCodesNotLabels) {
  // A = (5,3)(1,1) = (3,5)(1,1); B = (1,12)(3,4) = (12,1)(4,3); C = (1,1)(2,34). B and C both print as
  // 11234 but are two types.
  Fixture f(34, {{{{5, 3}, {1, 1}}, {{1, 12}, {3, 4}}, {{1, 1}, {2, 34}}, {{12, 1}, {4, 3}}, {{3, 5}, {1, 1}}}});
  struct Case {
    bool noSort;
    std::vector<std::string> order;
    std::vector<double> freq;
  };
  const Case cases[] = {
      {true, {"3511", "11234", "11234"}, {0.4, 0.4, 0.2}},   // A, B, C
      {false, {"11234", "11234", "3511"}, {0.4, 0.2, 0.4}},  // B, C (equal labels stay in order), A
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.noSort);
    Fixture copy = f;
    MultilocusGenotypes m;
    Calc_Multilocus_Genotypes(copy.view(), c.noSort, m);
    EXPECT_EQ(m.NMLGTypes, 3);
    EXPECT_EQ(keys(m), c.order);
    for (int t = 1; t <= 3; ++t) EXPECT_DOUBLE_EQ(m.MLGFreq(1, t), c.freq[static_cast<std::size_t>(t - 1)]);
    EXPECT_EQ(m.MLGNTypes[1], 3);
  }
}

TEST(Multilocus, VariationPerPopulation) {
  // Pop 1: X X Y; pop 2: nobody typed at both loci; pop 3: unselected.
  Fixture f(3, {{{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}, {{1, 2}, {2, 2}}}, {{{1, -1}, {2, 2}}}, {{{1, 1}, {2, 2}}}});
  f.popSel[3] = 0;
  MultilocusGenotypes m;
  Calc_Multilocus_Genotypes(f.view(), false, m);
  EXPECT_EQ(m.NMLGTypes, 2);
  EXPECT_EQ(m.NIdentAll[1], 3);
  EXPECT_EQ(m.MLGNTypes[1], 2);
  EXPECT_NEAR(*m.MLGDiversity[1], 1 / (4.0 / 9 + 1.0 / 9), 1e-12);
  EXPECT_DOUBLE_EQ(m.MLGFreq(1, 1) + m.MLGFreq(1, 2), 1.0);
  EXPECT_EQ(m.NIdentAll[2], 0);
  EXPECT_EQ(m.MLGNTypes[2], 0);
  EXPECT_FALSE(m.MLGDiversity[2]);
  EXPECT_EQ(m.MLGFreq(2, 1), 0);
  EXPECT_EQ(m.NIdentAll[3], 0);
  EXPECT_FALSE(m.MLGDiversity[3]);
}

TEST(Multilocus, Distances) {
  // Types over one locus. Pop 1: X X Y; pop 2: X Z; pop 3: W; pop 4: nobody typed; pop 5 unselected.
  Fixture f(5, {{{{1, 1}}, {{1, 1}}, {{1, 2}}}, {{{1, 1}}, {{3, 3}}}, {{{4, 4}}}, {{{-1, 4}}}, {{{1, 1}}}});
  f.popSel[5] = 0;
  MultilocusGenotypes m;
  Calc_Multilocus_Genotypes(f.view(), false, m);
  Table2<Cell> d;
  Calc_Dist_Multilocus(f.view(), m, d);
  ASSERT_EQ(d.n1(), 5);
  EXPECT_EQ(d(1, 1), 0.0);
  EXPECT_NEAR(*d(1, 2), 0.5 * ((2.0 / 3 - 0.5) + 1.0 / 3 + 0.5), 1e-12);
  EXPECT_EQ(d(2, 1), d(1, 2));
  EXPECT_DOUBLE_EQ(*d(1, 3), 1.0);  // nothing in common
  EXPECT_DOUBLE_EQ(*d(2, 3), 1.0);
  for (int p = 1; p <= 5; ++p) {
    EXPECT_FALSE(d(4, p)) << p;  // a population without types has no distance
    EXPECT_FALSE(d(5, p)) << p;
  }
}

// No population shares a multilocus genotype with another, so every distance is 1 in exact arithmetic;
// the sums over the types run in the order of their labels, which the codes decide, and leave some of
// them a few units off 1. The chain joins in population order all the same, with codes small or in the
// millions and out of order.
TEST(Multilocus, ClusteringOfDistancesEqualInExactArithmeticFollowsPopulationOrder) {
  const int sizes[] = {3, 5, 7, 6, 9};
  bool offOne = false;
  for (bool large : {false, true}) {
    std::vector<testing::Population> pops;
    int code = 0;
    for (int n : sizes) {
      testing::Population pop;
      for (int j = 0; j < n; ++j) {
        ++code;
        const int c = large ? 10'000'000 - 333'331 * code : code;
        pop.push_back({{c, c}});
      }
      pops.push_back(pop);
    }
    Fixture f(large ? 10'000'000 : code, pops);
    MultilocusGenotypes m;
    Calc_Multilocus_Genotypes(f.view(), false, m);
    Table2<double> dist;
    Calc_Dist_Multilocus(f.view(), m, dist);
    for (int p = 1; p <= 5; ++p)
      for (int q = p + 1; q <= 5; ++q) offOne = offOne || std::bit_cast<std::uint64_t>(dist(p, q)) != std::bit_cast<std::uint64_t>(1.0);
    ClusterSteps c;
    ASSERT_TRUE(Cluster_Average_Chain(5, f.popSel, dist, c));
    ASSERT_EQ(c.NClusterSteps, 4);
    EXPECT_EQ(std::vector<int>(c.Step.begin() + 1, c.Step.end()), (std::vector<int>{1, 1, 2, 3, 4})) << large;
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(masked(c.Level[k], "0.0000"), "1.0000") << large << " step " << k;
  }
  EXPECT_TRUE(offOne) << "the fixture has distances that rounding moved off 1";
}

TEST(Multilocus, NoTypedIndividualAnywhere) {
  Fixture f(3, {{{{1, -1}}}, {{{-1, -1}}}});
  MultilocusGenotypes m;
  Calc_Multilocus_Genotypes(f.view(), false, m);
  EXPECT_EQ(m.NMLGTypes, 0);
  Table2<Cell> d;
  Calc_Dist_Multilocus(f.view(), m, d);
  for (int p1 = 1; p1 <= 2; ++p1)
    for (int p2 = 1; p2 <= 2; ++p2) EXPECT_FALSE(d(p1, p2));
}

}  // namespace
}  // namespace kiwora
