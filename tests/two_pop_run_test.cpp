// The run of the test between two populations: observed values, counting, probabilities, the independence
// of the thread count, and the layout rules of its report.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "../bench/generate.h"
#include "analysis/population_analysis.h"
#include "model/model.h"
#include "permutation/two_pop_report.h"
#include "permutation/two_pop_permutation.h"
#include "platform/scripted_services.h"
#include "base/worker_pool.h"
#include "support/analysed_model.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

TwoPopStatistics everyStatistic() {
  TwoPopStatistics s;
  s.diversityV = s.distDG = s.distMLG = s.distDN = true;
  return s;
}

gen::Data generated(int nPop, int nInd, int nLoci, std::uint64_t seed) {
  gen::Params prm;
  prm.nPop = nPop;
  prm.nInd = nInd;
  prm.nLoci = nLoci;
  prm.seed = seed;
  return gen::generate(prm);
}

// A data set of populations given as lists of single-locus genotypes repeated at every locus.
gen::Data dataOf(const std::vector<std::vector<std::pair<int, int>>>& pops, int nLoci, int maxAllele) {
  gen::Data d = generated(static_cast<int>(pops.size()), 1, nLoci, 1);
  DataSet& ds = d.ds;
  ds.MaxAllele = maxAllele;
  for (int p = 1; p <= ds.NPop; ++p) ds.NInd[at(p)] = static_cast<int>(pops[at(p - 1)].size());
  ds.Allele.resize(ds.NPop, nLoci, ds.NInd);
  for (int p = 1; p <= ds.NPop; ++p)
    for (int l = 1; l <= nLoci; ++l)
      for (int i = 1; i <= ds.NInd[at(p)]; ++i) {
        ds.Allele.a1(p, l, i) = pops[at(p - 1)][at(i - 1)].first;
        ds.Allele.a2(p, l, i) = pops[at(p - 1)][at(i - 1)].second;
      }
  return d;
}

TEST(TwoPopRun, ObservedValuesAreThoseOfTheAnalysis) {
  const int nLoci = 6;
  gen::Data d = generated(4, 15, nLoci, 9);
  AnalysedModel m;
  m.ds = d.ds;
  m.sel = d.sel;
  m.sel.LocSel[3] = 0;
  m.options.FlagDiversityV = m.options.FlagDistDG = m.options.FlagFreqMLG = m.options.FlagDistDN = 1;
  ScriptedServices services;
  Run_Population_Analysis(m, m, runContextOf(services));

  TwoPopRun run;
  run.nPerm = 1;
  run.stats = everyStatistic();
  const auto results = Test_Two_Pops(m.ds, m.sel, {{1, 2}, {2, 4}}, run);
  ASSERT_EQ(results.size(), 2u);
  for (const PairResult& r : results) {
    const PairStatistics& o = r.observed;
    const int i = r.pop1, j = r.pop2;
    for (int l = 1; l <= nLoci; ++l) {
      if (l == 3) continue;
      EXPECT_DOUBLE_EQ(*o.v1[at(l)], *m.variation.DiversityV(i, l));
      EXPECT_DOUBLE_EQ(*o.v2[at(l)], *m.variation.DiversityV(j, l));
      EXPECT_DOUBLE_EQ(o.dg[at(l)], m.dist.DistDG(i, j, l));
      EXPECT_DOUBLE_EQ(*o.dn[at(l)], *m.dist.DistDN(i, j, l));
    }
    EXPECT_DOUBLE_EQ(*o.vMean1, *m.variation.DiversityVMean[at(i)]);
    EXPECT_DOUBLE_EQ(o.dgMean, m.dist.DistDGMean(i, j));
    EXPECT_NEAR(*o.mlg, m.dist.DistMLG(i, j), 1e-12);
    EXPECT_DOUBLE_EQ(*o.dnMean, *m.dist.DistDNMean(i, j));
    EXPECT_EQ(r.dg[3].defined, 0) << "an unselected locus is not counted";
    EXPECT_EQ(r.dgPool.defined, 1);
  }
}

