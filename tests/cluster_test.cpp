#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/random.h"
#include "base/tolerance.h"
#include "base/worker_pool.h"
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

// The chain as its definition reads: every step sums each candidate's distances to all members in
// population order, and the first candidate (pair) in population order whose mean (distance) equals the
// smallest by the tie rule joins. The program's chain must agree with it bit for bit.
ClusterSteps plainChain(int nPop, const Vec1<int>& popSel, const Table2<double>& dist) {
  ClusterSteps out;
  out.Step = makeVec1<int>(nPop);
  out.Level = makeVec1<double>(nPop);
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);
  if (pops.size() < 2) return out;
  double m = 100;
  for (std::size_t i = 0; i < pops.size(); ++i)
    for (std::size_t j = i + 1; j < pops.size(); ++j) m = std::min(m, std::isnan(dist(pops[i], pops[j])) ? m : dist(pops[i], pops[j]));
  int a = 0, b = 0;
  for (std::size_t i = 0; i < pops.size() && a == 0; ++i)
    for (std::size_t j = i + 1; j < pops.size() && a == 0; ++j)
      if (const double d = dist(pops[i], pops[j]); d < 100 && ties(d, m, Rounding{4096})) {
        a = pops[i];
        b = pops[j];
        m = d;
      }
  if (a == 0) return out;
  out.Step[static_cast<std::size_t>(a)] = out.Step[static_cast<std::size_t>(b)] = 1;
  out.Level[1] = m;
  out.NClusterSteps = 1;
  for (int k = 2; k < static_cast<int>(pops.size()); ++k) {
    std::vector<std::pair<int, double>> means;
    for (int p : pops) {
      if (out.Step[static_cast<std::size_t>(p)] != 0) continue;
      double sum = 0;
      int members = 0;
      for (int q : pops)
        if (out.Step[static_cast<std::size_t>(q)] > 0) {
          sum += dist(p, q);
          ++members;
        }
      means.emplace_back(p, sum / members);
    }
    m = 100;
    for (const auto& [p, mean] : means)
      if (mean < m) m = mean;
    a = 0;
    for (const auto& [p, mean] : means)
      if (mean < 100 && ties(mean, m, Rounding{4096.0 + k})) {
        a = p;
        m = mean;
        break;
      }
    if (a == 0) break;
    out.Step[static_cast<std::size_t>(a)] = k;
    out.Level[static_cast<std::size_t>(k)] = m;
    out.NClusterSteps = k;
  }
  return out;
}

// Distances drawn from a few values: many exactly equal distances and means, and sums of tenths whose
// rounding depends on the order they are added in.
Table2<double> drawnDistances(int n, std::uint64_t seed, const std::vector<double>& values, double undefinedShare,
                              bool symmetric) {
  Random rng = Random::stream(seed, 1, n);
  Table2<double> t(n, n, 0);
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q) {
      if (p == q || (symmetric && q < p)) continue;
      // randomIndex counts from 1.
      const std::size_t pick = static_cast<std::size_t>(randomIndex(rng, static_cast<int>(values.size())) - 1);
      const double d = rng.uniform() < undefinedShare ? std::nan("") : values[pick];
      t(p, q) = d;
      if (symmetric) t(q, p) = d;
    }
  return t;
}

void expectSameChain(const ClusterSteps& got, const ClusterSteps& want, int nPop, const std::string& name) {
  ASSERT_EQ(got.NClusterSteps, want.NClusterSteps) << name;
  for (int p = 1; p <= nPop; ++p) ASSERT_EQ(got.Step[p], want.Step[p]) << name << " pop " << p;
  // Bit for bit: the report prints the levels and draws from them.
  for (int k = 1; k <= want.NClusterSteps; ++k)
    ASSERT_EQ(std::bit_cast<std::uint64_t>(got.Level[k]), std::bit_cast<std::uint64_t>(want.Level[k]))
        << name << " step " << k << ": " << got.Level[k] << " vs " << want.Level[k];
}

