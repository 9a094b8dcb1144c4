#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "spatial/geo_distance.h"
#include "stats/differentiation.h"
#include "stats/distances.h"
#include "frequency_fixture.h"
#include "support/full_distance_tables.h"

namespace kiwora {
namespace {

using testing::FreqFixture;

// Locus 1: codes 1, 2. Locus 2: code 0 against code 1.
FreqFixture threePops() {
  FreqFixture f(3, 2, 2);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{2, 1}}, 200);  // a large sample must not weigh more in the complement
  f.set(3, 1, {{1, .5}, {2, .5}});
  f.set(1, 2, {{0, 1}});
  f.set(2, 2, {{1, 1}});
  f.set(3, 2, {{1, 1}});
  return f;
}

struct DjOut {
  Table2<double> locPop;
  Vec1<double> pop, loc;
  double total = -1;
  bool ran = false;
};

DjOut runDj(const FreqFixture& f) {
  DjOut o;
  o.ran = Calc_Dj(f.v, f.freq, o.locPop, o.pop, o.loc, o.total);
  return o;
}

TEST(Dj, ComplementIsTheUnweightedMeanOfTheOthers) {
  const DjOut o = runDj(threePops());
  ASSERT_TRUE(o.ran);
  // Locus 1: complement of 1 = {1: .25, 2: .75} -> .75; of 2 = {1: .75, 2: .25} -> .75; of 3 = {.5, .5} -> 0.
  // Locus 2 (code 0 not counted): complement of 1 = {1: 1} -> .5; of 2 = {1: .5} -> .25; of 3 likewise .25.
  const double want[4][3] = {{}, {0, .75, .5}, {0, .75, .25}, {0, 0, .25}};
  for (int p = 1; p <= 3; ++p) {
    for (int l = 1; l <= 2; ++l) EXPECT_DOUBLE_EQ(o.locPop(p, l), want[p][l]) << p << "," << l;
    EXPECT_DOUBLE_EQ(o.pop[p], (want[p][1] + want[p][2]) / 2) << p;
  }
  EXPECT_DOUBLE_EQ(o.loc[1], 1.5 / 3);
  EXPECT_DOUBLE_EQ(o.loc[2], 1.0 / 3);
  EXPECT_DOUBLE_EQ(o.total, (.625 + .5 + .125) / 3);
}

TEST(Dj, TwoPopulationsGiveTheirGregoriusDistanceWithoutCodeZero) {
  FreqFixture f(2, 2, 3);
  f.set(1, 1, {{1, .7}, {2, .3}});
  f.set(2, 1, {{2, .4}, {3, .6}});
  f.set(1, 2, {{1, .2}, {3, .8}});
  f.set(2, 2, {{1, .5}, {3, .5}});
  const DjOut o = runDj(f);
  Table3<double> dg;
  Table2<double> dgMean;
  Calc_Dist_Gregorius(f.v, f.freq, dg, dgMean);
  EXPECT_DOUBLE_EQ(o.pop[1], dgMean(1, 2));
  EXPECT_DOUBLE_EQ(o.pop[2], dgMean(1, 2));
  EXPECT_DOUBLE_EQ(dgMean(1, 2), (.7 + .3) / 2);
}

TEST(Dj, FewerThanTwoPopulationsResetEverything) {
  FreqFixture f = threePops();
  DjOut o = runDj(f);
  ASSERT_GT(o.total, 0);
  f.popSel[2] = f.popSel[3] = 0;
  const bool ran = Calc_Dj(f.v, f.freq, o.locPop, o.pop, o.loc, o.total);
  EXPECT_FALSE(ran);
  EXPECT_EQ(o.total, 0);
  EXPECT_EQ(o.pop[1], 0);
  EXPECT_EQ(o.locPop(1, 1), 0);
  EXPECT_EQ(o.loc[1], 0);
}

// Populations on a line at x = 0, 1, 3, 4 (population 5 at x = -1, as far from 1 as 2 is).
Table2<double> lineDistances(const std::vector<double>& x) {
  const int n = static_cast<int>(x.size()) - 1;
  Table2<double> g(n, n);
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q) g(p, q) = std::fabs(x[p] - x[q]);
  return g;
}

// The rounding of two distances of a line whose coordinates reach `largest` (as Calc_Geo_Distances gives it).
double lineRounding(double largest) { return 16 * 0x1p-52 * largest; }

FreqFixture fivePops() {
  FreqFixture f(5, 1, 3);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{1, .5}, {2, .5}});
  f.set(3, 1, {{2, 1}});
  f.set(4, 1, {{3, 1}});
  f.set(5, 1, {{3, .5}, {1, .5}});
  return f;
}

TEST(DjNeighbours, NearestWithTiesToTheSmallerNumber) {
  FreqFixture f = fivePops();
  const Table2<double> g = lineDistances({0, 0, 1, 3, 4, -1});
  Table2<Cell> locPop;
  Vec1<Cell> pop;
  Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), 1, locPop, pop);
  // 1: populations 2 and 5 both at 1 -> 2 wins: .5 * (.5 + .5) = .5.
  // 2: 1 -> .5. 3: 4 (at 1) -> 1. 4: 3 -> 1. 5: 1 (at 1) -> .5.
  const double want[] = {0, .5, .5, 1, 1, .5};
  for (int p = 1; p <= 5; ++p) {
    ASSERT_TRUE(pop[p].has_value()) << p;
    EXPECT_DOUBLE_EQ(*pop[p], want[p]) << p;
    EXPECT_EQ(locPop(p, 1), pop[p]) << p;
  }

  // Two neighbours of 1: 2 and 5, complement {1: .5, 2: .25, 3: .25} -> .5.
  Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), 2, locPop, pop);
  EXPECT_DOUBLE_EQ(*pop[1], .5);
  // ... of 3: 4 (at 1) and 2 (at 2), complement {1: .25, 2: .25, 3: .5} -> .75.
  EXPECT_DOUBLE_EQ(*pop[3], .75);
}

