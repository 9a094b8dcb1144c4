#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "stats/allele_stats.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;

TEST(AlleleFreq, FrequenciesCountsAndAlleleNumbers) {
  struct Case {
    const char* name;
    std::vector<testing::Genotype> genotypes;  // one population, one locus
    std::vector<double> freq;                  // codes 0..3
    int geneCount, nAlleles;
  };
  const Case cases[] = {
      {"half-typed individual", {{1, 2}, {2, -1}}, {0, 1.0 / 3, 2.0 / 3, 0}, 3, 2},
      {"missing first allele", {{-1, 3}, {3, 3}}, {0, 0, 0, 1}, 3, 1},
      {"code 0 is an allele", {{0, 1}}, {0.5, 0.5, 0, 0}, 2, 2},
      {"three alleles", {{1, 2}, {3, 3}, {1, 1}}, {0, 0.5, 1.0 / 6, 2.0 / 6}, 6, 3},
      {"all missing", {{-1, -1}, {-1, -1}}, {0, 0, 0, 0}, 0, 0},
      {"code above the largest is not counted", {{1, 7}, {1, 1}}, {0, 1, 0, 0}, 3, 1},
  };
  for (const Case& c : cases) {
    testing::Population pop;
    for (auto gt : c.genotypes) pop.push_back({gt});
    Fixture f(3, {pop});
    AlleleStats a;
    Calc_Allele_Freq(f.view(), false, a);
    SCOPED_TRACE(c.name);
    ASSERT_EQ(a.AlleleFreq.n1(), 1);
    ASSERT_EQ(a.AlleleFreq.n2(), 1);
    ASSERT_EQ(a.AlleleFreq.n3(), 4);  // 0..maxAllele+1
    for (int code = 0; code <= 3; ++code) EXPECT_NEAR(a.AlleleFreq(1, 1, code), c.freq[static_cast<std::size_t>(code)], 1e-15) << code;
    EXPECT_EQ(a.AlleleFreq(1, 1, 4), 0);
    EXPECT_EQ(a.GeneCount(1, 1), c.geneCount);
    EXPECT_EQ(a.NAlleles(1, 1), c.nAlleles);
    std::vector<int> present;
    for (int code = 0; code <= 3; ++code)
      if (c.freq[static_cast<std::size_t>(code)] > 0) present.push_back(code);
    EXPECT_EQ(a.PresentCodes[1], present);
    EXPECT_EQ(a.AllelicRichness(1, 1).has_value(), c.geneCount > 0);
  }
}

TEST(AlleleFreq, UnselectedCellsStayEmptyAndPresentCodesJoinPopulations) {
  Fixture f(4, {{{{1, 1}, {2, 2}}}, {{{3, 4}, {2, 2}}}, {{{4, 4}, {1, 1}}}});
  f.popSel[3] = 0;
  f.locSel[2] = 0;
  AlleleStats a;
  Calc_Allele_Freq(f.view(), false, a);
  EXPECT_EQ(a.PresentCodes[1], (std::vector<int>{1, 3, 4}));  // pop 3's code 4 counts only through pop 2
  EXPECT_TRUE(a.PresentCodes[2].empty());
  for (int code = 0; code <= 5; ++code) {
    EXPECT_EQ(a.AlleleFreq(3, 1, code), 0);
    EXPECT_EQ(a.AlleleFreq(1, 2, code), 0);
  }
  EXPECT_EQ(a.GeneCount(3, 1), 0);
  EXPECT_EQ(a.GeneCount(1, 2), 0);
  EXPECT_EQ(a.MinGeneCount[2], kNoRarefaction);
  EXPECT_FALSE(a.AllelicRichness(3, 1));
  EXPECT_FALSE(a.AllelicRichness(1, 2));
}

TEST(AlleleFreq, RarefactionToTheSmallestGeneCountWithData) {
  // Pop 1: codes 1, 2 (2 copies); pop 2: 1, 2, 2 (3 copies); pop 3: no copy; pop 4: 1 x 4 (4 copies).
  Fixture f(2, {{{{1, 2}}}, {{{1, 2}}, {{2, -1}}}, {{{-1, -1}}}, {{{1, 1}}, {{1, 1}}}});
  AlleleStats a;
  Calc_Allele_Freq(f.view(), false, a);
  // The population without data neither gets a richness nor pulls the others' size to 0.
  EXPECT_EQ(a.MinGeneCount[1], 2);
  EXPECT_NEAR(*a.AllelicRichness(1, 1), 2 * (1 - std::exp(-1.0)), 1e-12);
  EXPECT_NEAR(*a.AllelicRichness(2, 1), (1 - std::exp(-2.0 / 3)) + (1 - std::exp(-4.0 / 3)), 1e-12);
  EXPECT_FALSE(a.AllelicRichness(3, 1));
  EXPECT_NEAR(*a.AllelicRichness(4, 1), 1 - std::exp(-2.0), 1e-12);
}