TEST(TwoPopRun, IdenticalPopulationsTieAndFixedOnesAreFarthest) {
  const std::vector<std::pair<int, int>> mixed = {{1, 1}, {1, 2}, {2, 2}, {1, 2}, {2, 1}, {1, 1}, {2, 2}, {1, 2}};
  const std::vector<std::pair<int, int>> ones(10, {1, 1}), twos(10, {2, 2});
  for (ResamplingUnit unit : {ResamplingUnit::Alleles, ResamplingUnit::SingleLocus, ResamplingUnit::Multilocus}) {
    SCOPED_TRACE(static_cast<int>(unit));
    TwoPopRun run;
    run.nPerm = 200;
    run.unit = unit;
    run.stats = everyStatistic();
    run.seed = 4;

    gen::Data same = dataOf({mixed, mixed}, 2, 2);
    const PairResult s = Test_Two_Pops(same.ds, same.sel, {{1, 2}}, run).front();
    EXPECT_EQ(s.observed.dgMean, 0);
    for (const ExtremeCount* c : {&s.dgPool, &s.mlg, &s.dnPool, &s.dg[1], &s.dn[2]}) EXPECT_EQ(c->probability(), 1.0);
    // Observed v difference 0: the permuted differences of 0 or below count.
    EXPECT_GT(*s.vPool.probability(), 0.0);

    gen::Data fixed = dataOf({ones, twos}, 2, 2);
    const PairResult f = Test_Two_Pops(fixed.ds, fixed.sel, {{1, 2}}, run).front();
    EXPECT_EQ(f.observed.dgMean, 1);
    EXPECT_TRUE(std::isinf(*f.observed.dnMean)) << "no shared allele: the farthest distance";
    for (const ExtremeCount* c : {&f.dgPool, &f.dnPool, &f.dg[1], &f.dn[1], &f.mlg}) {
      EXPECT_EQ(c->defined, 200);
      EXPECT_EQ(c->probability(), 0.0);
    }
  }
}

TEST(TwoPopRun, UndefinedNeiValuesTakeNoPart) {
  // Locus 2 is untyped in the second population: no Nei distance there, observed or permuted, with whole
  // individuals resampled (the allele units spread the missing copies).
  gen::Data d = dataOf({{{1, 1}, {1, 2}, {2, 2}}, {{1, 2}, {2, 2}, {2, 2}}}, 2, 2);
  for (int i = 1; i <= 3; ++i) d.ds.Allele.a1(2, 2, i) = d.ds.Allele.a2(2, 2, i) = kMissing;
  TwoPopRun run;
  run.nPerm = 50;
  run.unit = ResamplingUnit::Multilocus;
  run.stats = everyStatistic();
  const PairResult r = Test_Two_Pops(d.ds, d.sel, {{1, 2}}, run).front();
  EXPECT_FALSE(r.observed.dn[2].has_value());
  EXPECT_EQ(r.dn[2].defined, 0);
  EXPECT_FALSE(r.dn[2].probability().has_value());
  EXPECT_EQ(r.dn[1].defined, 50);
}

TEST(TwoPopRun, AnObservedDifferenceOfZeroTakesOneSideWhateverTheCodes) {
  // Both populations have v = 1 / (sum of squared genotype frequencies) = 3 in exact arithmetic; rounding
  // leaves their difference a little above 0 under these codes and a little below under the codes
  // renumbered a -> 4 - a. The permutations are the same either way, and so must be the count.
  const std::vector<std::pair<int, int>> first = {{1, 3}, {2, 3}, {3, 3}}, second = {{1, 1}, {1, 2}, {1, 3}};
  const auto renumbered = [](std::vector<std::pair<int, int>> pop) {
    for (auto& [a, b] : pop) a = 4 - a, b = 4 - b;
    return pop;
  };
  TwoPopRun run;
  run.nPerm = 1000;
  run.unit = ResamplingUnit::Alleles;
  run.stats = everyStatistic();
  run.seed = 7;
  gen::Data asRead = dataOf({first, second}, 1, 3), other = dataOf({renumbered(first), renumbered(second)}, 1, 3);
  const PairResult a = Test_Two_Pops(asRead.ds, asRead.sel, {{1, 2}}, run).front();
  const PairResult b = Test_Two_Pops(other.ds, other.sel, {{1, 2}}, run).front();
  EXPECT_EQ(a.vPool.defined, b.vPool.defined);
  EXPECT_EQ(a.vPool.hits, b.vPool.hits);
}

TEST(TwoPopRun, ResultsDoNotDependOnTheThreadCount) {
  gen::Data d = generated(3, 12, 5, 3);
  for (ResamplingUnit unit : {ResamplingUnit::Alleles, ResamplingUnit::SingleLocus, ResamplingUnit::Multilocus})
    for (bool smallest : {false, true}) {
      TwoPopRun run;
      run.nPerm = 1100;  // more than one progress block
      run.unit = unit;
      run.smallestSize = smallest;
      run.stats = everyStatistic();
      run.seed = 77;
      const auto sameCounts = [](const PairResult& a, const PairResult& b) {
        const auto eq = [](const ExtremeCount& x, const ExtremeCount& y) { return x.hits == y.hits && x.defined == y.defined; };
        bool ok = eq(a.vPool, b.vPool) && eq(a.dgPool, b.dgPool) && eq(a.mlg, b.mlg) && eq(a.dnPool, b.dnPool);
        for (std::size_t l = 1; l < a.dg.size(); ++l) ok = ok && eq(a.v[l], b.v[l]) && eq(a.dg[l], b.dg[l]) && eq(a.dn[l], b.dn[l]);
        return ok;
      };
      setWorkerThreads(1);
      const auto one = Test_Two_Pops(d.ds, d.sel, {{1, 2}, {1, 3}}, run);
      setWorkerThreads(8);
      const auto eight = Test_Two_Pops(d.ds, d.sel, {{1, 2}, {1, 3}}, run);
      run.seed = 78;
      const auto other = Test_Two_Pops(d.ds, d.sel, {{1, 2}, {1, 3}}, run);
      setWorkerThreads(0);
      for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_TRUE(sameCounts(one[k], eight[k])) << static_cast<int>(unit) << smallest;
        EXPECT_EQ(one[k].dgPool.defined, 1100);
      }
      EXPECT_FALSE(sameCounts(one[0], other[0]) && sameCounts(one[1], other[1])) << "the seed is not used";
    }
}

