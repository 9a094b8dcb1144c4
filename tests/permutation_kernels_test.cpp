// The permutation tests compute their statistics from allele counts in buffers each thread keeps; these
// must give the analysis's own values to the last bit, or probabilities and golden files would drift.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "../bench/generate.h"
#include "permutation/among_resampling.h"
#include "permutation/among_permutation.h"
#include "permutation/run_support.h"
#include "permutation/two_pop_permutation.h"
#include "base/worker_pool.h"
#include "stats/population_copy.h"

namespace kiwora {
namespace {

struct ThreadsGuard {
  ~ThreadsGuard() { setWorkerThreads(0); }
};

struct DataCase {
  const char* what;
  gen::Params params;
  std::vector<int> offLoci;  // loci left unselected
  int emptyLocus = 0;        // a locus whose every allele of population 1 is missing
  int emptyPop = 0;          // a population left without individuals
};

std::vector<DataCase> dataCases() {
  const auto params = [](int nPop, int nInd, int nLoci, int nAlleles, double missing, std::uint64_t seed, int firstCode = 1,
                         int codeStep = 1) {
    gen::Params p;
    p.nPop = nPop;
    p.nInd = nInd;
    p.nLoci = nLoci;
    p.nAlleles = nAlleles;
    p.missing = missing;
    p.seed = seed;
    p.firstCode = firstCode;
    p.codeStep = codeStep;
    p.sizeJitter = 0.4;
    return p;
  };
  return {
      {"plain", params(5, 12, 6, 4, 0.0, 3), {}, 0, 0},
      {"missing and unselected loci", params(6, 15, 8, 6, 0.2, 4), {2, 7}, 0, 0},
      {"codes 1000 apart", params(4, 10, 5, 5, 0.1, 5, 1, 1000), {}, 0, 0},
      {"a locus without copies in population 1", params(4, 9, 5, 3, 0.05, 6), {}, 3, 0},
      {"an empty population", params(4, 9, 5, 3, 0.05, 7), {}, 0, 3},
      {"one allele per locus", params(3, 8, 4, 1, 0.0, 8), {}, 0, 0},
  };
}

gen::Data build(const DataCase& c) {
  gen::Data d = gen::generate(c.params);
  for (int l : c.offLoci) d.sel.LocSel[static_cast<std::size_t>(l)] = 0;
  GenotypeData& g = d.ds.Allele;
  if (c.emptyLocus > 0)
    for (int i = 1; i <= g.nInd(1); ++i) g.a1(1, c.emptyLocus, i) = g.a2(1, c.emptyLocus, i) = kMissing;
  if (c.emptyPop > 0) {
    Vec1<int> nInd = makeVec1<int>(g.nPop());
    for (int p = 1; p <= g.nPop(); ++p) nInd[static_cast<std::size_t>(p)] = p == c.emptyPop ? 0 : g.nInd(p);
    GenotypeData shrunk;
    shrunk.resize(g.nPop(), g.nLoci(), nInd);
    for (int p = 1; p <= g.nPop(); ++p)
      for (int l = 1; l <= g.nLoci(); ++l)
        for (int i = 1; i <= shrunk.nInd(p); ++i) {
          shrunk.a1(p, l, i) = g.a1(p, l, i);
          shrunk.a2(p, l, i) = g.a2(p, l, i);
        }
    g = shrunk;
    d.ds.NInd[static_cast<std::size_t>(c.emptyPop)] = 0;
  }
  return d;
}

void expectSame(const PairStatistics& a, const PairStatistics& b, const std::string& where) {
  EXPECT_EQ(a.v1, b.v1) << where;
  EXPECT_EQ(a.v2, b.v2) << where;
  EXPECT_EQ(a.vMean1, b.vMean1) << where;
  EXPECT_EQ(a.vMean2, b.vMean2) << where;
  EXPECT_EQ(a.dg, b.dg) << where;
  EXPECT_EQ(a.dgMean, b.dgMean) << where;
  EXPECT_EQ(a.mlg, b.mlg) << where;
  EXPECT_EQ(a.dn, b.dn) << where;
  EXPECT_EQ(a.dnMean, b.dnMean) << where;
}

// The two samples of a pair as the statistics take them: slots 1 and 2.
GenotypeData pairOf(const GenotypeData& g, int p1, int p2) {
  Vec1<int> nInd = {0, g.nInd(p1), g.nInd(p2)};
  GenotypeData out;
  out.resize(2, g.nLoci(), nInd);
  const int from[] = {0, p1, p2};
  for (int k = 1; k <= 2; ++k)
    for (int l = 1; l <= g.nLoci(); ++l)
      for (int i = 1; i <= out.nInd(k); ++i) {
        out.a1(k, l, i) = g.a1(from[k], l, i);
        out.a2(k, l, i) = g.a2(from[k], l, i);
      }
  return out;
}

TEST(PermutationKernels, TwoPopValuesAreTheAnalysisValues) {
  for (const DataCase& c : dataCases()) {
    const gen::Data d = build(c);
    std::vector<std::pair<int, int>> pairs;
    for (int i = 1; i < d.ds.NPop; ++i)
      for (int j = i + 1; j <= d.ds.NPop; ++j) pairs.emplace_back(j, i);  // both orders of the samples
    TwoPopRun run;
    run.nPerm = 0;
    run.stats.diversityV = run.stats.distDG = run.stats.distMLG = run.stats.distDN = true;
    const std::vector<PairResult> results = Test_Two_Pops(d.ds, d.sel, pairs, run);
    ASSERT_EQ(results.size(), pairs.size());
    for (const PairResult& r : results) {
      GenotypeData g = pairOf(d.ds.Allele, r.pop1, r.pop2);
      PairStatistics expected;
      pairStatistics(g, d.ds.MaxAllele, d.sel.LocSel, run.stats, expected);
      expectSame(r.observed, expected, std::string(c.what) + ", pair " + std::to_string(r.pop1) + "/" + std::to_string(r.pop2));
    }
  }
}

// The observed values go through the kernel as it finds the codes of a pair; a permutation that deals
// out the whole pool goes through it with the pool's codes fixed beforehand. Recounting every permutation
// with the plain statistics on the same deals must give the same counts.
void countAgainst(ExtremeCount& c, const Cell& permuted, const Cell& observed, Rounding r) {
  if (!permuted || !observed) return;
  ++c.defined;
  if (atLeast(*permuted, *observed, r)) ++c.hits;
}

void expectSameCounts(const ExtremeCount& a, const ExtremeCount& b, const std::string& where) {
  EXPECT_EQ(a.defined, b.defined) << where;
  EXPECT_EQ(a.hits, b.hits) << where;
}

TEST(PermutationKernels, TwoPopCountsOfEveryPermutationAreThoseOfThePlainValues) {
  ThreadsGuard guard;
  for (const DataCase& c : dataCases()) {
    const gen::Data d = build(c);
    const CompactCodes compact(d.ds.Allele, d.ds.MaxAllele);
    const GenotypeData& src = compact.genotypes();
    const int nLoci = d.ds.NLoci;
    const std::vector<std::pair<int, int>> pairs = {{2, 1}, {1, d.ds.NPop}};
    for (ResamplingUnit unit : {ResamplingUnit::Alleles, ResamplingUnit::SingleLocus, ResamplingUnit::Multilocus}) {
      TwoPopRun run;
      run.nPerm = 40;
      run.unit = unit;
      run.seed = 23;
      run.stats.diversityV = run.stats.distDG = run.stats.distMLG = run.stats.distDN = true;
      setWorkerThreads(4);
      const std::vector<PairResult> results = Test_Two_Pops(d.ds, d.sel, pairs, run);
      ASSERT_EQ(results.size(), pairs.size());
      for (std::size_t u = 0; u < pairs.size(); ++u) {
        const PairResult& r = results[u];
        const int pops[] = {r.pop1, r.pop2};
        const std::vector<PoolRow> pool = poolOf(src, pops);
        const PooledSample pooled(src, pool, d.sel.LocSel);
        const std::vector<int> sizes = {src.nInd(r.pop1), src.nInd(r.pop2)};
        Vec1<ExtremeCount> dg(static_cast<std::size_t>(nLoci) + 1), dn(dg), v(dg);
        ExtremeCount dgPool, dnPool, mlg, vPool;
        for (int k = 1; k <= run.nPerm; ++k) {
          Random rng = Random::stream(run.seed, static_cast<int>(u), k);
          GenotypeData sample;
          pooled.deal(run.unit, sizes, rng, sample);
          PairStatistics p;
          pairStatistics(sample, compact.maxAllele(), d.sel.LocSel, run.stats, p);
          const PairStatistics& o = r.observed;
          const auto countV = [](ExtremeCount& e, const Cell& p1, const Cell& p2, const Cell& o1, const Cell& o2,
                                 double loci) {
            if (!p1 || !p2 || !o1 || !o2) return;
            ++e.defined;
            const double scale = std::max({std::fabs(*p1), std::fabs(*p2), std::fabs(*o1), std::fabs(*o2)});
            if (asExtremeOnSide(*p1 - *p2, *o1 - *o2, ofSums(loci, 2 * kFrequencyTermUlps, scale))) ++e.hits;
          };
          const Rounding locus = ofSums(1, kFrequencyTermUlps, 1);
          double selected = 0;
          for (int l = 1; l <= nLoci; ++l) {
            const auto at = static_cast<std::size_t>(l);
            if (d.sel.LocSel[at] != 1) continue;
            ++selected;
            countV(v[at], p.v1[at], p.v2[at], o.v1[at], o.v2[at], 1);
            countAgainst(dg[at], p.dg[at], o.dg[at], locus);
            countAgainst(dn[at], p.dn[at], o.dn[at], locus);
          }
          const Rounding mean = ofSums(selected, kFrequencyTermUlps, 1);
          countV(vPool, p.vMean1, p.vMean2, o.vMean1, o.vMean2, selected);
          countAgainst(dgPool, p.dgMean, o.dgMean, mean);
          countAgainst(mlg, p.mlg, o.mlg, mean);
          countAgainst(dnPool, p.dnMean, o.dnMean, mean);
        }
        const std::string where = std::string(c.what) + ", pair " + std::to_string(r.pop1) + "/" + std::to_string(r.pop2) +
                                  ", unit " + std::to_string(static_cast<int>(unit));
        for (int l = 1; l <= nLoci; ++l) {
          const auto at = static_cast<std::size_t>(l);
          if (d.sel.LocSel[at] != 1) continue;
          expectSameCounts(r.v[at], v[at], where + ", v at locus " + std::to_string(l));
          expectSameCounts(r.dg[at], dg[at], where + ", DG at locus " + std::to_string(l));
          expectSameCounts(r.dn[at], dn[at], where + ", DN at locus " + std::to_string(l));
        }
        expectSameCounts(r.vPool, vPool, where + ", v");
        expectSameCounts(r.dgPool, dgPool, where + ", DG");
        expectSameCounts(r.mlg, mlg, where + ", MLG");
        expectSameCounts(r.dnPool, dnPool, where + ", DN");
      }
    }
  }
}

TEST(PermutationKernels, AmongColumnsOfEveryPermutationAreTheAnalysisValues) {
  ThreadsGuard guard;
  for (const DataCase& c : dataCases()) {
    const gen::Data d = build(c);
    const GenotypeData& g = d.ds.Allele;
    constexpr int nPerm = 40;
    constexpr std::uint64_t seed = 17;
    const PooledSample pool = poolOfAllPopulations(g, d.sel.LocSel);
    for (int threads : {1, 8}) {
      setWorkerThreads(threads);
      const AmongTestResult r = Test_Among_Populations(g, d.ds.MaxAllele, d.sel.LocSel, nPerm, false, seed);
      ASSERT_EQ(r.permuted.size(), static_cast<std::size_t>(nPerm) + 1);
      for (int k = 1; k <= nPerm; ++k) {
        Random rng = Random::stream(seed, 0, k);
        GenotypeData shuffled;
        DealScratch scratch;
        Permute_Individuals_All_Pops(pool, populationSizes(g), rng, shuffled, scratch);
        EXPECT_EQ(r.permuted[static_cast<std::size_t>(k)], amongColumns(shuffled, d.ds.MaxAllele, d.sel.LocSel, false))
            << c.what << ", permutation " << k << ", " << threads << " threads";
      }
    }
  }
}

}  // namespace
}  // namespace kiwora
