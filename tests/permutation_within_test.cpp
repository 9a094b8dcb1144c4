// The test within one population: its resampling, the probabilities with their tie rule, and the
// observed values it computes for itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "files/text_writer.h"
#include "permutation/within_report.h"
#include "permutation/within_resampling.h"
#include "permutation/within_permutation.h"
#include "base/worker_pool.h"
#include "stats/allele_stats.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::Individual;
using testing::Population;

// A one-locus population from genotype counts.
Population ofCounts(const std::vector<std::pair<std::pair<int, int>, int>>& counts) {
  Population pop;
  for (const auto& [gt, n] : counts)
    for (int k = 0; k < n; ++k) pop.push_back({gt});
  return pop;
}

std::multiset<int> copies(const GenotypeData& g, int p, int l) {
  std::multiset<int> s;
  for (int j = 1; j <= g.nInd(p); ++j) s.insert({g.a1(p, l, j), g.a2(p, l, j)});
  return s;
}
std::multiset<std::pair<int, int>> genotypes(const GenotypeData& g, int p, int l) {
  std::multiset<std::pair<int, int>> s;
  for (int j = 1; j <= g.nInd(p); ++j) s.insert({g.a1(p, l, j), g.a2(p, l, j)});
  return s;
}

TEST(WithinResampling, AllelesAreDealtOnceEachAndGenotypesMoveWhole) {
  // Population 2 is tested; locus 3 is not selected. A missing copy moves like any code.
  Fixture f(9, {{{{1, 1}, {1, 1}, {1, 1}}},
                {{{1, 2}, {3, 4}, {5, 5}}, {{2, 3}, {4, -1}, {6, 6}}, {{7, 8}, {9, 9}, {1, 1}}, {{1, 1}, {2, 2}, {3, 3}}}});
  f.locSel[3] = 0;
  bool allelesRebuilt = false, genotypesMoved = false;
  const PooledSample pool = poolOfPopulation(f.data, 2, f.locSel);
  for (int k = 1; k <= 50; ++k) {
    Random rng = Random::stream(17, static_cast<std::uint64_t>(k));
    GenotypeData a, s;
    Permute_Alleles_Within_Pop(pool, rng, a);
    Permute_Genotypes_Per_Locus(pool, rng, s);
    for (const GenotypeData* out : {&a, &s}) {
      ASSERT_EQ(out->nPop(), 1);
      ASSERT_EQ(out->nInd(1), 4);
      for (int j = 1; j <= 4; ++j) EXPECT_EQ(out->a1(1, 3, j), kMissing) << "an unselected locus stays empty";
    }
    for (int l = 1; l <= 2; ++l) {
      EXPECT_EQ(copies(a, 1, l), copies(f.data, 2, l));
      EXPECT_EQ(genotypes(s, 1, l), genotypes(f.data, 2, l));
      allelesRebuilt |= genotypes(a, 1, l) != genotypes(f.data, 2, l);
    }
    for (int j = 1; j <= 4; ++j) genotypesMoved |= s.a1(1, 1, j) != f.data.a1(2, 1, j);
  }
  EXPECT_TRUE(allelesRebuilt);
  EXPECT_TRUE(genotypesMoved);
}

TEST(WithinResampling, GenotypeShuffleIsUniform) {
  // Three individuals: each of the 6 orders should come up about equally often (swapping random pairs
  // n times would not give that).
  Fixture f(3, {{{{1, 1}}, {{2, 2}}, {{3, 3}}}});
  std::map<std::vector<int>, int> seen;
  const PooledSample pool = poolOfPopulation(f.data, 1, f.locSel);
  const int draws = 6000;
  for (int k = 1; k <= draws; ++k) {
    Random rng = Random::stream(3, static_cast<std::uint64_t>(k));
    GenotypeData s;
    Permute_Genotypes_Per_Locus(pool, rng, s);
    ++seen[{s.a1(1, 1, 1), s.a1(1, 1, 2), s.a1(1, 1, 3)}];
  }
  ASSERT_EQ(seen.size(), 6u);
  for (const auto& [order, n] : seen) EXPECT_NEAR(n, draws / 6, 120) << order[0] << order[1] << order[2];
}