TEST(ClusterChain, SameJoinsAndLevelsAsThePlainChain) {
  const std::vector<double> tenths = {0.1, 0.2, 0.3, 0.7};
  const std::vector<double> ties = {1.0, 1.0, 1.0, 0.5, 0.1};  // multilocus-like: mostly complete difference
  const std::vector<double> allEqual = {0.1};
  const std::vector<double> spread = {0.0, 1e-17, 0.123456789, 0.2, 1.0 / 3, 0.4, 2.0 / 3};
  const struct {
    const char* name;
    std::vector<double> values;
    double undefinedShare;
    bool symmetric;
  } kinds[] = {
      {"tenths", tenths, 0, true},
      {"mostly ones", ties, 0, true},
      {"all equal", allEqual, 0, true},
      {"spread with undefined", spread, 0.05, true},
      {"mostly undefined", tenths, 0.9, true},
      {"not symmetric", spread, 0.02, false},
      // Out of the usual range: negative and above the start level; every mean is then taken in full.
      {"negative", {-0.3, 0.1, 0.2, 150.0}, 0, true},
  };
  for (const auto& kind : kinds)
    for (int n : {1, 2, 3, 4, 7, 30, 90})
      for (std::uint64_t seed : {1u, 2u, 3u}) {
        const std::string name = std::string(kind.name) + ", " + std::to_string(n) + " populations, seed " + std::to_string(seed);
        const Table2<double> dist = drawnDistances(n, seed, kind.values, kind.undefinedShare, kind.symmetric);
        Vec1<int> sel = makeVec1<int>(n, 1);
        sel[0] = 0;
        if (seed == 3)  // leave every third population out
          for (int p = 3; p <= n; p += 3) sel[static_cast<std::size_t>(p)] = 0;
        const ClusterSteps want = plainChain(n, sel, dist);
        ClusterSteps got;
        Cluster_Average_Chain(n, sel, dist, got);
        expectSameChain(got, want, n, name);
      }
}

// Hundreds of candidates level at every step: their sums are taken on the pool, with the same result on
// one thread and on several.
TEST(ClusterChain, ManyLevelCandidatesOnAnyNumberOfThreads) {
  const int n = 400;
  const Table2<double> dist = drawnDistances(n, 9, {0.1, 0.1, 0.1, 0.3}, 0.01, true);
  Vec1<int> sel = makeVec1<int>(n, 1);
  sel[0] = 0;
  const ClusterSteps want = plainChain(n, sel, dist);
  for (int threads : {1, 4}) {
    setWorkerThreads(threads);
    ClusterSteps got;
    Cluster_Average_Chain(n, sel, dist, got);
    expectSameChain(got, want, n, std::to_string(threads) + " threads");
  }
  setWorkerThreads(0);
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
      // Distances equal in exact arithmetic but apart in their last bits are a tie: the first pair and the
      // smaller number join first, as with equal distances.
      {"equal smallest pairs by the tie rule", 3, {}, distances(3, {{1, 2, .5}, {1, 3, 0.1 + 0.2}, {2, 3, .3}}),
       {1, 2, 1}, {.3, .4}},
      {"equal candidates by the tie rule", 4, {},
       distances(4, {{1, 2, .1}, {1, 3, .4}, {2, 3, .4}, {1, 4, std::nextafter(.4, 0.0)}, {2, 4, std::nextafter(.4, 0.0)},
                     {3, 4, .1}}),
       {1, 1, 2, 3}, {.1, .4, .3}},
      // Levels may fall: 3 joins at .5, then 4 at (.6 + .6 + .15) / 3 = .45; every member counts equally.
      {"falling levels", 4, {},
       distances(4, {{1, 2, .1}, {1, 3, .5}, {2, 3, .5}, {1, 4, .6}, {2, 4, .6}, {3, 4, .15}}), {1, 1, 2, 3},
       {.1, .5, .45}},
      // Two close pairs far from each other: 3 joins the first pair at (.67 + .83) / 2 = .75, then 4 at
      // (.834 + 1 + .167) / 3 = .667. The second pair never forms a pair of its own.
      {"two far pairs", 4, {},
       distances(4, {{1, 2, .167}, {3, 4, .167}, {1, 3, .67}, {2, 3, .83}, {1, 4, .834}, {2, 4, 1.0}}), {1, 1, 2, 3},
       {.167, .75, .667}},
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
