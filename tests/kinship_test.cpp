// Distance, kinship and relationship class of pairs of individuals, the simulated intervals, the pairs
// file and the spatial statistic per locus.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <cmath>
#include <set>

#include "../bench/generate.h"
#include "base/number_format.h"
#include "spatial/geo_distance.h"
#include "kinship/kinship.h"
#include "kinship/pairs_file.h"
#include "base/worker_pool.h"
#include "spatial/spatial_structure.h"
#include "stats/allele_stats.h"
#include "stats_fixture.h"
#include "support/app_fixture.h"
#include "support/exact_decimal.h"
#include "support/full_distance_tables.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::readFile;
using testing::TempDir;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t e = text.find("\r\n"); e != std::string::npos; e = text.find("\r\n", start)) {
    out.push_back(text.substr(start, e - start));
    start = e + 2;
  }
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return out;
}

// Plane distances of populations on a line at the given tenths, read as tenths (scale 10) or as whole
// numbers (scale 1: the layout scaled by 10, where every distance is exact).
Table2<double> geoOfTenths(const std::vector<int>& tenths, double scale) {
  const int n = static_cast<int>(tenths.size());
  Vec1<double> x = makeVec1<double>(n), y = makeVec1<double>(n);
  for (int p = 1; p <= n; ++p) x[at(p)] = tenths[at(p - 1)] / scale;
  Table2<double> g;
  Calc_Geo_Distances(n, x, y, Coordinates::Plane, g);
  return g;
}

// Runs the kinship analysis on a fixture, with a pairs file, and returns the file's lines.
struct KinshipRun {
  Fixture f;
  Vec1<std::string> names;
  AnalysisOptions o;
  Table2<double> geo;
  double geoRounding = 16 * 0x1p-52 * 10;  // the fixtures' coordinates lie within 10 of 0
  KinshipResults r;
  TempDir dir;

  KinshipRun(int maxA, const std::vector<testing::Population>& pops, std::vector<std::string> popNames)
      : f(maxA, pops) {
    names = makeVec1<std::string>(static_cast<int>(pops.size()));
    for (std::size_t p = 0; p < popNames.size(); ++p) names[p + 1] = popNames[p];
    geo.resize(static_cast<int>(pops.size()), static_cast<int>(pops.size()));
    o.KinMinData = 0.8;
    o.KinNNeighbours = 1;
  }
  std::vector<std::string> run(const SimulatedIntervals* intervals = nullptr) {
    AlleleStats a;
    Calc_Allele_Freq(f.view(), false, a);
    PairsFile file;
    EXPECT_TRUE(file.create(dir.file("pairs.csv")));
    Kinship_Ind_Pairs(f.view(), names, a.AlleleFreq, geo, geoRounding, o, intervals, &file, {}, r);
    EXPECT_TRUE(file.close());
    return lines(readFile(dir.file("pairs.csv")));
  }
};

// Three individuals at two loci, own allele frequencies (L1: 1 and 2 at 0.5; L2: 1, 2, 3 at 1/3 each).
// By hand, with Sxy = sum (x - p)(y - p) and Spq = sum p(1 - p) = 1/2 + 2/3 = 7/6, Kin = Sxy/Spq + 1/(6 - 1)
// (six genes in the reference):
//   (1,2): d = 0.5 and 0, DGM 0.25; Sxy = 0 + 1/6, Kin = 1/7 + 1/5
//   (1,3): d = 1 and 1, DGM 1;      Sxy = -1/2 - 1/3, Kin = -5/7 + 1/5
//   (2,3): d = 0.5 and 1, DGM 0.75; Sxy = 0 - 1/3, Kin = -2/7 + 1/5
const std::vector<testing::Population> kThree = {{
    {{1, 1}, {1, 2}},
    {{1, 2}, {1, 2}},
    {{2, 2}, {3, 3}},
}};

TEST(KinshipPairs, DistanceKinshipAndTalliesOfHandMadePairs) {
  KinshipRun k(3, kThree, {"North"});
  const auto file = k.run();
  ASSERT_EQ(file.size(), 4u);
  EXPECT_EQ(file[0], "Pop,Ind_1,Ind_2,N_loci,DGM,CI,F_D0,F_D1,Kin");
  EXPECT_EQ(file[1], "North,1,2,2,0.2500,,0.5000,0.0000,0.3429");
  EXPECT_EQ(file[2], "North,1,3,2,1.0000,,0.0000,1.0000,-0.5143");
  EXPECT_EQ(file[3], "North,2,3,2,0.7500,,0.0000,0.5000,-0.0857");

  const KinshipResults& r = k.r;
  EXPECT_EQ(r.KinNP[1], 3);
  EXPECT_DOUBLE_EQ(*r.KinMinGDM[1], 0.25);
  EXPECT_DOUBLE_EQ(*r.KinMaxGDM[1], 1);
  EXPECT_DOUBLE_EQ(*r.KinMeanGDM[1], 2.0 / 3);
  EXPECT_EQ(r.KinND00[1] + r.KinND05[1] + r.KinND10[1], 0);
  EXPECT_EQ(r.KinNK[1], 3);
  EXPECT_DOUBLE_EQ(*r.KinP125[1], 0);
  EXPECT_DOUBLE_EQ(*r.KinP250[1], 0);
  EXPECT_DOUBLE_EQ(*r.KinPGt250[1], 1.0 / 3);  // 12/35
  EXPECT_NEAR(*r.KinMeanK[1], (12.0 / 35 - 18.0 / 35 - 3.0 / 35) / 3, 1e-12);
  EXPECT_FALSE(r.KinPFS[1]) << "no classes without simulated intervals";
}

