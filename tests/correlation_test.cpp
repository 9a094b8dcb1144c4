#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "spatial/geo_distance.h"
#include "stats/correlations.h"
#include "frequency_fixture.h"
#include "support/full_distance_tables.h"

namespace kiwora {
namespace {

using testing::FreqFixture;

// Populations at plane positions x (y = 0); DistDG at each locus from a function of the pair's distance.
struct CorrFixture {
  FreqFixture f;
  Table2<double> geo;
  Table3<double> dg;
  Vec1<double> djLoc;

  CorrFixture(const std::vector<double>& x, int nLoci) : f(static_cast<int>(x.size()) - 1, nLoci, 2) {
    const int n = f.v.nPop;
    Calc_Geo_Distances(n, x, makeVec1<double>(n), Coordinates::Plane, geo);
    dg.resize(n, n, nLoci);
    djLoc = makeVec1<double>(nLoci, .1);
  }
  template <class Fn>
  void locus(int l, Fn fn) {
    for (int p = 1; p <= f.v.nPop; ++p)
      for (int q = 1; q <= f.v.nPop; ++q) dg(p, q, l) = p == q ? 0 : fn(geo(p, q), p, q);
  }
  Vec1<Cell> run() const {
    Vec1<Cell> r;
    Corr_Locus_GeoDist(f.v, djLoc, dg, geo, r);
    return r;
  }
};

TEST(LocusCorrelation, CoefficientsAndEmptyCells) {
  // Pairs (1,2), (1,3), (2,3) at 1, 3, 2; population 4 is unselected and far away.
  CorrFixture c({0, 0, 1, 3, 50}, 6);
  c.f.popSel[4] = 0;
  c.locus(1, [](double g, int, int) { return .1 * g; });        // rising linearly: r = 1
  c.locus(2, [](double g, int, int) { return .9 - .2 * g; });   // falling linearly: r = -1
  // D = .2, .4, .1 against G = 1, 3, 2: Sxy = .2, Sgg = 2, Sdd = 7/150, r = sqrt(3/7).
  c.locus(3, [](double g, int, int) { return g == 1 ? .2 : g == 3 ? .4 : .1; });
  c.locus(4, [](double g, int, int) { return .1 * g; });
  c.djLoc[4] = 0;                                               // no differentiation: skipped
  c.locus(5, [](double, int, int) { return .3; });              // no spread: undefined
  c.locus(6, [](double g, int, int) { return .1 * g; });
  c.f.locSel[6] = 0;
  // Unselected population 4 would spoil the straight lines if it entered.
  for (int l = 1; l <= 3; ++l)
    for (int p = 1; p <= 3; ++p) c.dg(p, 4, l) = c.dg(4, p, l) = .05;

  const Vec1<Cell> r = c.run();
  ASSERT_TRUE(r[1] && r[2] && r[3]);
  EXPECT_NEAR(*r[1], 1, 1e-12);
  EXPECT_NEAR(*r[2], -1, 1e-12);
  EXPECT_NEAR(*r[3], std::sqrt(3.0 / 7), 1e-12);
  EXPECT_FALSE(r[4].has_value());
  EXPECT_FALSE(r[5].has_value());
  EXPECT_FALSE(r[6].has_value());
}

TEST(LocusCorrelation, NoCorrelationWithOnePairOrOnePlace) {
  CorrFixture two({0, 0, 1}, 1);
  two.locus(1, [](double g, int, int) { return .1 * g; });
  EXPECT_FALSE(two.run()[1].has_value());

  CorrFixture samePlace({0, 5, 5, 5}, 1);
  samePlace.locus(1, [](double, int p, int q) { return .1 * (p + q); });
  EXPECT_FALSE(samePlace.run()[1].has_value());
}

// Distances of 1 in exact arithmetic, as summed frequencies leave them: a few units in the last place apart.
const double kOneBelow = std::nextafter(1.0, 0.0), kOneAbove = std::nextafter(1.0, 2.0);

TEST(Pearson, NoCorrelationWithoutVariationBeyondRounding) {
  const struct {
    const char* what;
    std::vector<double> x, y;
    Cell r;
  } cases[] = {
      {"rising exactly", {1, 2, 3}, {10, 20, 30}, 1.0},
      {"falling exactly", {1, 2, 3}, {.3, .2, .1}, -1.0},
      {"x one value up to rounding", {1, kOneBelow, kOneAbove, 1}, {4, 3, 5, 6}, std::nullopt},
      {"y one value up to rounding", {4, 3, 5}, {.1 + .2, .3, .3}, std::nullopt},
      {"both one value", {kOneBelow, 1, kOneAbove}, {kOneAbove, kOneBelow, 1}, std::nullopt},
      {"a small spread is still a spread", {1, 1 + 1e-6, 1 + 2e-6}, {3, 2, 1}, -1.0},
      {"large values equal up to rounding", {1e6, 1e6 + 1e-7, 1e6}, {1, 2, 3}, std::nullopt},
      {"one pair", {.5}, {2}, std::nullopt},
      {"no pair", {}, {}, std::nullopt},
      {"lengths differ", {1, 2, 3}, {1, 2}, std::nullopt},
  };
  for (const auto& c : cases) {
    const Cell r = pearson(c.x, c.y);
    ASSERT_EQ(r.has_value(), c.r.has_value()) << c.what;
    if (r) {
      EXPECT_NEAR(*r, *c.r, 1e-9) << c.what;
    }
  }
}

TEST(LocusCorrelation, RoundingNoiseIsNeitherSpreadNorDifferentiation) {
  // Pairs (1,2), (1,3), (2,3) at 1, 3, 2.
  CorrFixture c({0, 0, 1, 3}, 3);
  // Populations that share no allele: every distance 1, summed to either side of it.
  c.locus(1, [](double, int p, int q) { return p + q == 3 ? 1.0 : p + q == 4 ? kOneBelow : kOneAbove; });
  c.locus(2, [](double g, int, int) { return .1 * g; });
  c.djLoc[2] = 1e-17;  // differentiation that rounding alone made
  c.locus(3, [](double g, int, int) { return .1 * g; });
  const Vec1<Cell> r = c.run();
  EXPECT_FALSE(r[1].has_value());
  EXPECT_FALSE(r[2].has_value());
  ASSERT_TRUE(r[3].has_value());
  EXPECT_NEAR(*r[3], 1, 1e-12);

  // Populations equally far apart: their distances are one value however their last bits fall.
  CorrFixture equal({0, 0, 1, 2}, 1);
  equal.geo(1, 2) = equal.geo(2, 1) = 1;
  equal.geo(1, 3) = equal.geo(3, 1) = kOneBelow;
  equal.geo(2, 3) = equal.geo(3, 2) = kOneAbove;
  equal.locus(1, [](double, int p, int q) { return .1 * (p + q); });
  EXPECT_FALSE(equal.run()[1].has_value());
}

}  // namespace
}  // namespace kiwora
