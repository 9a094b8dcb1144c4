// The test among all populations: the reallocation of individuals, the columns it compares, the shares
// with their tie rule, and the report rows.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "files/text_writer.h"
#include "permutation/among_report.h"
#include "permutation/among_resampling.h"
#include "permutation/among_permutation.h"
#include "stats/population_copy.h"
#include "base/worker_pool.h"
#include "stats/allele_stats.h"
#include "stats/differentiation.h"
#include "stats/fixation.h"
#include "stats/variation_stats.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::Individual;
using testing::Population;

Population repeated(const Individual& ind, int n) { return Population(static_cast<std::size_t>(n), ind); }

std::multiset<std::vector<int>> individuals(const GenotypeData& g) {
  std::multiset<std::vector<int>> s;
  for (int p = 1; p <= g.nPop(); ++p)
    for (int j = 1; j <= g.nInd(p); ++j) {
      std::vector<int> v;
      for (int l = 1; l <= g.nLoci(); ++l) v.insert(v.end(), {g.a1(p, l, j), g.a2(p, l, j)});
      s.insert(v);
    }
  return s;
}

TEST(AmongResampling, WholeIndividualsMoveAndSizesStay) {
  Fixture f(9, {{{{1, 2}, {3, -1}}, {{4, 5}, {6, 7}}}, {{{8, 9}, {1, 1}}}, {{{2, 2}, {3, 3}}, {{4, 4}, {5, 5}}, {{6, 6}, {7, 7}}}});
  bool moved = false;
  const PooledSample pool = poolOfAllPopulations(f.data, f.locSel);
  for (int k = 1; k <= 30; ++k) {
    Random rng = Random::stream(5, static_cast<std::uint64_t>(k));
    GenotypeData out;
    DealScratch scratch;
    Permute_Individuals_All_Pops(pool, populationSizes(f.data), rng, out, scratch);
    for (int p = 1; p <= 3; ++p) ASSERT_EQ(out.nInd(p), f.data.nInd(p));
    EXPECT_EQ(individuals(out), individuals(f.data));
    moved |= out.a1(2, 1, 1) != 8;
  }
  EXPECT_TRUE(moved);
}

TEST(AmongTest, ObservedColumnsAreTheAnalysisValuesOfTheSelectedPopulations) {
  Fixture f(4, {{{{1, 1}, {1, 2}}, {{1, 2}, {2, 2}}, {{2, 2}, {3, 4}}},
                {{{3, 3}, {1, 1}}, {{3, 4}, {1, 2}}},
                {{{4, 4}, {4, 4}}, {{1, 4}, {4, 4}}},
                {{{1, 3}, {2, 3}}, {{2, 4}, {2, 2}}, {{1, 1}, {3, 3}}}});
  f.popSel[3] = 0;
  f.locSel[1] = 0;
  // What the analysis computes on the data set with population 3 left out.
  AlleleStats a;
  VariationStats v;
  Table2<double> djLocPop;
  Vec1<double> djPop, djLoc;
  double djTotal = 0;
  Cell fstTotal, fstNTotal;
  Vec1<Cell> fstLoc, fstNLoc;
  Calc_Allele_Freq(f.view(), false, a);
  Calc_Heterozygosity(f.view(), a, v);
  Calc_Dj(f.view(), a.AlleleFreq, djLocPop, djPop, djLoc, djTotal);
  Calc_Fst(f.view(), a.AlleleFreq, v.He, fstLoc, fstTotal, fstNLoc, fstNTotal);

  const GenotypeData own = copyOfPopulations(f.data, selectedPopulations(f.popSel, 4));
  const AmongTestResult r = Test_Among_Populations(own, 4, f.locSel, 5, false, 1);
  ASSERT_EQ(r.loci, std::vector<int>{2});
  const std::vector<Cell> expected = {djLoc[2], djTotal, fstLoc[2], fstTotal, fstNLoc[2], fstNTotal};
  EXPECT_EQ(r.observed, expected);
}

