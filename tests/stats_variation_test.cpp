#include <vector>

#include <gtest/gtest.h>

#include "stats/allele_stats.h"
#include "stats/variation_stats.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::Population;

Population oneLocus(const std::vector<testing::Genotype>& gts) {
  Population pop;
  for (auto gt : gts) pop.push_back({gt});
  return pop;
}

struct AllStats {
  AlleleStats a;
  VariationStats v;
  explicit AllStats(Fixture& f, bool dominant = false) {
    GenotypeView g = f.view();
    Count_Single_Locus_Genotypes(g, v);
    Calc_Allele_Freq(g, dominant, a);
    Calc_Degree_Heterozygosity(g, v);
    Calc_Heterozygosity(g, a, v);
    Calc_Diversity_V(g, a, v);
    Calc_Evenness(g, a, v);
    Calc_Percent_Polymorphic(g, a, v);
  }
};

TEST(Diversity, DiversityAndEvennessPerLocus) {
  struct Case {
    const char* name;
    std::vector<testing::Genotype> gts;
    double v, evenness;
  };
  const Case cases[] = {
      {"fixed", {{1, 1}, {1, 1}}, 1, 1},
      {"two at 0.5", {{1, 2}, {2, 1}}, 2, 1},
      {"0.75 and 0.25", {{1, 1}, {1, 2}}, 1.6, 0.75},
      {"0.5, 0.25, 0.25", {{1, 2}, {1, 3}}, 1 / 0.375, 1 - 0.5 * (1.0 / 6 + 2.0 / 12)},
      {"half-typed: 1, 1, 2", {{1, -1}, {1, 2}}, 1 / (4.0 / 9 + 1.0 / 9), 1 - 0.5 * (2.0 / 3 - 0.5 + 0.5 - 1.0 / 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(3, {oneLocus(c.gts)});
    AllStats r(f);
    EXPECT_NEAR(*r.v.DiversityV(1, 1), c.v, 1e-12);
    EXPECT_NEAR(*r.v.Evenness(1, 1), c.evenness, 1e-12);
    EXPECT_NEAR(*r.v.DiversityVMean[1], c.v, 1e-12);
    EXPECT_NEAR(*r.v.EvennessMean[1], c.evenness, 1e-12);
  }
}

TEST(Diversity, MeansLeaveLociWithoutDataOut) {
  // Locus 1: v 2, evenness 1; locus 2: no copy; locus 3: fixed, v 1, evenness 1; locus 4 unselected.
  Fixture f(2, {{{{1, 2}, {-1, -1}, {2, 2}, {1, 2}}, {{2, 1}, {-1, -1}, {2, 2}, {1, 1}}}});
  f.locSel[4] = 0;
  AllStats r(f);
  EXPECT_FALSE(r.v.DiversityV(1, 2));
  EXPECT_FALSE(r.v.Evenness(1, 2));
  EXPECT_FALSE(r.v.DiversityV(1, 4));
  EXPECT_DOUBLE_EQ(*r.v.DiversityVMean[1], 1.5);
  EXPECT_DOUBLE_EQ(*r.v.EvennessMean[1], 1.0);
}

TEST(Variation, NoSelectedLocusLeavesEveryMeanUndefined) {
  Fixture f(2, {{{{1, 2}}}});
  f.locSel[1] = 0;
  AllStats r(f);
  EXPECT_FALSE(r.v.DiversityVMean[1]);
  EXPECT_FALSE(r.v.EvennessMean[1]);
  EXPECT_FALSE(r.v.HoMean[1]);
  EXPECT_FALSE(r.v.HeMean[1]);
  EXPECT_FALSE(r.v.FisMean[1]);
  EXPECT_FALSE(r.v.PercentPolymorphic[1]);
  EXPECT_EQ(r.v.NGenotypesPop[1], 0);
}

TEST(Variation, UnselectedPopulationIsNotWritten) {
  Fixture f(2, {{{{1, 2}}}, {{{1, 2}}}});
  f.popSel[2] = 0;
  AllStats r(f);
  EXPECT_TRUE(r.v.Ho(1, 1));
  EXPECT_FALSE(r.v.Ho(2, 1));
  EXPECT_FALSE(r.v.He(2, 1));
  EXPECT_FALSE(r.v.DiversityV(2, 1));
  EXPECT_FALSE(r.v.HoMean[2]);
  EXPECT_FALSE(r.v.HetDegreeDist(2, 1));
  EXPECT_EQ(r.v.NIdentAll[2], 0);
  EXPECT_EQ(r.v.NIdentLoc(2, 1), 0);
  EXPECT_EQ(r.v.NGenotypesLoc(2, 1), 0);
  EXPECT_FALSE(r.v.PercentPolymorphic[2]);
}

TEST(Heterozygosity, PerLocus) {
  struct Case {
    const char* name;
    std::vector<testing::Genotype> gts;
    int typed;
    Cell ho, he, fis;
  };
  const Case cases[] = {
      {"all homozygous, 0.5/0.5", {{1, 1}, {2, 2}}, 2, 0.0, 0.5, 1.0},
      {"all heterozygous, 0.5/0.5", {{1, 2}, {2, 1}}, 2, 1.0, 0.5, -1.0},
      {"monomorphic", {{3, 3}, {3, 3}}, 2, 0.0, 0.0, 0.0},
      {"half-typed individual neither typed nor heterozygous", {{1, 2}, {1, -1}, {2, 2}}, 2, 0.5,
       1 - (4.0 / 25 + 9.0 / 25), (0.48 - 0.5) / 0.48},
      {"copies but no complete individual", {{1, -1}, {-1, 2}}, 0, std::nullopt, 0.5, std::nullopt},
      {"no copy", {{-1, -1}}, 0, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(3, {oneLocus(c.gts)});
    AllStats r(f);
    EXPECT_EQ(r.v.NIdentLoc(1, 1), c.typed);
    for (auto [got, want] : {std::pair{r.v.Ho(1, 1), c.ho}, std::pair{r.v.He(1, 1), c.he}, std::pair{r.v.Fis(1, 1), c.fis}}) {
      ASSERT_EQ(got.has_value(), want.has_value());
      if (want) {
        EXPECT_NEAR(*got, *want, 1e-12);
      }
    }
  }
}

TEST(Heterozygosity, MeansOverLoci) {
  // Locus 1: (1,1) (2,2) (1,1): Ho 0, He 4/9, Fis 1.
  // Locus 2: monomorphic: Ho 0, He 0, Fis 0 (not in the divisor of the Fis mean).
  // Locus 3: (1,2) (1,1) (2,2): Ho 1/3, He 1/2, Fis 1/3.
  // Locus 4: copies but no complete individual: He 1/2, Ho and Fis undefined.
  Fixture f(3, {{{{1, 1}, {3, 3}, {1, 2}, {1, -1}}, {{2, 2}, {3, 3}, {1, 1}, {2, -1}}, {{1, 1}, {3, 3}, {2, 2}, {-1, -1}}}});
  AllStats r(f);
  EXPECT_NEAR(*r.v.HoMean[1], (0 + 0 + 1.0 / 3) / 3, 1e-12);
  EXPECT_NEAR(*r.v.HeMean[1], (4.0 / 9 + 0 + 0.5 + 0.5) / 4, 1e-12);
  EXPECT_NEAR(*r.v.FisMean[1], (1 + 0 + 1.0 / 3) / 2, 1e-12);
}

TEST(Heterozygosity, FisMeanOfMonomorphicLociIsZero) {
  Fixture f(3, {{{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}}});
  AllStats r(f);
  EXPECT_EQ(*r.v.FisMean[1], 0.0);
}

TEST(DegreeOfHeterozygosity, Classes) {
  struct Case {
    const char* name;
    Population pop;
    int typed;
    std::vector<Cell> classes;  // 1..nSelLoci+1
  };
  const Case cases[] = {
      {"one individual heterozygous at 2 of 3", {{{1, 2}, {1, 1}, {2, 3}}}, 1, {0.0, 0.0, 1.0, 0.0}},
      {"a missing allele drops the individual", {{{1, 2}, {1, 1}, {2, 3}}, {{1, -1}, {1, 2}, {2, 2}}}, 1, {0.0, 0.0, 1.0, 0.0}},
      {"shares", {{{1, 2}, {1, 1}, {2, 3}}, {{1, 1}, {1, 1}, {2, 2}}, {{1, 1}, {1, 2}, {2, 2}}, {{1, 2}, {1, 2}, {2, 3}}},
       4, {0.25, 0.25, 0.25, 0.25}},
      {"nobody typed", {{{1, -1}, {1, 1}, {2, 3}}}, 0, {std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(3, {c.pop});
    AllStats r(f);
    EXPECT_EQ(r.v.NIdentAll[1], c.typed);
    ASSERT_EQ(r.v.HetDegreeDist.n2(), 4);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.v.HetDegreeDist(1, k), c.classes[static_cast<std::size_t>(k - 1)]) << k;
  }
}

TEST(DegreeOfHeterozygosity, MissingAtAnUnselectedLocusDoesNotMatter) {
  Fixture f(3, {{{{1, 2}, {-1, -1}, {2, 3}}}});
  f.locSel[2] = 0;
  AllStats r(f);
  EXPECT_EQ(r.v.NIdentAll[1], 1);
  ASSERT_EQ(r.v.HetDegreeDist.n2(), 3);
  EXPECT_EQ(r.v.HetDegreeDist(1, 3), 1.0);
}

TEST(PercentPolymorphic, ShareOfLociWithMoreThanOneAllele) {
  struct Case {
    const char* name;
    Population pop;
    Cell percent;
  };
  const Case cases[] = {
      {"all polymorphic", {{{1, 2}, {1, 3}}}, 100.0},
      {"all fixed", {{{1, 1}, {3, 3}}}, 0.0},
      {"one of two", {{{1, 1}, {1, 3}}}, 50.0},
      {"a locus without copies is left out", {{{1, 1}, {1, 3}, {-1, -1}}}, 50.0},
      {"no copies at all", {{{-1, -1}, {-1, -1}}}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(3, {c.pop});
    AllStats r(f);
    EXPECT_EQ(r.v.PercentPolymorphic[1], c.percent);
  }
}

TEST(SingleLocusGenotypes, DistinctUnorderedGenotypes) {
  struct Case {
    const char* name;
    std::vector<testing::Genotype> gts;
    int n;
  };
  const Case cases[] = {
      {"one homozygote", {{4, 4}, {4, 4}, {4, 4}}, 1},
      {"order of the alleles does not matter", {{1, 2}, {2, 1}, {2, 2}}, 2},
      {"nobody typed", {{1, -1}, {-1, -1}}, 0},
      {"half-typed individuals are ignored", {{1, 1}, {1, -1}, {-1, 2}}, 1},
      {"(21,11) and (211,1) share a joined code", {{21, 11}, {211, 1}}, 2},
      {"(21,1) and (2,11) share a joined text", {{21, 1}, {2, 11}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(211, {oneLocus(c.gts)});
    AllStats r(f);
    EXPECT_EQ(r.v.NGenotypesLoc(1, 1), c.n);
    EXPECT_EQ(r.v.NGenotypesPop[1], c.n);
  }
}

TEST(SingleLocusGenotypes, SumOverSelectedLoci) {
  Fixture f(3, {{{{1, 1}, {1, 2}, {3, 3}}, {{1, 2}, {2, 2}, {3, 1}}}});
  f.locSel[3] = 0;
  AllStats r(f);
  EXPECT_EQ(r.v.NGenotypesLoc(1, 1), 2);
  EXPECT_EQ(r.v.NGenotypesLoc(1, 2), 2);
  EXPECT_EQ(r.v.NGenotypesLoc(1, 3), 0);
  EXPECT_EQ(r.v.NGenotypesPop[1], 4);
}

TEST(SingleLocusGenotypes, NoCapacityLimit) {
  // More than 2000 distinct genotypes in one population, with few codes (dense numbering) and with
  // 3000 codes at one locus (more pairs than the dense triangle holds).
  for (int codes : {70, 3000}) {
    SCOPED_TRACE(codes);
    std::vector<testing::Genotype> gts;
    if (codes == 70) {
      for (int a = 1; a <= 70; ++a)
        for (int b = a; b <= 70; ++b) gts.push_back({b, a});
    } else {
      for (int a = 1; a < 3000; ++a) gts.push_back({a, a + 1});
      gts.push_back({2, 1});
    }
    const int expected = codes == 70 ? 70 * 71 / 2 : 2999;
    Fixture f(codes, {oneLocus(gts)});
    VariationStats v;
    Count_Single_Locus_Genotypes(f.view(), v);
    EXPECT_EQ(v.NGenotypesLoc(1, 1), expected);
  }
}

}  // namespace
}  // namespace kiwora