// Kin of each pair in exact arithmetic, with the population's own frequencies and every locus typed. With
// c the copies of an allele among the 2n and x the copies an individual carries,
// Sxy (2n)^2 = sum (n x1 - c)(n x2 - c) and Spq (2n)^2 = sum c (2n - c); so Kin = X / Y + 1 / (2n - 1) is
// the fraction (X (2n - 1) + Y) / (Y (2n - 1)).
struct Fraction {
  long long num, den;
};
std::vector<Fraction> exactKins(const testing::Population& pop, int maxA) {
  const long long n = static_cast<long long>(pop.size());
  const std::size_t nLoci = pop[0].size();
  std::vector<std::vector<long long>> copies(nLoci, std::vector<long long>(at(maxA) + 1, 0));
  for (const auto& ind : pop)
    for (std::size_t l = 0; l < nLoci; ++l) ++copies[l][at(ind[l].first)], ++copies[l][at(ind[l].second)];
  const auto carried = [](const testing::Genotype& g, int a) { return (g.first == a) + (g.second == a); };
  std::vector<Fraction> out;
  for (std::size_t x = 0; x < pop.size(); ++x)
    for (std::size_t y = x + 1; y < pop.size(); ++y) {
      long long X = 0, Y = 0;
      for (std::size_t l = 0; l < nLoci; ++l)
        for (int a = 1; a <= maxA; ++a) {
          const long long c = copies[l][at(a)];
          X += (n * carried(pop[x][l], a) - c) * (n * carried(pop[y][l], a) - c);
          Y += c * (2 * n - c);
        }
      out.push_back({X * (2 * n - 1) + Y, Y * (2 * n - 1)});
    }
  return out;
}

// The kinship classes and the pairs file decide as exact arithmetic does on pairs whose Kin is exactly a
// bound (1/20, 1/4) or a half at the file's four decimals (7/160 = 0.04375), though the sums leave the
// double a few units off it, and on small samples of other exact values; and the same with the codes
// renumbered, which sums the alleles in another order.
TEST(KinshipPairs, ClassesAndPairsFileAsExactArithmeticGivesThem) {
  using testing::exactDecimal;
  const struct { const char* name; testing::Population pop; } cases[] = {
      {"a pair at 1/4", {{{1, 2}, {2, 3}}, {{2, 1}, {3, 1}}, {{1, 2}, {3, 2}}}},
      {"two pairs at 1/20",
       {{{3, 3}, {2, 3}, {2, 3}}, {{2, 3}, {1, 1}, {3, 3}}, {{1, 1}, {3, 3}, {1, 2}}, {{1, 1}, {1, 3}, {3, 3}},
        {{3, 3}, {3, 3}, {3, 2}}, {{3, 2}, {3, 1}, {3, 2}}, {{3, 2}, {2, 3}, {1, 2}}, {{1, 3}, {2, 2}, {1, 2}}}},
      {"a pair at 7/160", {{{1, 2}, {1, 2}}, {{2, 2}, {2, 3}}, {{2, 2}, {3, 3}}}},
      {"three, one locus", {{{2, 1}}, {{2, 1}}, {{2, 2}}}},
      {"three, one locus, other", {{{2, 2}}, {{1, 2}}, {{1, 2}}}},
      {"five, two loci", {{{1, 3}, {1, 2}}, {{2, 2}, {1, 3}}, {{1, 2}, {2, 3}}, {{2, 3}, {1, 3}}, {{2, 2}, {1, 3}}}},
      {"five, mostly 1/1", {{{1, 1}, {1, 1}}, {{1, 1}, {1, 1}}, {{1, 2}, {1, 2}}, {{1, 2}, {1, 1}}, {{1, 1}, {1, 1}}}},
      {"five, four alleles", {{{3, 4}, {2, 3}}, {{2, 3}, {3, 3}}, {{3, 3}, {1, 4}}, {{1, 2}, {2, 3}}, {{2, 3}, {2, 3}}}},
  };
  // The fixtures hold what their names say.
  const auto has = [](const std::vector<Fraction>& kins, long long num, long long den) {
    return std::count_if(kins.begin(), kins.end(), [&](const Fraction& k) { return k.num * den == num * k.den; });
  };
  EXPECT_EQ(has(exactKins(cases[0].pop, 4), 1, 4), 1);
  EXPECT_EQ(has(exactKins(cases[1].pop, 4), 1, 20), 2);
  EXPECT_EQ(has(exactKins(cases[2].pop, 4), 7, 160), 1);
  const int renumbered[] = {0, 9, 4, 7, 1};  // code -> code, out of order
  for (const auto& c : cases) {
    const std::vector<Fraction> kins = exactKins(c.pop, 4);
    const long long np = static_cast<long long>(kins.size());
    long long k125 = 0, k250 = 0, kGt250 = 0;
    const auto above = [](const Fraction& k, long long num, long long den) { return k.num * den > num * k.den; };
    for (const Fraction& k : kins) {
      k125 += above(k, 1, 20) && !above(k, 1, 8);
      k250 += above(k, 1, 8) && !above(k, 1, 4);
      kGt250 += above(k, 1, 4);
    }
    for (bool renumber : {false, true}) {
      testing::Population pop = c.pop;
      if (renumber)
        for (auto& ind : pop)
          for (auto& g : ind) g = {renumbered[g.first], renumbered[g.second]};
      KinshipRun k(9, {pop}, {"P"});
      const auto file = k.run();
      const std::string name = std::string(c.name) + (renumber ? ", renumbered" : "");
      ASSERT_EQ(file.size(), kins.size() + 1) << name;
      for (std::size_t i = 0; i < kins.size(); ++i)
        EXPECT_EQ(file[i + 1].substr(file[i + 1].rfind(',') + 1), exactDecimal(kins[i].num, kins[i].den, 4))
            << name << " pair " << i + 1;
      ASSERT_EQ(k.r.KinNK[1], np) << name;
      EXPECT_EQ(masked(*k.r.KinP125[1], "0.000"), exactDecimal(k125, np, 3)) << name;
      EXPECT_EQ(masked(*k.r.KinP250[1], "0.000"), exactDecimal(k250, np, 3)) << name;
      EXPECT_EQ(masked(*k.r.KinPGt250[1], "0.000"), exactDecimal(kGt250, np, 3)) << name;
    }
  }
}

