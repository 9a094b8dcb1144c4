#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "stats/distances.h"
#include "files/matrix_print.h"
#include "frequency_fixture.h"
#include "support/full_distance_tables.h"

namespace kiwora {
namespace {

using testing::FreqFixture;

// Three populations, two loci, codes 0..2 (code 0 present at locus 2), one spare code 3.
FreqFixture threePops() {
  FreqFixture f(3, 2, 3);
  f.set(1, 1, {{1, .5}, {2, .5}});
  f.set(2, 1, {{1, 1}});
  f.set(3, 1, {{2, 1}});
  f.set(1, 2, {{0, .5}, {1, .5}});
  f.set(2, 2, {{0, .5}, {1, .5}});
  f.set(3, 2, {{2, 1}});
  return f;
}

TEST(GregoriusDistance, PerLocusAndGenePool) {
  FreqFixture f = threePops();
  Table3<double> dg;
  Table2<double> mean;
  ASSERT_TRUE(Calc_Dist_Gregorius(f.v, f.freq, dg, mean));
  // Hand computed: half the absolute differences, code 0 included; gene pool = plain mean over loci.
  const struct { int p, q; double l1, l2; } cases[] = {
      {1, 1, 0, 0}, {1, 2, .5, 0}, {1, 3, .5, 1}, {2, 3, 1, 1},
  };
  for (const auto& c : cases) {
    for (auto [p, q] : {std::pair{c.p, c.q}, std::pair{c.q, c.p}}) {
      EXPECT_DOUBLE_EQ(dg(p, q, 1), c.l1) << p << "," << q;
      EXPECT_DOUBLE_EQ(dg(p, q, 2), c.l2) << p << "," << q;
      EXPECT_DOUBLE_EQ(mean(p, q), (c.l1 + c.l2) / 2) << p << "," << q;
    }
  }
}

TEST(GregoriusDistance, CapAboveOneAndCodesOutsideTheRange) {
  FreqFixture f(2, 2, 3);
  // Frequencies summing above 1 give a raw sum of 1.1: stored as 1; code maxAllele+1 is never read.
  f.set(1, 1, {{1, 1}, {4, .9}});
  f.set(2, 1, {{2, .6}, {3, .6}});
  f.set(1, 2, {{1, .5}, {2, .5}});
  f.set(2, 2, {{1, .5}, {2, .5}, {4, .7}});
  Table3<double> dg;
  Table2<double> mean;
  Calc_Dist_Gregorius(f.v, f.freq, dg, mean);
  EXPECT_DOUBLE_EQ(dg(1, 2, 1), 1);
  EXPECT_DOUBLE_EQ(dg(1, 2, 2), 0);
  EXPECT_DOUBLE_EQ(mean(1, 2), .5);
}

TEST(GregoriusDistance, SelectionAndMissingData) {
  FreqFixture f = threePops();
  f.set(3, 1, {}, 0);  // no gene copy of population 3 at locus 1
  f.popSel[2] = 0;
  Table3<double> dg;
  Table2<double> mean;
  Calc_Dist_Gregorius(f.v, f.freq, dg, mean);
  EXPECT_DOUBLE_EQ(dg(1, 3, 1), .5);  // against all-zero frequencies: half the other's sum
  EXPECT_DOUBLE_EQ(mean(1, 3), .75);
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(mean(2, p), 0);
    EXPECT_EQ(mean(p, 2), 0);
  }
  EXPECT_EQ(dg(1, 2, 1), 0);  // unselected population: never written (would be .5)

  f.popSel[2] = 1;
  f.locSel[1] = 0;
  Calc_Dist_Gregorius(f.v, f.freq, dg, mean);
  EXPECT_EQ(dg(2, 3, 1), 0);            // unselected locus: never written
  EXPECT_DOUBLE_EQ(mean(2, 3), 1);      // the mean divides by the one selected locus