// Distances equal in exact arithmetic are a tie however their doubles come out (0.5 - 0.3 against
// 0.3 - 0.1; 0.9 - 0.7 against 0.7 - 0.5): population 2 is the neighbour of population 1, as on the layout
// scaled by 10. Against 2, population 1's Dj is 0.5; against 3 it would be 1.
TEST(DjNeighbours, DistancesEqualInExactArithmeticAreATie) {
  FreqFixture f(3, 1, 2);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{1, .5}, {2, .5}});
  f.set(3, 1, {{2, 1}});
  const std::vector<double> layouts[] = {{0, .3, .5, .1}, {0, .7, .9, .5}};
  for (const auto& x : layouts)
    for (double scale : {1.0, 10.0}) {
      std::vector<double> scaled = x;
      for (double& v : scaled) v *= scale;
      Table2<Cell> locPop;
      Vec1<Cell> pop;
      Calc_Dj_Neighbours(f.v, f.freq, lineDistances(scaled), lineRounding(scale), 1, locPop, pop);
      ASSERT_TRUE(pop[1].has_value());
      EXPECT_DOUBLE_EQ(*pop[1], .5) << x[1] << " times " << scale;
    }
}

TEST(DjNeighbours, AsManyAsTheOthersEqualsDj) {
  FreqFixture f = fivePops();
  f.popSel[4] = 0;
  const Table2<double> g = lineDistances({0, 0, 1, 3, 4, -1});
  DjOut dj = runDj(f);
  for (int n : {3, 4, 9}) {
    Table2<Cell> locPop;
    Vec1<Cell> pop;
    Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), n, locPop, pop);
    for (int p : {1, 2, 3, 5}) {
      ASSERT_TRUE(locPop(p, 1).has_value());
      EXPECT_NEAR(*locPop(p, 1), dj.locPop(p, 1), 1e-15) << n << " " << p;
    }
    EXPECT_FALSE(pop[4].has_value());
  }
}

TEST(DjNeighbours, BelowOneCountsAsOne) {
  FreqFixture f = fivePops();
  const Table2<double> g = lineDistances({0, 0, 1, 3, 4, -1});
  Table2<Cell> one, other;
  Vec1<Cell> popOne, popOther;
  Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), 1, one, popOne);
  for (int n : {0, -3}) {
    Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), n, other, popOther);
    for (int p = 1; p <= 5; ++p) EXPECT_EQ(popOther[p], popOne[p]) << n << " " << p;
  }
}

TEST(DjNeighbours, OnlyFoundPopulationsAreNeighbours) {
  // Population 3's distances are undefined: it finds no neighbour, and neither population 0 nor the
  // neighbour chosen for the population before it is taken in their place.
  FreqFixture f = fivePops();
  f.popSel[4] = f.popSel[5] = 0;
  Table2<double> g = lineDistances({0, 0, 1, 3, 4, -1});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int q = 1; q <= 5; ++q) g(3, q) = nan;
  Table2<Cell> locPop;
  Vec1<Cell> pop;
  Calc_Dj_Neighbours(f.v, f.freq, g, lineRounding(4), 1, locPop, pop);
  EXPECT_FALSE(pop[3].has_value());
  EXPECT_FALSE(locPop(3, 1).has_value());
  EXPECT_DOUBLE_EQ(*pop[1], .5);  // 2 is nearer than 3

  // A single selected population has no neighbour at all.
  f.popSel[2] = f.popSel[3] = 0;
  Calc_Dj_Neighbours(f.v, f.freq, lineDistances({0, 0, 1, 3, 4, -1}), lineRounding(4), 3, locPop, pop);
  EXPECT_FALSE(pop[1].has_value());
}


// Pop_3 nearer than Pop_2 by 1.7e-5 (30000 against 30000.0000167) is the one neighbour, as it is when it is
// nearer by 1e-11 of the distance; at exactly the same distance the lower number wins. Against Pop_2
// (same allele) Pop_1's Dj is 0, against Pop_3 (the other allele) 1.
TEST(DjNeighbours, TheNearerNeighbourByAnyRealDifference) {
  FreqFixture f(3, 1, 2);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{1, 1}});
  f.set(3, 1, {{2, 1}});
  const struct { double x2, y2; double dj; } cases[] = {
      {30000, 1, 1}, {30000 * (1 + 1e-11), 0, 1}, {0, 30000, 0}, {30000, 0, 0},
  };
  for (const auto& c : cases) {
    Table2<double> g;
    const double rounding = Calc_Geo_Distances(3, {0, 0, c.x2, 30000}, {0, 0, c.y2, 0}, Coordinates::Plane, g);
    Table2<Cell> locPop;
    Vec1<Cell> pop;
    Calc_Dj_Neighbours(f.v, f.freq, g, rounding, 1, locPop, pop);
    ASSERT_TRUE(pop[1].has_value());
    EXPECT_DOUBLE_EQ(*pop[1], c.dj) << c.x2 << ", " << c.y2;
  }
}

}  // namespace
}  // namespace kiwora
