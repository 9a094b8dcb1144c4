// Self-assignment: who is tested, how groups are drawn, and how the tallies become percentages.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "assign/self_assign_plan.h"
#include "assign/self_assign_report.h"

namespace kiwora {
namespace {

// One population; rows are individuals, each with its (a1, a2) per locus.
DataSet onePopulation(const std::vector<std::vector<std::pair<int, int>>>& rows, int nLoci) {
  DataSet ds;
  ds.NPop = 1;
  ds.NLoci = nLoci;
  ds.PopName = {"", "P"};
  Vec1<int> n = {0, static_cast<int>(rows.size())};
  ds.NInd = n;
  ds.Allele.resize(1, nLoci, n);
  for (int i = 1; i <= n[1]; ++i)
    for (int l = 1; l <= nLoci; ++l) {
      ds.Allele.a1(1, l, i) = rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(l - 1)].first;
      ds.Allele.a2(1, l, i) = rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(l - 1)].second;
    }
  return ds;
}

Selection modes(const Vec1<int>& locSel, const Vec1<int>& locMode) {
  Selection s;
  s.LocSel = locSel;
  s.LocMode = locMode;
  return s;
}

TEST(SelfAssignPlan, EligibilityCountsCompleteBiParentalLociAndTheMaternalFirstAllele) {
  // Loci 1-3 bi-parental, 4 maternal, 5 paternal.
  const DataSet ds = onePopulation(
      {
          {{1, 1}, {1, 2}, {2, 2}, {1, 1}, {1, 1}},    // 3 complete loci
          {{1, 1}, {1, -1}, {2, 2}, {1, 1}, {1, 1}},   // 2 complete
          {{1, 1}, {1, 2}, {2, 2}, {-1, 1}, {1, 1}},   // maternal first allele missing
          {{1, 1}, {1, 2}, {2, 2}, {1, -1}, {-1, -1}}, // maternal second and paternal missing: fine
      },
      5);
  const Selection all = modes({0, 1, 1, 1, 1, 1}, {0, 1, 1, 1, 2, 3});
  const struct {
    const char* what;
    Selection sel;
    int minBip;
    Vec1<int> expected;
  } cases[] = {
      {"three loci requested", all, 3, {0, 1, 0, 0, 1}},
      {"two loci requested", all, 2, {0, 1, 1, 0, 1}},
      {"maternal locus deselected", modes({0, 1, 1, 1, 0, 1}, {0, 1, 1, 1, 2, 3}), 2, {0, 1, 1, 1, 1}},
      // With no bi-parental locus selected every individual counts all five loci.
      {"no bi-parental locus", modes({0, 0, 0, 0, 1, 1}, {0, 1, 1, 1, 2, 3}), 5, {0, 1, 1, 0, 1}},
      {"more than there are", modes({0, 0, 0, 0, 1, 1}, {0, 1, 1, 1, 2, 3}), 6, {0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(selfEligible(ds, c.sel, c.minBip)[1], c.expected) << c.what;
}

TEST(SelfAssignPlan, ShortfallNamesTheFirstPopulationTooSmallForTheGroup) {
  DataSet ds;
  ds.NPop = 3;
  ds.NLoci = 1;
  ds.PopName = {"", "A", "B", "C"};
  ds.Allele.resize(3, 1, {0, 4, 2, 1});
  EXPECT_FALSE(groupShortfall(ds, 1));
  EXPECT_EQ(groupShortfall(ds, 2), Refusal("Not enough individuals in population - C - for group selection!"));
  EXPECT_EQ(groupShortfall(ds, 3), Refusal("Not enough individuals in population - B - for group selection!"));
  EXPECT_EQ(groupShortfall(ds, 5), Refusal("Not enough individuals in population - A - for group selection!"));
}

TEST(SelfAssignPlan, GroupsAreDistinctMembersFixedByTheRunSeedAndTheTest) {
  // A group as large as its population takes every individual, however large (no cap on tries).
  std::vector<int> all = drawSelfGroup(7, 1, 1, 3000, 3000);
  std::sort(all.begin(), all.end());
  std::vector<int> expected(3000);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(all, expected);

  const auto g = drawSelfGroup(7, 2, 5, 20, 5);
  EXPECT_EQ(g, drawSelfGroup(7, 2, 5, 20, 5));
  EXPECT_EQ(std::set<int>(g.begin(), g.end()).size(), 5u);
  for (int i : g) EXPECT_TRUE(i >= 1 && i <= 20);
  // Other tests, populations and seeds draw other groups.
  EXPECT_NE(g, drawSelfGroup(7, 2, 6, 20, 5));
  EXPECT_NE(g, drawSelfGroup(7, 3, 5, 20, 5));
  EXPECT_NE(g, drawSelfGroup(8, 2, 5, 20, 5));
}

TEST(SelfAssignPercentages, TotalIsPooledMeanIsOverPopulationsWithTests) {
  SelfAssignCounts c(3);
  for (int t = 0; t < 10; ++t) c.count(1, t < 9 ? 1 : 2);
  for (int t = 0; t < 30; ++t) c.count(2, t < 15 ? 2 : (t < 25 ? 1 : 0));  // five assigned nowhere
  const SelfAssignPercent r = selfPercentages(c);
  EXPECT_DOUBLE_EQ(*r.correct[1], 90);
  EXPECT_DOUBLE_EQ(*r.correct[2], 50);
  EXPECT_FALSE(r.correct[3].has_value());  // no test: not a 0, and out of the mean
  EXPECT_DOUBLE_EQ(*r.total, 60);
  EXPECT_DOUBLE_EQ(*r.mean, 70);
  // Details are shares of the assigned tests of the row.
  EXPECT_DOUBLE_EQ(*r.assigned(1, 1), 90);
  EXPECT_DOUBLE_EQ(*r.assigned(1, 2), 10);
  EXPECT_DOUBLE_EQ(*r.assigned(1, 3), 0);
  EXPECT_DOUBLE_EQ(*r.assigned(2, 1), 40);
  EXPECT_DOUBLE_EQ(*r.assigned(2, 2), 60);
  EXPECT_FALSE(r.assigned(3, 1).has_value());

  const SelfAssignPercent none = selfPercentages(SelfAssignCounts(2));
  EXPECT_FALSE(none.total.has_value());
  EXPECT_FALSE(none.mean.has_value());
}

}  // namespace
}  // namespace kiwora