TEST(KinshipPairs, ClassesAgainstHandMadeIntervals) {
  // Two simulations per class: the bounds are the elements 1 and 2 of each sorted series.
  SimulatedIntervals s;
  s.NSim = 2;
  s.CILimit = 95;
  s.CILow = 1;
  s.CIHigh = 2;
  for (Table2<double>* t : {&s.SimSE, &s.SimFS, &s.SimHS, &s.SimNR}) t->resize(1, 2);
  const double rows[4][2] = {{0, 0.1}, {0.2, 0.5}, {0.4, 0.7}, {0.8, 1.0}};
  Table2<double>* tables[4] = {&s.SimSE, &s.SimFS, &s.SimHS, &s.SimNR};
  for (int c = 0; c < 4; ++c)
    for (int k = 1; k <= 2; ++k) (*tables[c])(1, k) = rows[c][k - 1];
  s.Simulated = {0, 1};

  KinshipRun k(3, kThree, {"North"});
  const auto file = k.run(&s);
  ASSERT_EQ(file.size(), 4u);
  EXPECT_EQ(file[1], "North,1,2,2,0.2500, FS,0.5000,0.0000,0.3429");  // 0.25 within FS
  EXPECT_EQ(file[2], "North,1,3,2,1.0000, NR,0.0000,1.0000,-0.5143");
  EXPECT_EQ(file[3], "North,2,3,2,0.7500,HS/NR,0.0000,0.5000,-0.0857");  // between hi(HS) 0.7 and lo(NR) 0.8
  const KinshipResults& r = k.r;
  const double third = 1.0 / 3;
  EXPECT_DOUBLE_EQ(*r.KinPFS[1], third);
  EXPECT_DOUBLE_EQ(*r.KinPNR[1], third);
  EXPECT_DOUBLE_EQ(*r.KinPHSNR[1], third);
  for (const Vec1<Cell>* v : {&r.KinPSE, &r.KinPFSHS, &r.KinPHS, &r.KinPNN}) EXPECT_DOUBLE_EQ(*(*v)[1], 0);
}

TEST(KinshipPairs, SingleLocusDistances) {
  EXPECT_EQ(singleLocusDistance(1, 1, 2, 2), 1);
  EXPECT_EQ(singleLocusDistance(1, 2, 1, 3), 0.5);
  EXPECT_EQ(singleLocusDistance(1, 2, 2, 1), 0);
  EXPECT_EQ(singleLocusDistance(1, 1, 1, 2), 0.5);
  EXPECT_EQ(singleLocusDistance(3, 3, 3, 3), 0);
}

TEST(KinshipPairs, ClassAndPairsTextAtTheEdgesOfTheIntervals) {
  // FS and HS overlap in the first set of bounds; the second has gaps; in the third HS starts below FS.
  ClassBounds overlap{0, 0.1, 0.2, 0.5, 0.4, 0.7, 0.8, 1};
  ClassBounds gaps{0, 0.1, 0.2, 0.3, 0.4, 0.6, 0.7, 1};
  ClassBounds hsFirst{0, 0.05, 0.3, 0.5, 0.2, 0.4, 0.8, 1};
  const struct { const ClassBounds* b; double dgm; KinClass cls; const char* text; } cases[] = {
      {&overlap, 0.45, KinClass::FS, " FS HS"},   // the earlier class wins; the text names both
      {&overlap, 0.5, KinClass::FS, " FS HS"},    // hi(FS), also inside HS
      {&overlap, 0.15, KinClass::NN, "<FS"},
      {&overlap, 0.05, KinClass::SE, "<FS"},      // the selfing interval plays no part in the text
      {&gaps, 0.3, KinClass::FS, " FS"},          // exactly hi(FS)
      {&gaps, 0.35, KinClass::FS_HS, "FS/HS"},
      {&gaps, 0.4, KinClass::FS_HS, " HS"},       // exactly lo(HS) above hi(FS): a class of the gap, the text HS
      {&gaps, 0.65, KinClass::HS_NR, "HS/NR"},
      {&gaps, 0.7, KinClass::HS_NR, " NR"},       // exactly lo(NR) above hi(HS)
      {&gaps, 1.0, KinClass::NR, " NR"},
      {&hsFirst, 0.25, KinClass::HS, "<FS HS"},  // below FS and inside HS
  };
  for (const auto& c : cases) {
    EXPECT_EQ(relationshipClass(c.dgm, *c.b), c.cls) << c.dgm;
    EXPECT_EQ(pairsClassText(c.dgm, *c.b), c.text) << c.dgm;
  }
}

TEST(KinshipPairs, MinimumLociWithDataAndBoundaryTallies) {
  // Seven loci, KinMinData 0.8: 5.6 rounds to 6 loci. Individual 2 lacks one locus, individual 3 two.
  // Pair (1,2): 6 loci, identical: DGM 0. Pair (1,3): 5 loci, not evaluated. Pair (2,3): 5 loci, not evaluated.
  using G = testing::Genotype;
  const testing::Individual full(7, G{1, 2});
  testing::Individual miss1 = full, miss2 = full;
  miss1[0] = {-1, 2};
  miss2[0] = {-1, -1};
  miss2[6] = {1, -1};
  KinshipRun k(2, {{full, miss1, miss2}}, {"P"});
  auto file = k.run();
  ASSERT_EQ(file.size(), 2u);
  EXPECT_EQ(file[1].substr(0, 27), "P,1,2,6,0.0000,,1.0000,0.00");
  EXPECT_EQ(k.r.KinND00[1], 1);
  EXPECT_EQ(k.r.KinND05[1], 0);
  EXPECT_EQ(k.r.KinNP[1], 1);

  // Five loci and 0.5: 2.5 rounds up to 3, so the pair with 3 loci counts and one with 2 does not.
  const testing::Individual five(5, G{1, 2});
  testing::Individual three = five, two = five;
  three[0] = three[1] = {-1, -1};
  two[0] = two[1] = two[2] = {-1, -1};
  KinshipRun k5(2, {{five, three, two}}, {"Q"});
  k5.o.KinMinData = 0.5;
  file = k5.run();
  ASSERT_EQ(file.size(), 2u);
  EXPECT_EQ(file[1].substr(0, 8), "Q,1,2,3,");

  // DGM exactly 0.05 counts in N_D_05, exactly 0.1 in N_D_10: 20 loci, one and two differing in one copy.
  const testing::Individual base(20, G{1, 1});
  testing::Individual one = base, twoOff = base;
  one[0] = {1, 2};
  twoOff[0] = twoOff[1] = {1, 2};
  twoOff[2] = {2, 2};  // d = 1 at this locus against `base`
  KinshipRun k20(2, {{base, one}, {base, twoOff}}, {"A", "B"});
  k20.run();
  EXPECT_EQ(k20.r.KinND05[1], 1);  // 0.5 / 20 = 0.025
  EXPECT_EQ(k20.r.KinND10[2], 1);  // (0.5 + 0.5 + 1) / 20 = 0.1
  EXPECT_EQ(k20.r.KinND05[2], 0);
}