WithinTestChoice allTests() {
  WithinTestChoice c;
  c.fis = c.degree = c.mlg = true;
  return c;
}

TEST(WithinTest, FixationProbabilities) {
  struct Case {
    const char* what;
    Population pop;
    double low, high;  // bounds of the probability of the only locus
  };
  const Case cases[] = {
      // 10 A and 10 B copies paired at random are all homozygous with probability 252 / 184756 = 0.0014.
      {"5 AA + 5 BB", ofCounts({{{1, 1}, 5}, {{2, 2}, 5}}), 0.0005, 0.003},
      {"close to Hardy-Weinberg proportions", ofCounts({{{1, 1}, 5}, {{1, 2}, 9}, {{2, 2}, 6}}), 0.2, 0.8},
      // Ho = He: a fixation index of exactly 0 has every permutation at least as far from 0.
      {"Fis exactly 0", ofCounts({{{1, 1}, 5}, {{1, 2}, 10}, {{2, 2}, 5}}), 1, 1},
      // Every resampling gives the observed Fis of -1 again: ties count.
      {"one heterozygote", ofCounts({{{1, 2}, 1}}), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(2, {c.pop});
    // The multilocus test on genotype shuffles must not turn the allele resampling off.
    const WithinTestResult r = Test_Within_Population(f.data, 2, 1, f.locSel, 10000, allTests(), 99);
    ASSERT_TRUE(r.FisProb[1]);
    EXPECT_GE(*r.FisProb[1], c.low);
    EXPECT_LE(*r.FisProb[1], c.high);
    ASSERT_TRUE(r.FisMeanProb);
    EXPECT_DOUBLE_EQ(*r.FisMeanProb, *r.FisProb[1]);  // one locus: the mean is that locus
  }
}

TEST(WithinTest, EqualValuesCountForDegreeAndMultilocusGenotypes) {
  // One heterozygote at one locus: every resampling repeats its degree class; with a single locus the
  // genotype shuffle cannot change the multilocus genotypes.
  Fixture f(2, {{{{1, 2}}}});
  const WithinTestResult one = Test_Within_Population(f.data, 2, 1, f.locSel, 50, allTests(), 1);
  ASSERT_EQ(one.nSelLoci, 1);
  for (int c = 1; c <= 2; ++c) EXPECT_EQ(one.HetDegreeProb[static_cast<std::size_t>(c)], 1.0) << c;
  EXPECT_EQ(one.HetDegreeSimMean[2], 1.0);
  EXPECT_EQ(one.MLGNTypesProb, 1.0);
  EXPECT_EQ(one.MLGDivProb, 1.0);

  Fixture g(3, {{{{1, 1}}, {{1, 2}}, {{2, 3}}, {{3, 3}}, {{1, 3}}}});
  const WithinTestResult r = Test_Within_Population(g.data, 3, 1, g.locSel, 200, allTests(), 1);
  EXPECT_EQ(r.MLGNTypesProb, 1.0);
  EXPECT_EQ(r.MLGNTypesSimMean, 5.0);
  EXPECT_NEAR(*r.MLGDivSimMean, 5.0, 1e-12);
}

TEST(WithinTest, WithoutDataNothingIsComparedOrDivided) {
  // Locus 2 is monomorphic (He = 0); locus 3 has no typed individual; the population has no individual
  // typed at every locus, so it has no multilocus genotype at all.
  Fixture f(2, {{{{1, 2}, {1, 1}, {-1, -1}}, {{2, 2}, {1, 1}, {-1, -1}}, {{1, 1}, {1, 1}, {-1, -1}}}});
  const WithinTestResult r = Test_Within_Population(f.data, 2, 1, f.locSel, 100, allTests(), 4);
  EXPECT_TRUE(r.FisProb[1]);
  EXPECT_EQ(r.FisProb[2], 1.0);  // Fis 0: the report says "No Test!" because He is 0
  EXPECT_FALSE(r.FisProb[3]);
  for (int c = 1; c <= 4; ++c) EXPECT_FALSE(r.HetDegreeProb[static_cast<std::size_t>(c)]) << c;
  EXPECT_EQ(r.MLGNTypesSimMean, 0.0);
  EXPECT_FALSE(r.MLGDivSimMean);
  EXPECT_FALSE(r.MLGDivProb);
}

TEST(WithinTest, ReportSaysNoTestAndPrintsDashesWhereNothingIsDefined) {
  Fixture f(2, {{{{1, 2}, {1, 1}, {-1, -1}}, {{2, 2}, {1, 1}, {-1, -1}}, {{1, 1}, {1, 1}, {-1, -1}}}});
  const WithinTestResult r = Test_Within_Population(f.data, 2, 1, f.locSel, 100, allTests(), 4);
  DataSet ds;
  ds.NLoci = 3;
  ds.LocName = {"", "Poly", "Mono", "Empty"};
  ds.PopName = {"", "Stand"};
  LineWriter out;
  printWithinTestReport(out, r, allTests(), ds, f.locSel);
  const std::string text = out.str();
  for (const char* line : {"    Mono            0.000    No Test!\r\n", "    Empty          -         No Test!\r\n",
                           "    HeG(0)    -         -         -\r\n",
                           "    No. Types      0.00      0.00      -                   1.000\r\n",
                           "    Diversity      -         -         -                   -\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST(WithinTest, ObservedValuesComeFromTheCurrentGenotypesAndSelection) {
  Fixture f(4, {{{{1, 1}, {1, 2}}, {{2, 3}, {3, 3}}},
                {{{1, 2}, {1, 4}}, {{2, 2}, {3, 4}}, {{1, 3}, {2, 2}}, {{4, 4}, {1, 1}}}});
  f.locSel[1] = 0;
  const WithinTestResult r = Test_Within_Population(f.data, 4, 2, f.locSel, 10, allTests(), 4);
  // The same functions on population 2 of the data set itself.
  AlleleStats a;
  VariationStats v;
  Calc_Allele_Freq(f.view(), false, a);
  Calc_Heterozygosity(f.view(), a, v);
  Calc_Degree_Heterozygosity(f.view(), v);
  EXPECT_EQ(r.nSelLoci, 1);
  EXPECT_FALSE(r.observed.Fis(1, 1));
  EXPECT_EQ(r.observed.Fis(1, 2), v.Fis(2, 2));
  EXPECT_EQ(r.observed.FisMean[1], v.FisMean[2]);
  for (int c = 1; c <= 2; ++c) EXPECT_EQ(r.observed.HetDegreeDist(1, c), v.HetDegreeDist(2, c));
}

TEST(WithinTest, SameResultWithOneOrEightThreads) {
  Fixture f(5, {{{{1, 2}, {3, 3}, {5, 1}}, {{2, 2}, {3, 4}, {1, 1}}, {{1, 5}, {4, 4}, {2, 3}}, {{4, 4}, {-1, -1}, {5, 5}},
                 {{1, 3}, {3, 5}, {2, 2}}, {{2, 4}, {1, 1}, {3, 4}}, {{5, 5}, {2, 4}, {4, 1}}}});
  setWorkerThreads(1);
  const WithinTestResult one = Test_Within_Population(f.data, 5, 1, f.locSel, 300, allTests(), 8);
  setWorkerThreads(8);
  const WithinTestResult eight = Test_Within_Population(f.data, 5, 1, f.locSel, 300, allTests(), 8);
  const WithinTestResult other = Test_Within_Population(f.data, 5, 1, f.locSel, 300, allTests(), 9);
  setWorkerThreads(0);
  EXPECT_EQ(one.FisProb, eight.FisProb);
  EXPECT_EQ(one.FisMeanProb, eight.FisMeanProb);
  EXPECT_EQ(one.HetDegreeSimMean, eight.HetDegreeSimMean);
  EXPECT_EQ(one.HetDegreeProb, eight.HetDegreeProb);
  EXPECT_EQ(one.MLGDivSimMean, eight.MLGDivSimMean);
  EXPECT_EQ(one.MLGNTypesProb, eight.MLGNTypesProb);
  EXPECT_NE(one.HetDegreeSimMean, other.HetDegreeSimMean) << "the seed decides the draws";
}

}  // namespace
}  // namespace kiwora
