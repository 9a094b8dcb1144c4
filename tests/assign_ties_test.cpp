// Decisions between results that are equal in exact arithmetic but summed in another order: the best
// population, the delta, the simulated groups that score as the real one, the self-assignment. The
// expected outcomes come from the same quantities computed with exact fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "assign/self_assign.h"
#include "assign/simulate_exclusion.h"
#include "assign_fixture.h"
#include "base/tolerance.h"
#include "support/self_assign_plain.h"

namespace kiwora {
namespace {

using testing::Individual;
using testing::Population;

// An exact fraction; genotype counts make every frequency, distance and likelihood of these cases one.
struct Q {
  __int128 n = 0, d = 1;
  Q(long long num = 0, long long den = 1) : n(num), d(den) { norm(); }
  void norm() {
    if (d < 0) n = -n, d = -d;
    __int128 a = n < 0 ? -n : n, b = d;
    while (b != 0) a %= b, std::swap(a, b);
    if (a > 1) n /= a, d /= a;
  }
  friend Q operator+(Q a, const Q& b) { Q r; r.n = a.n * b.d + b.n * a.d; r.d = a.d * b.d; r.norm(); return r; }
  friend Q operator-(Q a, const Q& b) { Q r; r.n = a.n * b.d - b.n * a.d; r.d = a.d * b.d; r.norm(); return r; }
  friend Q operator*(Q a, const Q& b) { Q r; r.n = a.n * b.n; r.d = a.d * b.d; r.norm(); return r; }
  friend Q operator/(Q a, const Q& b) { Q r; r.n = a.n * b.d; r.d = a.d * b.n; r.norm(); return r; }
  friend bool operator<(const Q& a, const Q& b) { return a.n * b.d < b.n * a.d; }
  friend bool operator==(const Q& a, const Q& b) { return a.n == b.n && a.d == b.d; }
  Q abs() const { Q r = *this; if (r.n < 0) r.n = -r.n; return r; }
};

using Locus = std::vector<std::pair<int, int>>;  // the genotypes of a population's members at one locus

// A population whose member i carries loci[l][i] at locus l.
Population members(const std::vector<Locus>& loci) {
  Population pop(loci[0].size(), Individual(loci.size()));
  for (std::size_t l = 0; l < loci.size(); ++l)
    for (std::size_t i = 0; i < loci[l].size(); ++i) pop[i][l] = loci[l][i];
  return pop;
}

// n11 members 1/1, n12 members 1/2, n22 members 2/2, after `missing` members without data.
Locus pattern(int n11, int n12, int n22, int missing = 0) {
  Locus g(static_cast<std::size_t>(missing), {-1, -1});
  g.insert(g.end(), static_cast<std::size_t>(n11), {1, 1});
  g.insert(g.end(), static_cast<std::size_t>(n12), {1, 2});
  g.insert(g.end(), static_cast<std::size_t>(n22), {2, 2});
  return g;
}

long long typed(const Locus& pop) {
  long long c = 0;
  for (const auto& [x, y] : pop) c += x > 0 && y > 0;
  return c;
}

long long count(const Locus& pop, int a) {
  long long c = 0;
  for (const auto& [x, y] : pop) c += (x == a) + (y == a);
  return c;
}

// Exact value of one method for one genotype per locus against a population given per locus: the
// likelihood for the Bayesian and the frequency method (larger is better), the distance otherwise.
// Alleles 1 and 2 are present at every locus (k = 2); no allele is absent from a population here, and a
// member without data has no allele at the locus.
Q exactValue(int method, bool onGenotypes, const std::vector<Locus>& pop, const std::vector<std::pair<int, int>>& g) {
  Q value = method == 3 ? Q(0) : Q(1);
  for (std::size_t l = 0; l < pop.size(); ++l) {
    const long long n = 2 * typed(pop[l]);
    const auto [a, b] = g[l];
    if (method == 1) {
      const Q half(1, 2), x1(count(pop[l], a)), x2(count(pop[l], b));
      const Q den(static_cast<long long>((n + 1) * (n + 2)));
      value = value * (a == b ? (x1 + half) * (x1 + 1 + half) / den : Q(2) * (x1 + half) * (x2 + half) / den);
    } else if (method == 2) {
      // Multinomial of the member's two copies: 2!/(c1! c2!) f1^c1 f2^c2.
      const Q f1(count(pop[l], a), n), f2(count(pop[l], b), n);
      value = value * (a == b ? f1 * f1 : Q(2) * f1 * f2);
    } else if (!onGenotypes) {
      Q s;
      for (int code : {1, 2}) s = s + (Q(count(pop[l], code), n) - Q((a == code) + (b == code), 2)).abs();
      value = value + s / Q(2);
    } else {
      Q s;
      const auto key = [](int u, int v) { return std::pair<int, int>(std::min(u, v), std::max(u, v)); };
      for (const auto& k : std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {2, 2}}) {
        long long c = 0;
        for (const auto& m : pop[l]) c += key(m.first, m.second) == k;
        s = s + (Q(c, typed(pop[l])) - Q(key(a, b) == k ? 1 : 0)).abs();
      }
      value = value + s / Q(2);
    }
  }
  return method == 3 ? value / Q(static_cast<long long>(pop.size())) : value;
}

// The population the exact values choose: the first of the best.
int exactBest(const std::vector<Q>& v, bool larger) {
  std::size_t best = 0;
  for (std::size_t p = 1; p < v.size(); ++p)
    if (larger ? v[best] < v[p] : v[p] < v[best]) best = p;
  return static_cast<int>(best) + 1;
}

struct Method {
  int assMethod;
  bool onGenotypes;
};
const Method kMethods[] = {{1, false}, {2, false}, {3, false}, {3, true}};

void choose(AssignmentOptions& opt, const Method& m) {
  opt.AssMethod = m.assMethod;
  opt.GDOnAlleles = m.assMethod == 3 && !m.onGenotypes;
  opt.GDOnGenotypes = m.assMethod == 3 && m.onGenotypes;
}

TEST(TieRule, EqualWithinTheirRoundingAndTheFirstOfTheSmallest) {
  // Each pair with the rounding its computation names; the controls lie 1e-11 of their size apart, which
  // is real in exact arithmetic, and decide as it does.
  struct Case {
    double a, b;
    Rounding r;
    bool equal;
  } cases[] = {
      {0.1 + 0.2, 0.3, Rounding{4}, true},
      {1 + 8 * kUlp, 1, Rounding{8}, true},
      {1 + 16 * kUlp, 1, Rounding{8}, false},
      {1e6 * (1 + 1e-11), 1e6, Rounding{4096}, false},
      {1e-15, 0, Rounding{8, 1}, true},  // 0 but for rounding, at the size of the operands
      {1e-15, 0, Rounding{8}, false},    // without operands of size 1 it is no rounding
      {-1e-15, 1e-15, Rounding{16, 1}, true},
      {1e-11, 0, Rounding{4096, 1}, false},
      {5e-13, 0, absoluteRounding(1e-12), true},
      {2e-12, 0, absoluteRounding(1e-12), false},
      {HUGE_VAL, HUGE_VAL, Rounding{4}, true},
      {HUGE_VAL, 1e308, Rounding{4}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ties(c.a, c.b, c.r), c.equal) << c.a << " " << c.b;
    EXPECT_EQ(clearlyBelow(c.a, c.b, c.r), !c.equal && c.a < c.b) << c.a << " " << c.b;
    EXPECT_EQ(clearlyAbove(c.a, c.b, c.r), !c.equal && c.a > c.b) << c.a << " " << c.b;
  }
  EXPECT_EQ(firstOfSmallest({0.7 - 0.4, 0.5, 0.1 + 0.2}, Rounding{4}), 0u);
  EXPECT_EQ(firstOfSmallest({0.5, 0.1 + 0.2, 0.7 - 0.4}, Rounding{4}), 1u) << "0.3 summed two ways; the first of them";
  EXPECT_EQ(firstOfSmallest({0.5, 0.3 * (1 + 1e-11), 0.3}, Rounding{4096}), 2u) << "1e-11 apart: no tie";
  EXPECT_EQ(firstOfSmallest({}, Rounding{4}), 0u);
}

// The same over candidates that a function offers: values at or above the bound and NaN are none; and
// rounding to a whole number, a half by the rule going up (or away from zero).
TEST(TieRule, FirstOfTheSmallestCandidateAndHalvesByTheRule) {
  const double nan = std::nan("");
  const struct { std::vector<double> values; double bound; std::size_t first; } candidates[] = {
      {{0.7 - 0.4, 0.5, 0.1 + 0.2}, 100, 0}, {{nan, 0.5, 0.1 + 0.2, 0.7 - 0.4}, 100, 2},
      {{9, 8, 8 + 1e-12}, 8, 3},             {{nan, nan}, 100, 2},
      {{}, 100, 0},                          {{2, 1, 1}, 100, 1},
      {{2 * (1 + 1e-11), 2}, 100, 1},
  };
  for (const auto& c : candidates)
    EXPECT_EQ(firstOfSmallest(c.values.size(), [&](std::size_t i) { return c.values[i]; }, c.bound, Rounding{4}),
              c.first)
        << c.values.size();
  const struct { double x, up, away; } halves[] = {
      {2.5, 3, 3},           {12.499999999999996, 13, 13}, {12.4999, 12, 12}, {-2.5, -2, -3},
      {-0.5, 0, -1},         {0.3, 0, 0},                  {0x1p60, 0x1p60, 0x1p60},
      {0.7 * 5, 4, 4},  // 3.4999999999999996
      {12.5 * (1 - 1e-11), 12, 12}, {-12.5 * (1 - 1e-11), -12, -12},
  };
  for (const auto& h : halves) {
    EXPECT_EQ(roundedHalfUp(h.x, Rounding{4}), h.up) << h.x;
    EXPECT_EQ(roundedHalfAway(h.x, Rounding{4}), h.away) << h.x;
  }
}

// Three per-locus patterns (x, y, z); two populations carry them with the first and last swapped, so a
// group (1/2, 1/1, 1/2) has the same score in both in exact arithmetic, summed in another order. Between
// the two fixtures every method meets sums that part in the last bit.
const std::vector<Locus> kPatterns[] = {{pattern(1, 1, 7, 1), pattern(1, 1, 8), pattern(1, 3, 3, 3)},
                                        {pattern(1, 1, 8), pattern(1, 3, 6), pattern(1, 2, 7)}};
const std::vector<std::pair<int, int>> kTiedGroup = {{1, 2}, {1, 1}, {1, 2}};

// Population 3 (only allele 2) is far from the group. Either order of the two tied populations is tried.
TEST(AssignTies, EqualScoresGoToTheFirstPopulationUnderEveryMethod) {
  const Locus far = pattern(0, 0, 10);
  const auto& g = kTiedGroup;
  for (const auto& xyz : kPatterns)
    for (const Method& m : kMethods)
      for (bool swapped : {false, true}) {
      const Locus &x = xyz[0], &y = xyz[1], &z = xyz[2];
      std::vector<std::vector<Locus>> pops = {{x, y, z}, {z, y, x}, {far, far, far}};
      if (swapped) std::swap(pops[0], pops[1]);
      testing::AssignCase c(2, {members(pops[0]), members(pops[1]), members(pops[2])}, {{Individual(g)}});
      choose(c.opt, m);
      c.build();
      const AssignmentResults r = c.scoreAll();
      std::vector<Q> exact;
      for (const auto& p : pops) exact.push_back(exactValue(m.assMethod, m.onGenotypes, p, g));
      ASSERT_EQ(exact[0], exact[1]) << "the fixture ties in exact arithmetic";
      SCOPED_TRACE(::testing::Message() << "method " << m.assMethod << (m.onGenotypes ? " genotypes" : "")
                                        << (swapped ? " swapped" : ""));
      EXPECT_EQ(r.GrAssignedPop[1], exactBest(exact, m.assMethod != 3));
      if (m.assMethod != 3) {
        EXPECT_EQ(r.GrDelta[1], 0) << "the second best ties with the best";
      }
    }
}

// The genotypes a generator gives at one locus, with their exact chances, from its rule: a random member's
// genotype (single-locus genotypes), a random member's first copy and another's second (alleles), or a
// random copy of one random member and a random copy of another (multilocus haplotypes, one locus).
std::vector<std::pair<std::pair<int, int>, Q>> generated(SimGenerator gen, const Locus& pop) {
  const long long n = static_cast<long long>(pop.size());
  std::vector<std::pair<std::pair<int, int>, Q>> out;
  if (gen == SimGenerator::SLGeno) {
    for (const auto& genotype : pop) out.push_back({genotype, Q(1, n)});
    return out;
  }
  for (const auto& [a1, a2] : pop)
    for (const auto& [b1, b2] : pop) {
      if (gen == SimGenerator::Alleles) {
        out.push_back({{a1, b2}, Q(1, n * n)});
        continue;
      }
      for (int x : {a1, a2})
        for (int y : {b1, b2}) out.push_back({{x, y}, Q(1, 4 * n * n)});
    }
  return out;
}

// Exclusion by LOD1 of one test individual from its single reference population, with one locus or two
// alike: E is the chance that a simulated individual scores strictly better than the real one. The
// genotypes that score as the real one (the same genotype, or one at the same distance) do not count.
// The expected E comes from the generator's chances and the exact values; the run's within binomial error.
TEST(AssignTies, SimulatedGroupsScoringAsTheRealOneCountAsNoBetter) {
  struct Case {
    Locus pop;
    std::pair<int, int> real;
    SimGenerator gen;
    int nLoci;
  };
  // What scores better and E, under the Bayesian and frequency methods | under the distances.
  const Case cases[] = {
      {pattern(1, 1, 0), {1, 2}, SimGenerator::SLGeno, 1},   // 1/1, 1/2 | nothing (1/1 ties), 0
      {pattern(1, 1, 0), {1, 1}, SimGenerator::SLGeno, 1},   // nothing, 0 | nothing (1/2 ties), 0
      {pattern(1, 1, 0), {1, 2}, SimGenerator::MLHap, 1},    // 1/1, 9/16 | nothing (1/1 ties), 0
      {{{1, 2}, {2, 1}}, {1, 1}, SimGenerator::Alleles, 1},  // 1/2, 1/2 (2/2 ties) under every method
      {pattern(2, 6, 2), {1, 1}, SimGenerator::SLGeno, 1},   // 1/2, 0.6 (2/2 ties) under every method
      {pattern(2, 6, 2), {1, 1}, SimGenerator::SLGeno, 2},   // 1/2 at some locus, 1 - 0.4^2
  };
  const int nSim = 10000;
  for (const Case& c : cases)
    for (const Method& m : kMethods) {
      const std::vector<Locus> pop(static_cast<std::size_t>(c.nLoci), c.pop);
      const std::vector<std::pair<int, int>> real(static_cast<std::size_t>(c.nLoci), c.real);
      const bool larger = m.assMethod != 3;
      const Q observed = exactValue(m.assMethod, m.onGenotypes, pop, real);
      // Every combination of the loci's genotypes; the generators of these cases draw each locus alone.
      std::vector<std::pair<std::vector<std::pair<int, int>>, Q>> sims = {{{}, Q(1)}};
      for (int l = 0; l < c.nLoci; ++l) {
        std::vector<std::pair<std::vector<std::pair<int, int>>, Q>> next;
        for (const auto& [g, q] : sims)
          for (const auto& [kind, chance] : generated(c.gen, c.pop)) {
            auto longer = g;
            longer.push_back(kind);
            next.push_back({longer, q * chance});
          }
        sims = next;
      }
      Q better;
      for (const auto& [g, q] : sims) {
        const Q v = exactValue(m.assMethod, m.onGenotypes, pop, g);
        if (larger ? observed < v : v < observed) better = better + q;
      }
      const double expected = static_cast<double>(better.n) / static_cast<double>(better.d);

      testing::AssignCase run(2, {members(pop)}, {{Individual(real)}});
      choose(run.opt, m);
      run.opt.NSimGroups = nSim;
      run.build();
      AssignmentResults res = run.scoreAll();
      const SimulationReference sim(
          simulationSource(run.ref, run.refs.data, run.test.TestAllele, run.refs.locSel, run.mode), c.gen);
      const Table2<Cell> e = simulateExclusionLod1(ExclusionSetup{&run.ref, &run.opt, &sim, 5, {}}, res);
      SCOPED_TRACE(::testing::Message() << "real " << c.real.first << "/" << c.real.second << ", generator "
                                        << static_cast<int>(c.gen) << ", " << c.nLoci << " loci, method "
                                        << m.assMethod << (m.onGenotypes ? " genotypes" : ""));
      ASSERT_TRUE(e(1, 1));
      EXPECT_NEAR(*e(1, 1), expected, 4.5 * std::sqrt(expected * (1 - expected) / nSim) + 1e-12);
    }
}

// Self-assignment: population 1 is the three per-locus patterns plus the tested member, population 2
// the same patterns with loci 1 and 3 swapped. Once left out, the member (1/2, 1/1, 1/2) lies as near to
// population 2 as to its own in exact arithmetic, and goes to the first: its own.
TEST(AssignTies, SelfAssignmentOfAnIndividualAsNearToAnotherPopulation) {
  const auto& g = kTiedGroup;
  for (const auto& xyz : kPatterns) {
  const Locus &x = xyz[0], &y = xyz[1], &z = xyz[2];
  Population p1 = members({x, y, z});
  p1.push_back(Individual(g));
  testing::Fixture f(2, {p1, members({z, y, x})});
  DataSet ds;
  ds.NPop = 2;
  ds.NLoci = 3;
  ds.MaxAllele = 2;
  ds.Allele = f.data;
  Selection sel;
  sel.PopSel = f.popSel;
  sel.LocSel = f.locSel;
  sel.LocMode = makeVec1<int>(3, 1);
  for (const Method& m : kMethods) {
    const Q own = exactValue(m.assMethod, m.onGenotypes, {x, y, z}, g);
    const Q other = exactValue(m.assMethod, m.onGenotypes, {z, y, x}, g);
    ASSERT_EQ(own, other) << "the fixture ties in exact arithmetic";
    AssignmentOptions opt;
    choose(opt, m);
    opt.MinFreqMiss = 0.001;
    opt.WeightBip = opt.WeightMat = 0.5;
    GenotypeData work = ds.Allele;
    EXPECT_EQ(Self_Assign_Run(work, ds, sel, opt, 1, {static_cast<int>(p1.size())}), exactBest({own, other}, m.assMethod != 3))
        << "method " << m.assMethod << (m.onGenotypes ? " genotypes" : "");
    EXPECT_EQ(work, ds.Allele) << "the member is back";
  }
  }
}

}  // namespace
}  // namespace kiwora