TEST(KinshipPairs, PairsWithoutReferenceVarianceCountForDistancesOnly) {
  // Population 1 is monomorphic with its own frequencies as reference: Spq = 0 for every pair. The pairs
  // count for the distances and go into the file without a kinship value; the kinship shares and mean stay
  // undefined instead of dividing by zero.
  KinshipRun k(3, {{{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}}, kThree[0]}, {"Mono", "North"});
  const auto file = k.run();
  ASSERT_EQ(file.size(), 7u);
  EXPECT_EQ(file[1], "Mono,1,2,2,0.0000,,1.0000,0.0000,");
  EXPECT_EQ(file[4], "North,1,2,2,0.2500,,0.5000,0.0000,0.3429");
  EXPECT_EQ(k.r.KinNP[1], 3);
  EXPECT_EQ(k.r.KinND00[1], 3);
  EXPECT_DOUBLE_EQ(*k.r.KinMeanGDM[1], 0);
  EXPECT_EQ(k.r.KinNK[1], 0);
  EXPECT_FALSE(k.r.KinMeanK[1]);
  EXPECT_FALSE(k.r.KinP250[1]);
  EXPECT_EQ(k.r.KinNK[2], 3);

  // With the pooled reference of both populations the monomorphic pairs do get a kinship value.
  KinshipRun pooled(3, {{{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}}, kThree[0]}, {"Mono", "North"});
  pooled.o.FlagKinFreqAllPops = 1;
  pooled.run();
  EXPECT_EQ(pooled.r.KinNK[1], 3);
  EXPECT_TRUE(pooled.r.KinMeanK[1]);
}

TEST(KinshipPairs, SkippedPopulationsAndANameWithACommaInTheFile) {
  // A population of one individual has no pair; an unselected one is not evaluated.
  KinshipRun k(3, {kThree[0], {{{1, 2}, {1, 2}}}, kThree[0]}, {"North, upper", "Single", "Off"});
  k.f.popSel[3] = 0;
  const auto file = k.run();
  ASSERT_EQ(file.size(), 4u);
  EXPECT_EQ(file[1], "\"North, upper\",1,2,2,0.2500,,0.5000,0.0000,0.3429");
  EXPECT_EQ(k.r.KinNP[2], 0);
  EXPECT_FALSE(k.r.KinMeanGDM[2]);
  EXPECT_EQ(k.r.KinNP[3], 0);
  PairLine quoted;
  quoted.ind1 = 1;
  quoted.ind2 = 2;
  EXPECT_EQ(pairLineText("say \"hi\", then", quoted).rfind("\"say \"\"hi\"\", then\",1,2,", 0), 0u);
}

// The kinship of every pair by the defining sums over the allele doses, for comparison.
struct DirectPair {
  double dgm;
  std::optional<double> kin;
};
std::optional<DirectPair> directPair(const gen::Data& d, const AlleleFreqTable& freq, int pop, int x, int y, int minLoci) {
  int nloc = 0;
  double D = 0, Sxy = 0, Spq = 0;
  const int A = d.ds.MaxAllele;
  for (int l = 1; l <= d.ds.NLoci; ++l) {
    const int g[4] = {d.ds.Allele.a1(pop, l, x), d.ds.Allele.a2(pop, l, x), d.ds.Allele.a1(pop, l, y), d.ds.Allele.a2(pop, l, y)};
    if (g[0] < 0 || g[1] < 0 || g[2] < 0 || g[3] < 0) continue;
    ++nloc;
    std::vector<double> dx(at(A) + 1, 0), dy(at(A) + 1, 0);
    dx[at(g[0])] += 0.5;
    dx[at(g[1])] += 0.5;
    dy[at(g[2])] += 0.5;
    dy[at(g[3])] += 0.5;
    double diff = 0;
    for (int a = 1; a <= A; ++a) {
      const double p = freq(pop, l, a);
      diff += std::abs(dx[at(a)] - dy[at(a)]);
      Sxy += (dx[at(a)] - p) * (dy[at(a)] - p);
      Spq += p * (1 - p);
    }
    D += 0.5 * diff;
  }
  if (nloc < minLoci) return std::nullopt;
  DirectPair r{D / nloc, std::nullopt};
  if (Spq > 0) r.kin = Sxy / Spq + 1.0 / (2 * d.ds.NInd[at(pop)] - 1);
  return r;
}