  f.locSel[2] = 0;
  EXPECT_FALSE(Calc_Dist_Gregorius(f.v, f.freq, dg, mean));
  EXPECT_EQ(mean(2, 3), 0);
}

TEST(NeiDistance, PerLocusUndefinedCellsAndGenePool) {
  FreqFixture f = threePops();
  Table3<Cell> dn;
  Table2<Cell> mean;
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dn, mean);
  // Locus 1, (1,2): Jxy = .5, Jx = .5, Jy = 1 -> -ln(.5 / sqrt(.5)) = ln 2 / 2.
  const double half = std::log(2.0) / 2;
  const struct { int p, q; Cell l1, l2, pool; } cases[] = {
      {1, 1, 0.0, 0.0, 0.0},
      {1, 2, half, 0.0, std::log(1.5) / 2},                   // sums 1, 1, 1.5
      {1, 3, half, std::nullopt, std::log(2 * std::sqrt(2.0))},  // sums .5, 1, 2
      {2, 3, std::nullopt, std::nullopt, std::nullopt},        // no shared allele anywhere
  };
  for (const auto& c : cases)
    for (auto [p, q] : {std::pair{c.p, c.q}, std::pair{c.q, c.p}}) {
      for (auto [got, want] : {std::pair{dn(p, q, 1), c.l1}, std::pair{dn(p, q, 2), c.l2}, std::pair{mean(p, q), c.pool}}) {
        ASSERT_EQ(got.has_value(), want.has_value()) << p << "," << q;
        if (want) {
          EXPECT_NEAR(*got, *want, 1e-12) << p << "," << q;
        }
      }
    }
}

TEST(NeiDistance, LocusWithoutGenesIsSkippedForThePair) {
  FreqFixture f = threePops();
  f.set(2, 2, {}, 0);
  Table3<Cell> dn;
  Table2<Cell> mean;
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dn, mean);
  EXPECT_FALSE(dn(1, 2, 2).has_value());
  EXPECT_FALSE(dn(2, 2, 2).has_value());
  // Only locus 1 counts for (1,2): the gene pool equals the locus-1 distance.
  ASSERT_TRUE(mean(1, 2).has_value());
  EXPECT_NEAR(*mean(1, 2), std::log(2.0) / 2, 1e-12);
  // A population without any usable locus has an undefined diagonal.
  f.set(2, 1, {}, 0);
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dn, mean);
  EXPECT_FALSE(mean(2, 2).has_value());
  EXPECT_FALSE(mean(1, 2).has_value());
  EXPECT_EQ(mean(1, 1), Cell{0.0});
}

// Random genotypes without missing data; the distances from their frequencies are checked against
// textbook formulas computed straight from the allele counts.
TEST(DistancesAgainstIndependentFormulas, NeiStandardAndPrevosti) {
  const int nPop = 5, nLoci = 4, maxAllele = 6, nInd = 30;
  std::mt19937 rng(7);
  // counts[p][l][allele]
  std::vector<std::vector<std::map<int, int>>> counts(nPop + 1, std::vector<std::map<int, int>>(nLoci + 1));
  for (int p = 1; p <= nPop; ++p)
    for (int l = 1; l <= nLoci; ++l) {
      // Each population draws from its own skewed subset of codes 0..maxAllele.
      std::uniform_int_distribution<int> lo(0, 2), width(1, 4);
      const int a0 = lo(rng), a1 = std::min(maxAllele, a0 + width(rng));
      std::uniform_int_distribution<int> code(a0, a1);
      for (int j = 0; j < 2 * nInd; ++j) ++counts[p][l][code(rng)];
    }
  FreqFixture f(nPop, nLoci, maxAllele);
  for (int p = 1; p <= nPop; ++p)
    for (int l = 1; l <= nLoci; ++l) {
      for (auto [a, c] : counts[p][l]) f.freq.write(p, l)[a] = c / (2.0 * nInd);
      f.geneCount(p, l) = 2 * nInd;
    }
  Table3<double> dg;
  Table2<double> dgMean;
  Table3<Cell> dn;
  Table2<Cell> dnMean;
  Calc_Dist_Gregorius(f.v, f.freq, dg, dgMean);
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dn, dnMean);

  for (int x = 1; x <= nPop; ++x)
    for (int y = 1; y <= nPop; ++y) {
      double prevosti = 0, jxy = 0, jx = 0, jy = 0;
      for (int l = 1; l <= nLoci; ++l) {
        std::set<int> codes;
        for (auto [a, c] : counts[x][l]) codes.insert(a);
        for (auto [a, c] : counts[y][l]) codes.insert(a);
        for (int a : codes) {
          const double px = counts[x][l].count(a) ? counts[x][l].at(a) / (2.0 * nInd) : 0;
          const double py = counts[y][l].count(a) ? counts[y][l].at(a) / (2.0 * nInd) : 0;
          prevosti += std::fabs(px - py);
          jxy += px * py;
          jx += px * px;
          jy += py * py;
        }
      }
      prevosti /= 2.0 * nLoci;  // Prevosti: sum over loci and alleles of |p - q| / 2r
      jxy /= nLoci;             // Nei 1972: arithmetic means of the J's over loci
      jx /= nLoci;
      jy /= nLoci;
      EXPECT_NEAR(dgMean(x, y), prevosti, 1e-12) << x << "," << y;
      if (jxy > 0) {
        ASSERT_TRUE(dnMean(x, y).has_value()) << x << "," << y;
        EXPECT_NEAR(*dnMean(x, y), -std::log(jxy / std::sqrt(jx * jy)), 1e-12) << x << "," << y;
      } else {
        EXPECT_FALSE(dnMean(x, y).has_value()) << x << "," << y;
      }
    }
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