TEST(AmongTest, SharesCountTiesOnBothSides) {
  // Locus 1: two populations of 20 fixed for different alleles; locus 2: the same allele everywhere.
  Fixture f(2, {repeated({{1, 1}, {1, 1}}, 20), repeated({{2, 2}, {1, 1}}, 20)});
  const AmongTestResult r = Test_Among_Populations(f.data, 2, f.locSel, 200, false, 7);
  // Columns: Dj(1) Dj(2) Dj_T Fst(1) Fst(2) Fst_G FstN(1) FstN(2) FstN_G.
  const std::vector<Cell> observed = {1.0, 0.0, 0.5, 1.0, 0.0, 0.5, 1.0, 0.0, 0.5};
  EXPECT_EQ(r.observed, observed);
  for (std::size_t c : {0u, 2u, 3u, 5u, 6u, 8u}) {
    EXPECT_EQ(r.shareAtLeast[c], 0.0) << c;
    EXPECT_EQ(r.shareAtMost[c], 1.0) << c;
  }
  // A value that never changes is as large and as small as observed in every permutation.
  for (std::size_t c : {1u, 4u, 7u}) {
    EXPECT_EQ(r.shareAtLeast[c], 1.0) << c;
    EXPECT_EQ(r.shareAtMost[c], 1.0) << c;
  }
}

TEST(AmongTest, UndefinedFstTakesNoPartAndPrintsADash) {
  // Locus 2 has data in population 1 only: no comparison, so its Fst and standardised Fst are undefined.
  Fixture f(3, {{{{1, 1}, {1, 2}}, {{1, 2}, {2, 2}}}, {{{2, 2}, {-1, -1}}, {{2, 3}, {-1, -1}}}});
  const AmongTestResult r = Test_Among_Populations(f.data, 3, f.locSel, 20, false, 3);
  for (std::size_t c : {4u, 7u}) {
    ASSERT_FALSE(r.observed[c]) << c;
    EXPECT_FALSE(r.shareAtLeast[c]) << c;
    EXPECT_FALSE(r.shareAtMost[c]) << c;
  }
  LineWriter out;
  Vec1<std::string> names = {"", "A", "B"};
  printAmongTestReport(out, r, names);
  const std::string text = out.str();
  EXPECT_NE(text.find("Per, Dj(A), Dj(B), Dj_T, Fst(A), Fst(B), Fst_G, Fst_N(A), Fst_N(B), Fst_GN\r\n1;"), std::string::npos);
  const std::size_t below = text.find("\r\nP<O;");
  const std::size_t above = text.find("\r\nP>O;");
  ASSERT_NE(below, std::string::npos);
  ASSERT_NE(above, std::string::npos);
  // A dash where the Fst and the standardised Fst of locus B stand, numbers everywhere else.
  for (std::size_t at : {below, above}) {
    std::vector<std::string> fields;
    std::string row = text.substr(at + 2, text.find("\r\n", at + 2) - at - 2) + ";";
    for (std::size_t from = 0, to; (to = row.find(';', from)) != std::string::npos; from = to + 1)
      fields.push_back(row.substr(from, to - from));
    ASSERT_EQ(fields.size(), 10u) << row;
    for (std::size_t i = 1; i < fields.size(); ++i) EXPECT_EQ(fields[i] == "-", i == 5 || i == 8) << row;
  }
}

TEST(AmongTest, SameRowsWithOneOrEightThreads) {
  Fixture f(4, {{{{1, 2}, {3, 3}}, {{2, 2}, {3, 4}}, {{1, 1}, {4, 4}}},
                {{{3, 4}, {1, 1}}, {{4, 4}, {1, 2}}, {{2, 3}, {2, 2}}},
                {{{1, 4}, {2, 3}}, {{1, 1}, {3, 3}}}});
  setWorkerThreads(1);
  const AmongTestResult one = Test_Among_Populations(f.data, 4, f.locSel, 150, false, 12);
  setWorkerThreads(8);
  const AmongTestResult eight = Test_Among_Populations(f.data, 4, f.locSel, 150, false, 12);
  setWorkerThreads(0);
  EXPECT_EQ(one.permuted, eight.permuted);
  EXPECT_EQ(one.shareAtLeast, eight.shareAtLeast);
}

}  // namespace
}  // namespace kiwora