TEST(KinshipPairs, GeneratedDataAgainstTheDefiningSumsWithAnyNumberOfThreads) {
  gen::Params prm;
  prm.nPop = 3;
  prm.nInd = 60;
  prm.nLoci = 8;
  prm.nAlleles = 6;
  prm.missing = 0.1;
  prm.seed = 11;
  gen::Data d = gen::generate(prm);
  AlleleStats a;
  Calc_Allele_Freq(d.view(), false, a);
  AnalysisOptions o;
  o.KinMinData = 0.8;
  Table2<double> geo(prm.nPop, prm.nPop);

  std::string firstFile;
  KinshipResults first;
  for (int threads : {1, 3, 8}) {
    setWorkerThreads(threads);
    TempDir dir;
    PairsFile file;
    ASSERT_TRUE(file.create(dir.file("p.csv")));
    KinshipResults r;
    Kinship_Ind_Pairs(d.view(), d.ds.PopName, a.AlleleFreq, geo, 0, o, nullptr, &file, {}, r);
    ASSERT_TRUE(file.close());
    const std::string text = readFile(dir.file("p.csv"));
    if (threads == 1) {
      firstFile = text;
      first = r;
      continue;
    }
    EXPECT_EQ(text, firstFile) << threads;
    for (int p = 1; p <= prm.nPop; ++p) {
      EXPECT_EQ(r.KinMeanGDM[at(p)], first.KinMeanGDM[at(p)]) << threads;  // the same sums, bit for bit
      EXPECT_EQ(r.KinMeanK[at(p)], first.KinMeanK[at(p)]) << threads;
    }
  }
  setWorkerThreads(0);

  for (int p = 1; p <= prm.nPop; ++p) {
    const int n = d.ds.NInd[at(p)];
    int np = 0, nk = 0, k250 = 0;
    double sumD = 0, sumK = 0;
    for (int x = 1; x < n; ++x)
      for (int y = x + 1; y <= n; ++y) {
        const auto pr = directPair(d, a.AlleleFreq, p, x, y, 6);  // 0.8 x 8 loci = 6.4
        if (!pr) continue;
        ++np;
        sumD += pr->dgm;
        if (pr->kin) {
          ++nk;
          sumK += *pr->kin;
          k250 += *pr->kin > 0.125 && *pr->kin <= 0.25;
        }
      }
    EXPECT_EQ(first.KinNP[at(p)], np) << p;
    EXPECT_EQ(first.KinNK[at(p)], nk) << p;
    EXPECT_NEAR(*first.KinMeanGDM[at(p)], sumD / np, 1e-12) << p;
    EXPECT_NEAR(*first.KinMeanK[at(p)], sumK / nk, 1e-9) << p;
    EXPECT_NEAR(*first.KinP250[at(p)], static_cast<double>(k250) / nk, 1e-12) << p;
  }
}

TEST(KinshipPairs, NeighbourReferenceTakesTheLowerIndexOnATie) {
  // Populations 2 and 3 lie at the same distance from population 1. With one neighbour the reference of
  // population 1 is populations 1 and 2: the same as the pooled reference with population 3 unselected.
  const std::vector<testing::Population> pops = {
      kThree[0],
      {{{1, 1}, {3, 3}}, {{1, 1}, {3, 3}}, {{2, 2}, {1, 3}}, {{1, 2}, {2, 3}}},
      {{{3, 3}, {1, 1}}, {{3, 3}, {1, 1}}},
  };
  KinshipRun nb(3, pops, {"A", "B", "C"});
  nb.o.FlagKinFreqNeighbours = 1;
  nb.o.KinNNeighbours = 1;
  for (int q : {2, 3}) nb.geo(1, q) = nb.geo(q, 1) = 10;
  nb.geo(2, 3) = nb.geo(3, 2) = 10;
  nb.run();

  KinshipRun pooled(3, pops, {"A", "B", "C"});
  pooled.o.FlagKinFreqAllPops = 1;
  pooled.f.popSel[3] = 0;
  pooled.run();
  ASSERT_TRUE(nb.r.KinMeanK[1]);
  EXPECT_NEAR(*nb.r.KinMeanK[1], *pooled.r.KinMeanK[1], 1e-12);

  // Enough neighbours to cover every selected population: the pooled reference of all of them.
  KinshipRun all(3, pops, {"A", "B", "C"});
  all.o.FlagKinFreqAllPops = 1;
  all.run();
  nb.o.KinNNeighbours = 5;
  nb.run();
  for (int p = 1; p <= 3; ++p) EXPECT_NEAR(*nb.r.KinMeanK[at(p)], *all.r.KinMeanK[at(p)], 1e-12) << p;
  EXPECT_NE(*all.r.KinMeanK[1], *pooled.r.KinMeanK[1]) << "the fixture tells the references apart";
}

// Populations 2 and 3 lie at the same distance from population 1 in exact arithmetic (0.5 - 0.3 and
// 0.3 - 0.1), though not in their doubles: population 2, the first, is the neighbour, as on the layout
// scaled by 10 and as when it is plainly the nearer one.
TEST(KinshipPairs, NeighbourReferenceOfDistancesEqualInExactArithmetic) {
  const std::vector<testing::Population> pops = {
      {{{2, 1}}, {{2, 1}}, {{2, 2}}},
      {{{1, 1}}, {{1, 2}}, {{1, 1}}},
      {{{2, 2}}, {{2, 2}}, {{2, 3}}},
  };
  const auto run = [&](const Table2<double>& geo) {
    KinshipRun k(3, pops, {"A", "B", "C"});
    k.o.FlagKinFreqNeighbours = 1;
    k.geo = geo;
    const auto file = k.run();
    std::vector<std::string> texts(file.begin() + 1, file.begin() + 4);  // population 1's pairs
    for (const Vec1<Cell>* v : {&k.r.KinP125, &k.r.KinP250, &k.r.KinPGt250, &k.r.KinMeanK})
      texts.push_back(masked(*(*v)[1], "0.000"));
    return texts;
  };
  const auto second = run(geoOfTenths({3, 5, 0}, 10));  // population 2 plainly nearer
  EXPECT_NE(second, run(geoOfTenths({3, 6, 1}, 10))) << "the fixture tells the neighbours apart";
  for (double scale : {10.0, 1.0}) EXPECT_EQ(run(geoOfTenths({3, 5, 1}, scale)), second) << scale;
}

// Simulated intervals -------------------------------------------------------------------------------------

