#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "stats/clustering.h"

namespace kiwora {
namespace {

struct Pair {
  int p, q;
  double d;
};

// A symmetric distance table of n populations from the listed pairs; every other cell is NaN so that a
// read of it would show.
Table2<double> distances(int n, std::initializer_list<Pair> pairs) {
  Table2<double> t(n, n, std::numeric_limits<double>::quiet_NaN());
  for (int p = 1; p <= n; ++p) t(p, p) = 0;
  for (const Pair& x : pairs) t(x.p, x.q) = t(x.q, x.p) = x.d;
  return t;
}

TEST(ClusterChain, StepsLevelsAndTies) {
  const struct {
    const char* name;
    int n;
    std::vector<int> unselected;
    Table2<double> dist;
    std::vector<int> steps;      // per population 1..n
    std::vector<double> levels;  // per step 1..n-1
  } cases[] = {
      {"two populations", 2, {}, distances(2, {{1, 2, .3}}), {1, 1}, {.3}},
      // 3 joins at (.3 + .5) / 2.
      {"three", 3, {}, distances(3, {{1, 2, .1}, {1, 3, .3}, {2, 3, .5}}), {1, 1, 2}, {.1, .4}},
      {"equal smallest pairs: the first found", 3, {}, distances(3, {{1, 2, .5}, {1, 3, .2}, {2, 3, .2}}),
       {1, 2, 1}, {.2, .35}},
      // After (1,2): 3 and 4 both at mean .4; the smaller number joins first, then 4 at (.4 + .4 + .1) / 3.
      {"equal candidates: the smaller number", 4, {},
       distances(4, {{1, 2, .1}, {1, 3, .4}, {2, 3, .4}, {1, 4, .4}, {2, 4, .4}, {3, 4, .1}}), {1, 1, 2, 3},
       {.1, .4, .3}},
      // Levels may fall: 3 joins at .5, then 4 at (.6 + .6 + .15) / 3 = .45; every member counts equally.
      {"falling levels", 4, {},
       distances(4, {{1, 2, .1}, {1, 3, .5}, {2, 3, .5}, {1, 4, .6}, {2, 4, .6}, {3, 4, .15}}), {1, 1, 2, 3},
       {.1, .5, .45}},
      // Population 2 is not selected: its NaN distances are never read and it keeps step 0.
      {"unselected populations", 4, {2}, distances(4, {{1, 3, .2}, {1, 4, .6}, {3, 4, .2}}), {1, 0, 1, 2},
       {.2, .4}},
  };
  for (const auto& c : cases) {
    Vec1<int> sel = makeVec1<int>(c.n, 1);
    sel[0] = 0;
    for (int u : c.unselected) sel[static_cast<std::size_t>(u)] = 0;
    ClusterSteps out;
    ASSERT_TRUE(Cluster_Average_Chain(c.n, sel, c.dist, out)) << c.name;
    ASSERT_EQ(out.NClusterSteps, static_cast<int>(c.levels.size())) << c.name;
    for (int p = 1; p <= c.n; ++p) EXPECT_EQ(out.Step[p], c.steps[p - 1]) << c.name << " pop " << p;
    for (int k = 1; k <= out.NClusterSteps; ++k) EXPECT_NEAR(out.Level[k], c.levels[k - 1], 1e-12) << c.name << " step " << k;
  }
}

TEST(ClusterChain, FewerThanTwoPopulationsDoNotRun) {
  Vec1<int> sel{0, 1, 1, 1};
  ClusterSteps out;
  ASSERT_TRUE(Cluster_Average_Chain(3, sel, distances(3, {{1, 2, .1}, {1, 3, .3}, {2, 3, .5}}), out));
  sel[2] = sel[3] = 0;
  EXPECT_FALSE(Cluster_Average_Chain(3, sel, distances(3, {{1, 2, .1}, {1, 3, .3}, {2, 3, .5}}), out));
  EXPECT_EQ(out.NClusterSteps, 0);
  for (int p = 1; p <= 3; ++p) EXPECT_EQ(out.Step[p], 0);
  EXPECT_EQ(out.Level[1], 0);
}

TEST(ClusterChain, NoDefinedDistanceGivesNoStep) {
  const Vec1<int> sel{0, 1, 1, 1};
  ClusterSteps out;
  EXPECT_FALSE(Cluster_Average_Chain(3, sel, distances(3, {}), out));  // every distance NaN
  EXPECT_EQ(out.NClusterSteps, 0);
  for (int p = 1; p <= 3; ++p) EXPECT_EQ(out.Step[p], 0);
}

}  // namespace
}  // namespace kiwora
