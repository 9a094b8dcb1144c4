#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stats/genotype_table.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;

std::vector<std::string> keysOf(const GenotypeTable& t, int l) {
  const auto& k = t.GenoKey[static_cast<std::size_t>(l)];
  return std::vector<std::string>(k.begin() + 1, k.end());
}

TEST(GenotypeTable, KeysFrequenciesAndOrder) {
  // Pop 1: 3/2, 12/10, 2/3, 1/1, 1/-1 (not typed); pop 2 (unselected, still counted): 10/12, 7/3, 3/7.
  Fixture f(12, {{{{3, 2}}, {{12, 10}}, {{2, 3}}, {{1, 1}}, {{1, -1}}}, {{{10, 12}}, {{7, 3}}, {{3, 7}}}});
  f.popSel[2] = 0;
  Vec1<int> mode{0, 1};
  struct Case {
    bool sorted;
    std::vector<std::string> keys;
    std::vector<double> pop1, pop2;
  };
  const Case cases[] = {
      {false, {"2_3", "10_12", "1_1", "3_7"}, {0.5, 0.25, 0.25, 0}, {0, 1.0 / 3, 0, 2.0 / 3}},
      {true, {"10_12", "1_1", "2_3", "3_7"}, {0.25, 0.25, 0.5, 0}, {1.0 / 3, 0, 0, 2.0 / 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sorted);
    GenotypeTable t;
    Calc_Genotype_Freq(f.view(), mode, c.sorted, t);
    EXPECT_EQ(t.NGenoTypes[1], 4);
    EXPECT_EQ(keysOf(t, 1), c.keys);
    EXPECT_EQ(t.GenoSampleN(1, 1), 4);
    EXPECT_EQ(t.GenoSampleN(2, 1), 3);
    for (int k = 1; k <= 4; ++k) {
      EXPECT_DOUBLE_EQ(t.GenoFreq[1](1, k), c.pop1[static_cast<std::size_t>(k - 1)]) << k;
      EXPECT_DOUBLE_EQ(t.GenoFreq[1](2, k), c.pop2[static_cast<std::size_t>(k - 1)]) << k;
    }
    EXPECT_EQ(t.find(1, 7, 3), 4);
    EXPECT_EQ(t.find(1, 3, 3), 0);
  }
}

TEST(GenotypeTable, OnlySelectedBiparentalLoci) {
  // Locus 1 bi-parental, 2 maternal, 3 paternal, 4 bi-parental but unselected; pop 2 has nobody typed.
  Fixture f(3, {{{{1, 2}, {1, 1}, {2, 2}, {3, 3}}}, {{{-1, -1}, {1, 1}, {2, 2}, {3, 3}}}});
  f.locSel[4] = 0;
  Vec1<int> mode{0, 1, 2, 3, 1};
  GenotypeTable t;
  Calc_Genotype_Freq(f.view(), mode, true, t);
  EXPECT_EQ(t.NGenoTypes, (Vec1<int>{0, 1, 0, 0, 0}));
  EXPECT_EQ(keysOf(t, 1), std::vector<std::string>{"1_2"});
  EXPECT_TRUE(keysOf(t, 2).empty());
  EXPECT_EQ(t.GenoSampleN(2, 1), 0);
  EXPECT_EQ(t.GenoFreq[1](2, 1), 0);
}

TEST(GenotypeTable, GrowsPastTwoHundredAndKeepsAppendedGenotypes) {
  testing::Population pop;
  for (int a = 1; a <= 21; ++a)
    for (int b = a; b <= 21; ++b) pop.push_back({{b, a}});
  Fixture f(30, {pop, {{{1, 1}}}});
  Vec1<int> mode{0, 1};
  GenotypeTable t;
  Calc_Genotype_Freq(f.view(), mode, false, t);
  ASSERT_EQ(t.NGenoTypes[1], 231);
  double sum = 0;
  for (int k = 1; k <= 231; ++k) sum += t.GenoFreq[1](1, k);
  EXPECT_NEAR(sum, 1.0, 1e-12);
  EXPECT_EQ(t.GenoKey[1][231], "21_21");

  // A genotype seen only in a test group joins the list with frequency 0 everywhere.
  const int k = t.append(1, 30, 2);
  EXPECT_EQ(k, 232);
  EXPECT_EQ(t.NGenoTypes[1], 232);
  EXPECT_EQ(t.GenoKey[1][232], "2_30");
  EXPECT_EQ(t.find(1, 2, 30), 232);
  EXPECT_EQ(t.GenoFreq[1](1, 232), 0);
  EXPECT_EQ(t.GenoFreq[1](2, 232), 0);
  EXPECT_DOUBLE_EQ(t.GenoFreq[1](2, 1), 1.0);  // earlier frequencies kept
  EXPECT_EQ(t.append(1, 1, 1), 1);              // already listed
  EXPECT_EQ(t.NGenoTypes[1], 232);
}

TEST(GenotypeTable, KeysThatJoinAlikeStayApart) {
  Fixture f(211, {{{{21, 1}}, {{2, 11}}, {{21, 11}}, {{211, 1}}}});
  Vec1<int> mode{0, 1};
  GenotypeTable t;
  Calc_Genotype_Freq(f.view(), mode, true, t);
  EXPECT_EQ(keysOf(t, 1), (std::vector<std::string>{"11_21", "1_21", "1_211", "2_11"}));
}

}  // namespace
}  // namespace kiwora