TEST(TwoPopRun, ProgressReportsThePairAndTheShareDone) {
  gen::Data d = dataOf({{{1, 1}, {1, 2}}, {{2, 2}}, {{1, 2}}}, 1, 2);
  TwoPopRun run;
  run.nPerm = 2500;
  run.stats.distDG = true;
  std::vector<std::string> seen;
  Test_Two_Pops(d.ds, d.sel, {{1, 3}}, run,
                [&](int p1, int p2, int percent) { seen.push_back(std::to_string(p1) + "/" + std::to_string(p2) + " " + std::to_string(percent)); });
  EXPECT_EQ(seen, (std::vector<std::string>{"1/3 41", "1/3 82", "1/3 100"}));
}

// The report of one pair from results made up by hand.
class PairReportRules : public ::testing::Test {
 protected:
  PairReportRules() {
    ds.NPop = 2;
    ds.NLoci = 2;
    ds.PopName = {"", "North", "South"};
    ds.LocName = {"", "L1", "L2"};
    sel.PopSel = {0, 1, 1};
    sel.LocSel = {0, 1, 1};
    info = {&ds, &sel, 1000, ResamplingUnit::SingleLocus, true, everyStatistic()};
    r.pop1 = 1;
    r.pop2 = 2;
    PairStatistics& o = r.observed;
    o.v1 = {std::nullopt, 1.5, 2.0004};
    o.v2 = {std::nullopt, 1.75, 2.0};
    o.vMean1 = 1.75;
    o.vMean2 = 1.5;
    o.dg = {0, 0.25, 0.0002};
    o.dgMean = 0.125;
    o.mlg = 0.5;
    o.dn = {std::nullopt, std::nullopt, 0.0123456};
    o.dnMean = std::numeric_limits<double>::infinity();
    const ExtremeCount c25{25, 1000};
    r.v = r.dg = r.dn = {ExtremeCount{}, c25, c25};
    r.vPool = r.dgPool = r.mlg = r.dnPool = c25;
    r.dn[1] = ExtremeCount{};  // nothing to compare where the observed value is unknown
  }
  std::string report(char decimalSign = '.') {
    LineWriter w(decimalSign);
    printPairReport(w, info, r);
    return w.take();
  }
  DataSet ds;
  Selection sel;
  TwoPopReportInfo info;
  PairResult r;
};

TEST_F(PairReportRules, Lines) {
  const std::string out = report();
  const char* expected[] = {
      "  Sample Sizes          = Smallest sample size\r\n",
      "  Unit of Permutation   = Single Genotypes\r\n",
      "Locus         Pop 1     Pop 2     Delta     Prob\r\n",
      "L1            1.500     1.750     -0.250    0.025\r\n",   // 25 of 1000
      "L2            2.000     2.000      0.000    No Test!\r\n",  // a delta that prints as zero
      "Gene pool     1.750     1.500      0.250    0.025\r\n",   // a blank before a delta not negative
      "L2            0.000          No Test!\r\n",
      "Multilocus    0.500          0.025\r\n",
      "L1            ------              No Test!\r\n",             // no Nei distance without data
      "L2            0.012346            0.025\r\n",
      "Gene pool     ------              0.025\r\n",                // infinite: tested, printed as undefined
  };
  for (const char* line : expected) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

TEST_F(PairReportRules, ZeroIsRecognisedWithADecimalComma) {
  const std::string out = report(',');
  EXPECT_NE(out.find("L2            2,000     2,000      0,000    No Test!\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("L2            0,000          No Test!\r\n"), std::string::npos) << out;
}

TEST_F(PairReportRules, SectionsFollowTheTickedStatistics) {
  info.stats.distMLG = false;
  info.stats.diversityV = false;
  const std::string out = report();
  EXPECT_EQ(out.find("Multilocus"), std::string::npos);
  EXPECT_EQ(out.find("Diversity V"), std::string::npos);
  EXPECT_NE(out.find("Genetic Distance D (Gregorius 1974)"), std::string::npos);
  EXPECT_NE(out.find("Genetic Distance D (Nei 1972)"), std::string::npos);
}

}  // namespace
}  // namespace kiwora