TEST(AlleleFreq, NoPopulationSelected) {
  Fixture f(2, {{{{1, 2}, {1, 1}}}});
  f.popSel[1] = 0;
  AlleleStats a;
  Calc_Allele_Freq(f.view(), false, a);
  EXPECT_EQ(a.MinGeneCount[1], kNoRarefaction);
  EXPECT_EQ(a.MinGeneCount[2], kNoRarefaction);
  EXPECT_EQ(a.GeneCount(1, 1), 0);
  EXPECT_FALSE(a.AllelicRichness(1, 1));
  EXPECT_TRUE(a.PresentCodes[1].empty());
}

TEST(AlleleFreq, DominantCorrection) {
  struct Case {
    const char* name;
    int maxAllele;
    int recessive, dominant, other;  // copies of code 1, code 2, code 3
    int nAlleles;
  };
  const Case cases[] = {
      {"two phenotypes", 2, 4, 6, 0, 2},
      {"only the recessive phenotype", 2, 6, 0, 0, 1},  // q = 1: code 2 gets 0
      {"code 2 in the extra slot", 1, 4, 0, 0, 1},      // maxAllele 1: slot 2 is not counted
      {"codes above 2 count in N only", 3, 3, 3, 4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Population pop;
    std::vector<int> copies;
    for (int i = 0; i < c.recessive; ++i) copies.push_back(1);
    for (int i = 0; i < c.dominant; ++i) copies.push_back(2);
    for (int i = 0; i < c.other; ++i) copies.push_back(3);
    for (std::size_t i = 0; i < copies.size(); i += 2) pop.push_back({{copies[i], copies[i + 1]}});
    Fixture f(c.maxAllele, {pop});
    AlleleStats a;
    Calc_Allele_Freq(f.view(), true, a);
    const int n = c.recessive + c.dominant + c.other;
    const double q = std::sqrt(static_cast<double>(c.recessive) / n);
    EXPECT_EQ(a.GeneCount(1, 1), n);
    EXPECT_EQ(a.AlleleFreq(1, 1, 0), 0);
    EXPECT_DOUBLE_EQ(a.AlleleFreq(1, 1, 1), q);
    EXPECT_DOUBLE_EQ(a.AlleleFreq(1, 1, 2), 1 - q);
    if (c.maxAllele >= 3) {
      EXPECT_EQ(a.AlleleFreq(1, 1, 3), 0);
    }
    EXPECT_EQ(a.NAlleles(1, 1), c.nAlleles);
  }
}

TEST(AlleleFreq, DominantWithoutCopiesGivesNoFrequencies) {
  Fixture f(2, {{{{-1, -1}}}, {{{1, 2}}}});
  AlleleStats a;
  Calc_Allele_Freq(f.view(), true, a);
  for (int code = 0; code <= 3; ++code) EXPECT_EQ(a.AlleleFreq(1, 1, code), 0);
  EXPECT_EQ(a.NAlleles(1, 1), 0);
  EXPECT_FALSE(a.AllelicRichness(1, 1));
  EXPECT_EQ(a.PresentCodes[1], (std::vector<int>{1, 2}));
}

TEST(AlleleFreq, SampleFormUsesTheDataSetsPopulationFlags) {
  // Two sample slots; the data set has three populations of which only population 1 is selected.
  Fixture sample(2, {{{{1, 2}}}, {{{2, 2}}}});
  Vec1<int> dataSetPopSel{0, 1, 0, 1};
  GenotypeView v = sample.view();
  v.popSel = &dataSetPopSel;
  AlleleStats a;
  Calc_Allele_Freq(v, false, a);
  EXPECT_EQ(a.GeneCount.n1(), 2);
  EXPECT_EQ(a.GeneCount(1, 1), 2);
  EXPECT_EQ(a.GeneCount(2, 1), 0);
  EXPECT_EQ(a.AlleleFreq(2, 1, 2), 0);
  EXPECT_EQ(a.MinGeneCount[1], 2);
}

}  // namespace
}  // namespace kiwora
