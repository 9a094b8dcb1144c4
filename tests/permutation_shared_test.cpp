// The pieces every permutation test shares: dealing out pooled individuals, the streams of the
// permutations, the tie rule, the checks of the user's choices and the one-run guard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "permutation/resampling.h"
#include "permutation/run_support.h"
#include "ui/busy_guard.h"
#include "ui/result_file_ready.h"
#include "ui/test_window_support.h"
#include "stats_fixture.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;

// One deal from a pool gathered for it alone.
void dealPool(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel, ResamplingUnit unit,
              std::span<const int> sizes, Random& rng, GenotypeData& out) {
  PooledSample(src, pool, locSel).deal(unit, sizes, rng, out);
}

// Two populations of distinct individuals (codes tell them apart), two loci; a missing copy included.
Fixture twoPops() {
  return Fixture(20, {{{{1, 2}, {11, 12}}, {{3, 4}, {13, 14}}, {{5, -1}, {15, 16}}},
                      {{{6, 7}, {17, 18}}, {{8, 9}, {19, 20}}}});
}

std::multiset<int> copiesAt(const GenotypeData& g, int l) {
  std::multiset<int> s;
  for (int p = 1; p <= g.nPop(); ++p)
    for (int i = 1; i <= g.nInd(p); ++i) s.insert({g.a1(p, l, i), g.a2(p, l, i)});
  return s;
}
std::multiset<std::pair<int, int>> genotypesAt(const GenotypeData& g, int l) {
  std::multiset<std::pair<int, int>> s;
  for (int p = 1; p <= g.nPop(); ++p)
    for (int i = 1; i <= g.nInd(p); ++i) s.insert({g.a1(p, l, i), g.a2(p, l, i)});
  return s;
}
std::multiset<std::vector<int>> individuals(const GenotypeData& g) {
  std::multiset<std::vector<int>> s;
  for (int p = 1; p <= g.nPop(); ++p)
    for (int i = 1; i <= g.nInd(p); ++i) {
      std::vector<int> v;
      for (int l = 1; l <= g.nLoci(); ++l) v.insert(v.end(), {g.a1(p, l, i), g.a2(p, l, i)});
      s.insert(v);
    }
  return s;
}

TEST(Resampling, DealingOutThePoolKeepsWhatTheUnitKeeps) {
  const Fixture f = twoPops();
  const int pops[] = {1, 2};
  const auto pool = poolOf(f.data, pops);
  ASSERT_EQ(pool.size(), 5u);
  const int sizes[] = {3, 2};
  for (ResamplingUnit unit : {ResamplingUnit::Alleles, ResamplingUnit::SingleLocus, ResamplingUnit::Multilocus}) {
    SCOPED_TRACE(static_cast<int>(unit));
    bool changed = false;
    for (int k = 1; k <= 20; ++k) {
      Random rng = Random::stream(7, 1, k);
      GenotypeData out;
      dealPool(f.data, pool, f.locSel, unit, sizes, rng, out);
      ASSERT_EQ(out.nPop(), 2);
      EXPECT_EQ(out.nInd(1), 3);
      EXPECT_EQ(out.nInd(2), 2);
      for (int l = 1; l <= 2; ++l) {
        EXPECT_EQ(copiesAt(out, l), copiesAt(f.data, l)) << "every pooled copy dealt once, locus " << l;
        if (unit != ResamplingUnit::Alleles) {
          EXPECT_EQ(genotypesAt(out, l), genotypesAt(f.data, l));
        }
      }
      if (unit == ResamplingUnit::Multilocus) {
        EXPECT_EQ(individuals(out), individuals(f.data));
      }
      changed = changed || !(out == f.data);
    }
    EXPECT_TRUE(changed) << "twenty deals all gave the original samples";
  }
}

