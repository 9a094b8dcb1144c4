// Exclusion probabilities by delta: where a group's delta falls among the simulated deltas.
#include <gtest/gtest.h>

#include <algorithm>

#include "assign/exclusion.h"

namespace kiwora {
namespace {

TEST(ExclusionByDelta, CountsSimulatedDeltasAtOrBelowButAtLeastOne) {
  struct Case {
    std::vector<double> sims;  // in the order drawn
    double delta;
    double prob;
  };
  const Case cases[] = {
      {{4, 2, 5, 3}, 1, 0.75},    // none below: k = 1, never 1
      {{4, 2, 5, 3}, 10, 0},      // all below
      {{2, 1, 3, 2}, 2, 0.25},    // equal deltas count with those below
      {{2, 1, 3, 2}, 1.5, 0.75},
      {{2, 1, 3, 2}, 2.5, 0.25},
      {{3, 3, 3}, 3, 0},          // a group like every simulated one is not excluded
      {{0.1, 0.7 - 0.4, 0.5}, 0.3, 1.0 / 3},      // 0.3 in exact arithmetic, a last bit below: counts
      {{0.1, 0.1 + 0.2, 0.5}, 0.7 - 0.4, 1.0 / 3},  // and a last bit above
  };
  for (const Case& c : cases) {
    Vec1<double> sim(1, 0.0);
    sim.insert(sim.end(), c.sims.begin(), c.sims.end());
    Vec1<Cell> prob;
    Excl_Prob_Delta(sim, {std::nullopt, c.delta}, prob);
    ASSERT_EQ(prob.size(), 2u);
    ASSERT_TRUE(prob[1]);
    EXPECT_DOUBLE_EQ(*prob[1], c.prob) << c.delta;
    EXPECT_TRUE(std::is_sorted(sim.begin() + 1, sim.end()));
  }
}

TEST(ExclusionByDelta, GroupsAgainstOneListFiftyOfAThousandBelow) {
  Vec1<double> sim(1001, 0.0);
  for (int s = 1; s <= 1000; ++s) sim[static_cast<std::size_t>(s)] = (s * 37) % 1000 + 1;  // 1..1000 shuffled
  Vec1<Cell> prob;
  Excl_Prob_Delta(sim, {std::nullopt, 50.5, std::nullopt, 0.5, 2000, 50}, prob);
  ASSERT_EQ(prob.size(), 6u);
  EXPECT_NEAR(*prob[1], 0.95, 1e-12);
  EXPECT_FALSE(prob[2]) << "a group without a delta has no probability";
  EXPECT_NEAR(*prob[3], 0.999, 1e-12);
  EXPECT_DOUBLE_EQ(*prob[4], 0);
  EXPECT_NEAR(*prob[5], 0.95, 1e-12) << "the simulated 50 counts with the 49 below it";
}

TEST(ExclusionByDelta, WithoutSimulationsNothingIsDefined) {
  Vec1<double> sim(1, 0.0);
  Vec1<Cell> prob;
  Excl_Prob_Delta(sim, {std::nullopt, 1.0}, prob);
  EXPECT_FALSE(prob[1]);
}

}  // namespace
}  // namespace kiwora