TEST(SimulatedIntervals, PositionsOfTheBounds) {
  const struct { int nSim, limit, low, high; } cases[] = {
      {5000, 99, 25, 4975}, {1000, 95, 25, 975}, {10, 50, 3, 7},
      {1, 99, 1, 1},       // the lower position is never the empty element 0
      {200, 100, 1, 200},  // a level of 100 spans from the smallest to the largest simulated value
  };
  for (const auto& c : cases) {
    int low = -1, high = -1;
    ciPositions(c.nSim, c.limit, low, high);
    EXPECT_EQ(low, c.low) << c.nSim << " " << c.limit;
    EXPECT_EQ(high, c.high) << c.nSim << " " << c.limit;
  }
  EXPECT_EQ(roundHalfUp(0.8 * 7, Rounding{2}), 6);
  EXPECT_EQ(roundHalfUp(0.5 * 5, Rounding{2}), 3);
}

// Expected DGM of each class at a locus where every founder is the heterozygote 1/2: the parents' alleles
// are then independent and 1 or 2 with equal chance, and each offspring copy picks one of its parent's two.
std::array<double, 4> mendelianMeans() {
  auto d = [](int a, int b, int c, int e) {
    if ((a == c && b == e) || (a == e && b == c)) return 0.0;
    if (a == c || a == e || b == c || b == e) return 0.5;
    return 1.0;
  };
  // Every choice of the parents' copies (two bits per parent) and of the four picks of the two offspring,
  // all equally likely. parent(k, copy): parent k of the class's own numbering.
  auto mean = [&](int parents, auto offspring) {
    double sum = 0;
    const int cases = 1 << (2 * parents + 4);
    for (int bits = 0; bits < cases; ++bits) {
      auto parent = [&](int k, int copy) { return 1 + ((bits >> (2 * k + copy)) & 1); };
      auto pick = [&](int i) { return (bits >> (2 * parents + i)) & 1; };
      sum += offspring(parent, pick);
    }
    return sum / cases;
  };
  std::array<double, 4> m{};
  // SE: A and B of P8 x P8. FS: C and D of P1 x P2. HS: E of P3 x P4 and F of P3 x P5.
  m[0] = mean(1, [&](auto par, auto pick) { return d(par(0, pick(0)), par(0, pick(1)), par(0, pick(2)), par(0, pick(3))); });
  m[1] = mean(2, [&](auto par, auto pick) { return d(par(0, pick(0)), par(1, pick(1)), par(0, pick(2)), par(1, pick(3))); });
  m[2] = mean(3, [&](auto par, auto pick) { return d(par(0, pick(0)), par(1, pick(1)), par(0, pick(2)), par(2, pick(3))); });
  // NR: G of P3 x P4 and H of P5 x P6 share no parent: four independent copies.
  m[3] = mean(4, [&](auto par, auto pick) { return d(par(0, pick(0)), par(1, pick(1)), par(2, pick(2)), par(3, pick(3))); });
  return m;
}

double rowMean(const Table2<double>& t, int p, int n) {
  double s = 0;
  for (int k = 1; k <= n; ++k) s += t(p, k);
  return s / n;
}

TEST(SimulatedIntervals, SeriesMatchMendelianExpectationsFromASingleIndividual) {
  // A population of one individual, heterozygous at ten loci: every founder copy comes from it.
  Fixture f(2, {{testing::Individual(10, {1, 2})}});
  SimulatedIntervals s;
  Sim_CI_DGM(f.view(), 4000, 95, 12345, {}, s);
  const auto expect = mendelianMeans();
  const Table2<double>* series[4] = {&s.SimSE, &s.SimFS, &s.SimHS, &s.SimNR};
  EXPECT_NEAR(expect[0], 0.1875, 1e-12);  // half the parents are homozygous and give identical selfed offspring
  EXPECT_NEAR(expect[3], 0.375, 1e-12);
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(rowMean(*series[c], 1, 4000), expect[at(c)], 0.01) << c;
  EXPECT_EQ(s.CILow, 100);
  EXPECT_EQ(s.CIHigh, 3900);
}

TEST(SimulatedIntervals, SortedReproducibleAndIndependentOfTheThreads) {
  gen::Params prm;
  prm.nPop = 3;
  prm.nInd = 25;
  prm.nLoci = 12;
  prm.nAlleles = 5;
  prm.missing = 0.1;
  prm.seed = 5;
  gen::Data d = gen::generate(prm);
  d.sel.PopSel[2] = 0;

  std::vector<std::string> progress;
  SimulatedIntervals one, many, other;
  setWorkerThreads(1);
  Sim_CI_DGM(d.view(), 3000, 99, 77, [&](const std::string& t) { progress.push_back(t); }, one);
  setWorkerThreads(8);
  Sim_CI_DGM(d.view(), 3000, 99, 77, {}, many);
  Sim_CI_DGM(d.view(), 3000, 99, 78, {}, other);
  setWorkerThreads(0);

  const Table2<double>* a[4] = {&one.SimSE, &one.SimFS, &one.SimHS, &one.SimNR};
  const Table2<double>* b[4] = {&many.SimSE, &many.SimFS, &many.SimHS, &many.SimNR};
  const Table2<double>* c[4] = {&other.SimSE, &other.SimFS, &other.SimHS, &other.SimNR};
  bool seedMatters = false;
  for (int t = 0; t < 4; ++t)
    for (int p = 1; p <= 3; ++p)
      for (int k = 1; k <= 3000; ++k) {
        ASSERT_EQ((*a[t])(p, k), (*b[t])(p, k)) << t << " " << p << " " << k;
        if (k > 1) {
          ASSERT_LE((*a[t])(p, k - 1), (*a[t])(p, k));
        }
        seedMatters |= (*a[t])(p, k) != (*c[t])(p, k);
      }
  EXPECT_TRUE(seedMatters);
  EXPECT_EQ(one.SimNR(2, 3000), 0) << "an unselected population is not simulated";
  EXPECT_EQ(one.CILow, 15);
  EXPECT_EQ(one.CIHigh, 2985);
  // The classes are ordered by relatedness: the bounds of selfings lie below those of unrelated pairs.
  EXPECT_LT(one.SimSE(1, one.CILow), one.SimNR(1, one.CILow));
  EXPECT_LT(one.SimFS(1, 1500), one.SimNR(1, 1500));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().rfind("sim CI ", 0), 0u);
  EXPECT_EQ(progress.back(), "Sort CI-values of pop 3");
}