TEST(Resampling, SmallerSamplesDrawDistinctIndividualsAndLeaveTheRest) {
  // 10 and 25 individuals, each with codes of its own; both samples take 10.
  std::vector<testing::Population> pops(2);
  int code = 1;
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < (p == 0 ? 10 : 25); ++i, code += 2) pops[static_cast<std::size_t>(p)].push_back({{code, code + 1}});
  const Fixture f(code, pops);
  const int both[] = {1, 2};
  const auto pool = poolOf(f.data, both);
  const int sizes[] = {10, 10};
  for (ResamplingUnit unit : {ResamplingUnit::Alleles, ResamplingUnit::SingleLocus, ResamplingUnit::Multilocus}) {
    Random rng = Random::stream(3, 0, 1);
    GenotypeData out;
    dealPool(f.data, pool, f.locSel, unit, sizes, rng, out);
    EXPECT_EQ(out.nInd(1), 10);
    EXPECT_EQ(out.nInd(2), 10);
    const auto dealt = copiesAt(out, 1);
    EXPECT_EQ(dealt.size(), 40u);
    EXPECT_EQ(std::set<int>(dealt.begin(), dealt.end()).size(), 40u) << "a pooled copy was dealt twice";
  }
}

TEST(Resampling, EveryRowIsEquallyLikely) {
  // One individual out of three: the first must not be favoured.
  const Fixture f(3, {{{{1, 1}}}, {{{2, 2}}, {{3, 3}}}});
  const int pops[] = {1, 2};
  const auto pool = poolOf(f.data, pops);
  const int sizes[] = {1};
  std::map<int, int> seen;
  const int n = 30000;
  for (int k = 1; k <= n; ++k) {
    Random rng = Random::stream(11, 0, k);
    GenotypeData out;
    dealPool(f.data, pool, f.locSel, ResamplingUnit::Multilocus, sizes, rng, out);
    ++seen[out.a1(1, 1, 1)];
  }
  for (int c = 1; c <= 3; ++c) EXPECT_NEAR(seen[c] / double(n), 1.0 / 3, 0.015) << "code " << c;
}

TEST(Resampling, EdgeCases) {
  const Fixture f = twoPops();
  const int both[] = {1, 2};
  const auto pool = poolOf(f.data, both);
  Random rng(5);
  GenotypeData out;

  const int tooMany[] = {4, 2};
  EXPECT_THROW(dealPool(f.data, pool, f.locSel, ResamplingUnit::Alleles, tooMany, rng, out), std::invalid_argument);

  // An empty sample (a population without individuals) and an unselected locus, left missing.
  Vec1<int> locSel = f.locSel;
  locSel[2] = 0;
  const int sizes[] = {0, 5};
  dealPool(f.data, pool, locSel, ResamplingUnit::SingleLocus, sizes, rng, out);
  EXPECT_EQ(out.nInd(1), 0);
  EXPECT_EQ(copiesAt(out, 1), copiesAt(f.data, 1)) << "the missing copy is dealt like any code";
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(out.a1(2, 2, i), kMissing);

  // The same population given twice is pooled twice.
  const int twice[] = {2, 2};
  EXPECT_EQ(poolOf(f.data, twice).size(), 4u);
}

TEST(PermutationStreams, DifferByUnitAndPermutation) {
  std::set<std::uint64_t> first;
  for (int unit : {0, 1, 2})
    for (int perm : {1, 2, 3}) first.insert(Random::stream(42, unit, perm).next());
  EXPECT_EQ(first.size(), 9u);
  EXPECT_EQ(Random::stream(42, 1, 2).next(), Random::stream(42, 1, 2).next());
  EXPECT_NE(Random::stream(42, 1, 2).next(), Random::stream(43, 1, 2).next());
}