// The per-locus distances kept as compact work and worked out when read give every cell, and every
// printed matrix, the full tables give: selected pairs, pairs with a left-out population or locus, and a
// Nei cell left undefined by a population without gene copies at the locus.
TEST(LocusDistances, ReadLikeTheFullTables) {
  FreqFixture f(5, 3, 4);
  const std::vector<std::vector<std::pair<int, double>>> patterns = {
      {{1, .5}, {2, .5}}, {{1, 1}}, {{2, .25}, {3, .75}}, {{0, .5}, {4, .5}}, {{3, 1}}};
  for (int p = 1; p <= 5; ++p)
    for (int l = 1; l <= 3; ++l) {
      for (int a = 0; a <= 5; ++a) f.freq.write(p, l)[a] = 0;
      for (auto [a, x] : patterns[static_cast<std::size_t>((p + l) % 5)]) f.freq.write(p, l)[a] = x;
      f.geneCount(p, l) = 20;
    }
  f.geneCount(2, 3) = 0;  // no gene copy: Nei undefined for its pairs at locus 3
  f.popSel[4] = 0;
  f.locSel[2] = 0;

  Table3<double> dgFull;
  Table3<Cell> dnFull;
  Table2<double> dgMeanFull, dgMean;
  Table2<Cell> dnMeanFull, dnMean;
  Calc_Dist_Gregorius(f.v, f.freq, dgFull, dgMeanFull);
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dnFull, dnMeanFull);
  GregoriusByLocus dg;
  NeiByLocus dn;
  ASSERT_TRUE(Calc_Dist_Gregorius(f.v, f.freq, dg, dgMean));
  Calc_Dist_Nei(f.v, f.freq, f.geneCount, dn, dnMean);

  EXPECT_FALSE(dn(2, 3, 3).has_value());  // though code 1 is shared
  EXPECT_TRUE(dn(3, 3, 3).has_value());
  for (int p = 0; p <= 5; ++p)
    for (int q = 0; q <= 5; ++q) {
      EXPECT_EQ(dgMean(p, q), dgMeanFull(p, q)) << p << "," << q;
      EXPECT_EQ(dnMean(p, q), dnMeanFull(p, q)) << p << "," << q;
      for (int l = 0; l <= 3; ++l) {
        EXPECT_EQ(dg(p, q, l), dgFull(p, q, l)) << p << "," << q << "," << l;
        EXPECT_EQ(dn(p, q, l), dnFull(p, q, l)) << p << "," << q << "," << l;
      }
    }
  // Printed for the selection they were built on (rows straight from the work) and for another one
  // (cell by cell): the same text as from the full tables.
  for (bool other : {false, true}) {
    Vec1<int> sel = f.popSel;
    if (other) sel[1] = 0;
    for (int l : {1, 3}) {
      LineWriter a, b, c, d;
      Print_Pop_Matrix_Locus(a, 5, sel, dg, l);
      Print_Pop_Matrix_Locus(b, 5, sel, dgFull, l);
      Print_Pop_Matrix_Locus(c, 5, sel, dn, l);
      Print_Pop_Matrix_Locus(d, 5, sel, dnFull, l);
      EXPECT_EQ(a.str(), b.str());
      EXPECT_EQ(c.str(), d.str());
      EXPECT_NE(c.str().find("------"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kiwora