TEST(SimulatedIntervals, FoundersAreDrawnAfreshAtEveryLocus) {
  // Ten individuals, each homozygous for its own code at twenty loci. Drawing the same founders at every
  // locus (a generator restarted per locus) would make every locus alike and every DGM 0, 0.5 or 1.
  std::vector<testing::Individual> pop;
  for (int j = 1; j <= 10; ++j) pop.push_back(testing::Individual(20, {j, j}));
  Fixture f(10, {pop});
  SimulatedIntervals s;
  Sim_CI_DGM(f.view(), 500, 95, 3, {}, s);
  std::set<double> values;
  for (int k = 1; k <= 500; ++k) values.insert(s.SimNR(1, k));
  EXPECT_GT(values.size(), 5u);
  // Four independent copies out of ten codes: d = 0 with chance 0.019, 1 with 0.504 (by enumeration below).
  double expect = 0;
  for (int a = 1; a <= 10; ++a)
    for (int b = 1; b <= 10; ++b)
      for (int c = 1; c <= 10; ++c)
        for (int e = 1; e <= 10; ++e) expect += singleLocusDistance(a, b, c, e);
  EXPECT_NEAR(rowMean(s.SimNR, 1, 500), expect / 10000, 0.01);
}

TEST(SimulatedIntervals, NoSimulationBelowOne) {
  Fixture f(2, {kThree[0]});
  SimulatedIntervals s;
  Sim_CI_DGM(f.view(), 0, 95, 1, {}, s);
  EXPECT_EQ(s.NSim, 0);
  EXPECT_EQ(s.CILow, 0);
  EXPECT_EQ(s.Simulated[1], 0);
}

// Spatial structure per locus ------------------------------------------------------------------------------

struct SpatialFixture {
  int nPop = 7, nLoci = 3;
  Vec1<int> popSel = makeVec1<int>(7, 1), locSel{0, 1, 1, 0};
  Table2<double> geo{7, 7};
  Table3<double> dg{7, 7, 3};
  GenotypeView view() {
    GenotypeView v;
    v.nPop = nPop;
    v.nLoci = nLoci;
    v.popSel = &popSel;
    v.locSel = &locSel;
    return v;
  }
  // Every pair at exactly the radius with DG 0.1 at locus 1 (0 at locus 2), except the `far` pairs.
  SpatialFixture(std::vector<std::pair<int, int>> far) {
    popSel[0] = 0;
    for (int p = 1; p <= 7; ++p) {
      for (int q = 1; q <= 7; ++q) {
        if (p == q) continue;
        geo(p, q) = 100;
        dg(p, q, 1) = 0.1;
        dg(p, q, 3) = 0.3;
      }
    }
    for (auto [p, q] : far) {
      geo(p, q) = geo(q, p) = 100.5;
      dg(p, q, 1) = dg(q, p, 1) = 0.5;
    }
  }
  SpatialResults run() {
    SpatialResults s;
    s.SpatStat1 = makeVec1<Cell>(nLoci);
    s.SpatStat2 = makeVec1<Cell>(nLoci);
    s.NPairsInRadius = countPairsInRadius(view(), geo, 0, 100);
    Calc_Spatial_Structure_Locus(view(), geo, 0, dg, 100, s);
    return s;
  }
};

TEST(SpatialStructure, NearAgainstAllPairsPerLocus) {
  // 21 pairs, 20 of them at exactly the radius: meanAll = (20 x 0.1 + 0.5) / 21, meanNear = 0.1.
  SpatialFixture f({{2, 5}});
  SpatialResults s = f.run();
  EXPECT_EQ(s.NPairsInRadius, 20);
  EXPECT_NEAR(*s.SpatStat1[1], 0.1 - 2.5 / 21, 1e-12);
  EXPECT_NEAR(*s.SpatStat2[1], -0.16, 1e-12);  // (2.1 - 2.5) / 2.5
  EXPECT_DOUBLE_EQ(*s.SpatStat1[2], 0);        // every distance 0: no relative difference
  EXPECT_DOUBLE_EQ(*s.SpatStat2[2], 0);
  EXPECT_FALSE(s.SpatStat1[3]) << "an unselected locus keeps its empty cell";

  // An unselected population takes part in no pair: 15 pairs remain, none of them far.
  f.popSel[2] = 0;
  s = f.run();
  EXPECT_EQ(s.NPairsInRadius, 15);
  EXPECT_FALSE(s.SpatStat1[1]) << "below 20 pairs nothing is stored";

  // Two far pairs leave 19 within the radius: nothing is stored.
  SpatialFixture two({{2, 5}, {1, 7}});
  s = two.run();
  EXPECT_EQ(s.NPairsInRadius, 19);
  EXPECT_FALSE(s.SpatStat1[1]);
  EXPECT_FALSE(s.SpatStat2[2]);
}

// The boundary counts, as exact arithmetic has it: seven populations on a line at 0.3 ... 0.9, where
// 1.1 - 0.2 comes out above 0.9, and the same layout scaled by 10.
TEST(SpatialStructure, PairsWithinTheRadiusAsExactArithmeticCountsThem) {
  const std::vector<int> tenths = {3, 9, 7, 2, 12, 11, 9};
  for (int radius : {9, 1, 2, 5, 10}) {
    int exact = 0;
    for (std::size_t p = 0; p < tenths.size(); ++p)
      for (std::size_t q = p + 1; q < tenths.size(); ++q) exact += std::abs(tenths[p] - tenths[q]) <= radius;
    if (radius == 9) {
      EXPECT_EQ(exact, 20);
    }
    for (double scale : {10.0, 1.0}) {
      SpatialFixture f({});
      f.geo = geoOfTenths(tenths, scale);
      EXPECT_EQ(countPairsInRadius(f.view(), f.geo, 16 * 0x1p-52 * 1.2, radius / scale), exact) << radius << " / " << scale;
    }
  }
}