TEST(TieRule, CountsEqualValuesWithinTheTolerance) {
  struct Case {
    double d, o;
    bool atLeast, atMost, extreme;
  } cases[] = {
      {0.5, 0.5, true, true, true},
      {0.5 + 1e-15, 0.5, true, true, true},   // the same sum in another order
      {0.5 - 1e-15, 0.5, true, true, true},
      {0.5001, 0.5, true, false, true},
      {0.4999, 0.5, false, true, false},
      {0.0, 0.0, true, true, true},            // observed 0 counts d <= 0
      {-0.1, 0.0, false, true, true},
      {0.1, 0.0, true, false, false},
      {-0.3, -0.2, false, true, true},         // negative observed: d <= o
      {-0.1, -0.2, true, false, false},
  };
  const Rounding kSum{32};  // values summed from a few dozen terms
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.d << " vs " << c.o);
    EXPECT_EQ(atLeast(c.d, c.o, kSum), c.atLeast);
    EXPECT_EQ(atMost(c.d, c.o, kSum), c.atMost);
    EXPECT_EQ(asExtremeOnSide(c.d, c.o, kSum), c.extreme);
  }
  // A difference of two values near 2 that should be 0: equal relative to the operands' size only.
  const double noise = (0.1 + 0.2 + 1.7) - (1.7 + 0.2 + 0.1);
  EXPECT_TRUE(asExtremeOnSide(std::fabs(noise) + 1e-16, 0.0, Rounding{8, 2.0}));
  EXPECT_FALSE(asExtremeOnSide(1e-6, 0.0, Rounding{8, 2.0}));
  // An observed difference that is 0 but for rounding takes the side of 0 (d <= o), whatever its sign.
  for (const double o : {4.4e-16, -4.4e-16}) {
    SCOPED_TRACE(o);
    EXPECT_TRUE(asExtremeOnSide(-0.25, o, Rounding{8, 2.0}));
    EXPECT_FALSE(asExtremeOnSide(0.25, o, Rounding{8, 2.0}));
  }
}

TEST(UserChoices, PermutationCount) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"1000", 1000}, {"1", 1}, {" 250 perms", 250}, {"5,0", 5},
      {"0", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt}, {"-5", std::nullopt},
      {"2.5", std::nullopt}, {"0.9", std::nullopt}, {"99999999999", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(permutationCount(text), expected) << '"' << text << '"';
}

TEST(UserChoices, UsablePopulation) {
  DataSet ds;
  ds.NPop = 3;
  Selection sel;
  sel.PopSel = {0, 1, 0, 1};
  const std::pair<int, bool> cases[] = {{0, false}, {1, true}, {2, false}, {3, true}, {4, false}, {-1, false}};
  for (const auto& [p, usable] : cases) EXPECT_EQ(populationUsable(ds, sel, p), usable) << p;
}

TEST(UserChoices, ResultFileMustBeWritable) {
  testing::TempDir dir;
  const std::string path = dir.write("out.txt", "kept\r\n");
  EXPECT_FALSE(appendRefusal(path));
  EXPECT_EQ(testing::readFile(path), "kept\r\n");
  EXPECT_TRUE(appendRefusal(dir.path()));
  EXPECT_TRUE(appendRefusal(dir.file("no/such/folder/out.txt")));
  EXPECT_TRUE(appendRefusal(""));
}

TEST(BusyGuardTest, OneRunAtATimeAndTheSelectionComesBack) {
  for (const auto mode : {BusyGuard::SelectionAtEnd::Kept, BusyGuard::SelectionAtEnd::Restored}) {
    const bool restores = mode == BusyGuard::SelectionAtEnd::Restored;
    WorkflowFlags flags;
    Selection sel;
    sel.PopSel = {0, 1, 0, 1};
    sel.LocSel = {0, 1, 1};
    {
      BusyGuard run(flags, sel, mode);
      ASSERT_TRUE(run.acquired());
      EXPECT_EQ(flags.Busy, 1);
      sel.PopSel = {0, 1, 1, 1};  // e.g. a list click while the run lets events through
      {
        BusyGuard second(flags, sel, mode);
        EXPECT_FALSE(second.acquired());
        sel.PopSel[1] = 0;
      }
      EXPECT_EQ(flags.Busy, 1) << "a refused second run must not end the first";
      if (restores) {
        EXPECT_EQ(run.selection().PopSel, (Vec1<int>{0, 1, 0, 1}));
      }
    }
    EXPECT_EQ(flags.Busy, 0);
    EXPECT_EQ(sel.PopSel, restores ? (Vec1<int>{0, 1, 0, 1}) : (Vec1<int>{0, 0, 1, 1}));
  }
}

}  // namespace
}  // namespace kiwora
