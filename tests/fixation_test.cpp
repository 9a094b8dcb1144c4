#include <gtest/gtest.h>

#include <vector>

#include "stats/fixation.h"
#include "frequency_fixture.h"

namespace kiwora {
namespace {

using testing::FreqFixture;
using Freqs = std::initializer_list<std::pair<int, double>>;

struct FstOut {
  Vec1<Cell> loc;
  Vec1<Cell> locN;
  Cell total, totalN;
  bool ran = false;
};

FstOut runFst(const FreqFixture& f) {
  FstOut o;
  o.ran = Calc_Fst(f.v, f.freq, f.he(), o.loc, o.total, o.locN, o.totalN);
  return o;
}

TEST(Fst, PerLocusAndStandardised) {
  // Ht from the mean frequencies of codes 1..8, Hs the mean He (code 0 included), by hand.
  const struct { const char* name; Freqs a, b; double fst, fstN; } cases[] = {
      // Ht .5, Hs 0, Fst_max 1.
      {"fixed for different alleles", {{1, 1}}, {{2, 1}}, 1, 1},
      {"identical", {{1, .3}, {2, .7}}, {{1, .3}, {2, .7}}, 0, 0},
      // Ht 0: the guard.
      {"fixed for the same allele", {{3, 1}}, {{3, 1}}, 0, 0},
      // Hs .5, Ht .75: Fst 1/3; Fst_max = .5 / 1.5 = 1/3.
      {"code 0 enters Hs only", {{0, .5}, {1, .5}}, {{0, .5}, {1, .5}}, 1.0 / 3, 1},
      // Hs .75, Ht 1 - 8 / 64 = .875: Fst 1/7; Fst_max = .25 / 1.75 = 1/7.
      {"many alleles", {{1, .25}, {2, .25}, {3, .25}, {4, .25}}, {{5, .25}, {6, .25}, {7, .25}, {8, .25}}, 1.0 / 7, 1},
  };
  for (const auto& c : cases) {
    FreqFixture f(2, 1, 8);
    f.set(1, 1, c.a);
    f.set(2, 1, c.b);
    const FstOut o = runFst(f);
    ASSERT_TRUE(o.ran);
    ASSERT_TRUE(o.loc[1].has_value()) << c.name;
    EXPECT_NEAR(*o.loc[1], c.fst, 1e-12) << c.name;
    ASSERT_TRUE(o.locN[1].has_value()) << c.name;
    EXPECT_NEAR(*o.locN[1], c.fstN, 1e-12) << c.name;
  }
}

TEST(Fst, ThreePopulationsAndMeansOverLoci) {
  FreqFixture f(4, 3, 2);
  // Locus 1: Hs = (0 + 0 + .5) / 3 = 1/6, means {1: .5, 2: .5}, Ht .5: Fst 2/3;
  // Fst_max = 2 (5/6) / (2 + 1/6) = 10/13, standardised 13/15.
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{2, 1}});
  f.set(3, 1, {{1, .5}, {2, .5}});
  f.set(4, 1, {{1, 1}});  // not selected: would change every value
  // Locus 2: all identical: 0, 0. Locus 3: not selected.
  for (int p = 1; p <= 4; ++p) f.set(p, 2, {{1, .5}, {2, .5}});
  for (int p = 1; p <= 4; ++p) f.set(p, 3, {{p % 2 + 1, 1}});
  f.popSel[4] = 0;
  f.locSel[3] = 0;
  const FstOut o = runFst(f);
  EXPECT_NEAR(*o.loc[1], 2.0 / 3, 1e-12);
  EXPECT_NEAR(*o.locN[1], 13.0 / 15, 1e-12);
  EXPECT_NEAR(*o.loc[2], 0, 1e-12);
  EXPECT_FALSE(o.loc[3].has_value());  // not selected
  EXPECT_FALSE(o.locN[3].has_value());
  EXPECT_NEAR(*o.total, (2.0 / 3) / 2, 1e-12);
  EXPECT_NEAR(*o.totalN, (13.0 / 15) / 2, 1e-12);
}

TEST(Fst, ALocusWithoutDataAndTooFewPopulations) {
  FreqFixture f(2, 2, 2);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{2, 1}});
  f.set(1, 2, {}, 0);  // no gene copy anywhere: no He, nothing to compare, out of both means
  f.set(2, 2, {}, 0);
  FstOut o = runFst(f);
  EXPECT_FALSE(o.loc[2].has_value());  // printed as dashes, not as a made-up 0
  EXPECT_FALSE(o.locN[2].has_value());
  EXPECT_NEAR(*o.total, 1, 1e-12);
  ASSERT_TRUE(o.totalN.has_value());
  EXPECT_NEAR(*o.totalN, 1, 1e-12);

  f.popSel[2] = 0;
  o = runFst(f);
  EXPECT_FALSE(o.ran);
  EXPECT_FALSE(o.total.has_value());
  EXPECT_FALSE(o.loc[1].has_value());
}

TEST(Fst, APopulationWithoutDataAtALocusStaysOutOfIt) {
  // Locus 1: populations 1 and 2 fixed for different alleles, population 3 untyped there.
  // Pooling only the two typed ones gives Ht .5, Hs 0, Fst 1; counting the untyped one as a
  // population of zero frequencies would give a made-up Ht and Hs.
  FreqFixture f(3, 1, 2);
  f.set(1, 1, {{1, 1}});
  f.set(2, 1, {{2, 1}});
  f.geneCount(3, 1) = 0;
  const FstOut o = runFst(f);
  ASSERT_TRUE(o.ran);
  EXPECT_DOUBLE_EQ(*o.loc[1], 1);
  ASSERT_TRUE(o.locN[1]);
  EXPECT_DOUBLE_EQ(*o.locN[1], 1);
  EXPECT_DOUBLE_EQ(*o.total, 1);

  // A second locus typed in population 1 only compares nothing: it stays out of both means.
  FreqFixture g(3, 2, 2);
  g.set(1, 1, {{1, 1}});
  g.set(2, 1, {{2, 1}});
  g.set(1, 2, {{1, 0.5}, {2, 0.5}});
  g.geneCount(3, 1) = g.geneCount(2, 2) = g.geneCount(3, 2) = 0;
  const FstOut two = runFst(g);
  EXPECT_DOUBLE_EQ(*two.total, 1);
  ASSERT_TRUE(two.totalN);
  EXPECT_DOUBLE_EQ(*two.totalN, 1);
  EXPECT_FALSE(two.locN[2]);
  EXPECT_FALSE(two.loc[2]);
}

}  // namespace
}  // namespace kiwora