// Six populations at (0,0) and a seventh at (30000, 1): its six pairs lie 1.7e-5 outside a radius of
// 30000, so 15 pairs count, as they do when it lies 1e-11 of the radius beyond it; at (30000, 0) all 21.
TEST(SpatialStructure, PairsJustOutsideTheRadiusAreOutside) {
  const struct { double x7, y7; int pairs; } cases[] = {{30000, 1, 15}, {30000 * (1 + 1e-11), 0, 15}, {30000, 0, 21}};
  for (const auto& c : cases) {
    SpatialFixture f({});
    Vec1<double> x = makeVec1<double>(7), y = makeVec1<double>(7);
    x[7] = c.x7;
    y[7] = c.y7;
    const double rounding = Calc_Geo_Distances(7, x, y, Coordinates::Plane, f.geo);
    EXPECT_EQ(countPairsInRadius(f.view(), f.geo, rounding, 30000), c.pairs) << c.x7 << ", " << c.y7;
  }
}


// Unrelated individuals score 0 in expectation: samples drawn in Hardy-Weinberg proportions (50 loci of
// four alleles), each scored against its own frequencies. Each population's Mean_K is one draw; over 40
// samples per size, their mean lies within four standard errors of 0 (the spread of the draws gives the
// error). A term of 1 / (N - 1) would put it near 1/(2N): 0.29 for N = 3, far outside.
TEST(KinshipPairs, UnrelatedIndividualsScoreZeroInExpectation) {
  const double freq[] = {0.4, 0.3, 0.2, 0.1};
  std::mt19937_64 rng(20261211);
  std::uniform_real_distribution<double> u(0, 1);
  const auto allele = [&] {
    double x = u(rng);
    for (int a = 0; a < 3; ++a) {
      if (x < freq[a]) return a + 1;
      x -= freq[a];
    }
    return 4;
  };
  for (const int n : {3, 8, 30}) {
    constexpr int kSamples = 40, kLoci = 50;
    std::vector<testing::Population> pops(kSamples);
    for (auto& pop : pops)
      for (int i = 0; i < n; ++i) {
        std::vector<testing::Genotype> ind;
        for (int l = 0; l < kLoci; ++l) ind.push_back({allele(), allele()});
        pop.push_back(ind);
      }
    KinshipRun k(4, pops, std::vector<std::string>(kSamples, "P"));
    k.run();
    double sum = 0, sumSq = 0;
    for (int p = 1; p <= kSamples; ++p) {
      ASSERT_TRUE(k.r.KinMeanK[at(p)].has_value()) << n;
      sum += *k.r.KinMeanK[at(p)];
      sumSq += *k.r.KinMeanK[at(p)] * *k.r.KinMeanK[at(p)];
    }
    const double mean = sum / kSamples, sd = std::sqrt((sumSq - kSamples * mean * mean) / (kSamples - 1));
    EXPECT_LT(std::fabs(mean), 4 * sd / std::sqrt(kSamples)) << "N = " << n << ", sd " << sd;
    EXPECT_LT(4 * sd / std::sqrt(kSamples), 1.0 / (2 * n) / 4) << "the test tells the terms apart, N = " << n;
  }
}


// A locus where every individual is 1/1 adds exactly 0 to Sxy and to Spq, so 300 of them change no Kin, no
// class share and no Mean_K, to the bit. Population of 62 at two variable loci (allele counts 11, 33, 80
// and 13, 111): individuals 1, (1/2, 1/2), and 2, (2/3, 2/2), have Kin = 1/20 + 4 / (2460 x 10652), 1.5e-7
// above the class bound, which a width growing with the loci counted as on it.
TEST(KinshipPairs, LociOfOneAlleleChangeNoKinship) {
  testing::Population varying = {{{1, 2}, {1, 2}}, {{2, 3}, {2, 2}}};
  std::vector<int> first, second;
  for (const auto& [allele, count] : {std::pair{1, 10}, {2, 31}, {3, 79}}) first.insert(first.end(), count, allele);
  for (const auto& [allele, count] : {std::pair{1, 12}, {2, 108}}) second.insert(second.end(), count, allele);
  for (std::size_t i = 0; i < 60; ++i)
    varying.push_back({{first[2 * i], first[2 * i + 1]}, {second[2 * i], second[2 * i + 1]}});
  const std::vector<Fraction> kins = exactKins(varying, 3);
  ASSERT_EQ(kins[0].num * 20 * 2460 * 10652, kins[0].den * (2460 * 10652 + 80)) << "the fixture's pair";
  long long k125 = 0;
  for (const Fraction& k : kins) k125 += k.num * 20 > k.den && k.num * 8 <= k.den;
  testing::Population padded = varying;
  for (auto& ind : padded) ind.insert(ind.end(), 300, {1, 1});
  KinshipRun a(3, {varying}, {"P"}), b(3, {padded}, {"P"});
  const auto fa = a.run(), fb = b.run();
  ASSERT_EQ(fa.size(), fb.size());
  for (std::size_t i = 1; i < fa.size(); ++i)
    EXPECT_EQ(fa[i].substr(fa[i].rfind(',')), fb[i].substr(fb[i].rfind(','))) << i;
  for (const KinshipRun* k : {&a, &b}) {
    ASSERT_EQ(k->r.KinNK[1], static_cast<int>(kins.size()));
    EXPECT_EQ(masked(*k->r.KinP125[1], "0.0000"), testing::exactDecimal(k125, static_cast<long long>(kins.size()), 4));
  }
  for (const auto share : {&KinshipResults::KinP125, &KinshipResults::KinP250, &KinshipResults::KinPGt250,
                           &KinshipResults::KinMeanK}) {
    ASSERT_TRUE((a.r.*share)[1].has_value());
    EXPECT_EQ(*(a.r.*share)[1], *(b.r.*share)[1]);
  }
}

}  // namespace
}  // namespace kiwora
