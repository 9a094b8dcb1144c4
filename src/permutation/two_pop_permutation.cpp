#include "permutation/two_pop_permutation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stats/population_copy.h"
#include "permutation/run_support.h"
#include "base/block_loop.h"
#include "stats/allele_stats.h"
#include "stats/distances.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {
namespace {

// Sample sizes of the smallest-size mode are capped here.
constexpr int kMaxSampleSize = 20000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Working tables of the statistics, kept between the permutations of one chunk.
struct Workspace {
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  PairTable3<double> dg;
  Table2<double> dgMean;
  Table2<Cell> distMLG;
  PairTable3<Cell> dn;
  Table2<Cell> dnMean;
};

const Vec1<int> kBothSlots = {0, 1, 1};

void computePair(GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
                 Workspace& w, PairStatistics& out) {
  const GenotypeView v = viewOfCopy(pair, maxAllele, kBothSlots, locSel);
  const int nLoci = v.nLoci;
  Calc_Allele_Freq(v, which.dominant, w.alleles);
  if (which.diversityV) {
    Calc_Diversity_V(v, w.alleles, w.variation);
    out.v1 = makeVec1<Cell>(nLoci);
    out.v2 = makeVec1<Cell>(nLoci);
    for (int l = 1; l <= nLoci; ++l) {
      out.v1[static_cast<std::size_t>(l)] = w.variation.DiversityV(1, l);
      out.v2[static_cast<std::size_t>(l)] = w.variation.DiversityV(2, l);
    }
    out.vMean1 = w.variation.DiversityVMean[1];
    out.vMean2 = w.variation.DiversityVMean[2];
  }
  if (which.distDG) {
    Calc_Dist_Gregorius(v, w.alleles.AlleleFreq, w.dg, w.dgMean, &w.alleles.PresentCodes);
    out.dg = makeVec1<double>(nLoci);
    for (int l = 1; l <= nLoci; ++l) out.dg[static_cast<std::size_t>(l)] = w.dg(1, 2, l);
    out.dgMean = w.dgMean(1, 2);
    if (which.distMLG) {
      Calc_Multilocus_Genotypes(v, true, w.mlg);  // the order of the types does not change the distance
      Calc_Dist_Multilocus(v, w.mlg, w.distMLG);
      out.mlg = w.distMLG(1, 2);
    }
  }
  if (which.distDN) {
    Calc_Dist_Nei(v, w.alleles.AlleleFreq, w.alleles.GeneCount, w.dn, w.dnMean, &w.alleles.PresentCodes);
    out.dn = makeVec1<Cell>(nLoci);
    for (int l = 1; l <= nLoci; ++l) out.dn[static_cast<std::size_t>(l)] = w.dn(1, 2, l);
    out.dnMean = w.dnMean(1, 2);
    // Without a shared allele the identity is 0 and the distance infinite: the farthest possible, not
    // unknown. It stays unknown only where a sample has no gene copy.
    bool compared = false;
    for (int l = 1; l <= nLoci; ++l) {
      if (!v.locOn(l) || w.alleles.GeneCount(1, l) <= 0 || w.alleles.GeneCount(2, l) <= 0) continue;
      compared = true;
      if (!out.dn[static_cast<std::size_t>(l)]) out.dn[static_cast<std::size_t>(l)] = kInfinity;
    }
    if (compared && !out.dnMean) out.dnMean = kInfinity;
  }
}

// Counts one permuted value against the observed one; an undefined value on either side takes no part.
void countAtLeast(ExtremeCount& c, const Cell& permuted, const Cell& observed) {
  if (!permuted || !observed) return;
  ++c.defined;
  if (atLeast(*permuted, *observed)) ++c.hits;
}

Cell difference(const Cell& a, const Cell& b) {
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

// The v difference on the observed side, compared relative to the size of the v values themselves.
void countDifference(ExtremeCount& c, const Cell& p1, const Cell& p2, const Cell& o1, const Cell& o2) {
  const Cell d = difference(p1, p2), o = difference(o1, o2);
  if (!d || !o) return;
  ++c.defined;
  const double scale = std::max({std::fabs(*p1), std::fabs(*p2), std::fabs(*o1), std::fabs(*o2)});
  if (asExtremeOnSide(*d, *o, scale)) ++c.hits;
}

struct Counts {
  Vec1<ExtremeCount> v, dg, dn;
  ExtremeCount vPool, dgPool, mlg, dnPool;
  explicit Counts(int nLoci) : v(makeVec1<ExtremeCount>(nLoci)), dg(v), dn(v) {}
  void add(const Counts& o) {
    const auto merge = [](ExtremeCount& a, const ExtremeCount& b) {
      a.hits += b.hits;
      a.defined += b.defined;
    };
    for (std::size_t l = 0; l < v.size(); ++l) {
      merge(v[l], o.v[l]);
      merge(dg[l], o.dg[l]);
      merge(dn[l], o.dn[l]);
    }
    merge(vPool, o.vPool);
    merge(dgPool, o.dgPool);
    merge(mlg, o.mlg);
    merge(dnPool, o.dnPool);
  }
};

void countPermutation(const PairStatistics& p, const PairStatistics& o, const TwoPopStatistics& which,
                      const Vec1<int>& locSel, int nLoci, Counts& c) {
  for (int l = 1; l <= nLoci; ++l) {
    const std::size_t at = static_cast<std::size_t>(l);
    if (locSel[at] != 1) continue;
    if (which.diversityV) countDifference(c.v[at], p.v1[at], p.v2[at], o.v1[at], o.v2[at]);
    if (which.distDG) countAtLeast(c.dg[at], p.dg[at], o.dg[at]);
    if (which.distDN) countAtLeast(c.dn[at], p.dn[at], o.dn[at]);
  }
  if (which.diversityV) countDifference(c.vPool, p.vMean1, p.vMean2, o.vMean1, o.vMean2);
  if (which.distDG) {
    countAtLeast(c.dgPool, p.dgMean, o.dgMean);
    if (which.distMLG) countAtLeast(c.mlg, p.mlg, o.mlg);
  }
  if (which.distDN) countAtLeast(c.dnPool, p.dnMean, o.dnMean);
}

// The two populations as slots 1 and 2, individuals in their order.
GenotypeData copyPair(const GenotypeData& src, int p1, int p2) {
  Vec1<int> nInd = {0, src.nInd(p1), src.nInd(p2)};
  GenotypeData out;
  out.resize(2, src.nLoci(), nInd);
  const int from[] = {0, p1, p2};
  for (int k = 1; k <= 2; ++k)
    for (int l = 1; l <= src.nLoci(); ++l)
      for (int i = 1; i <= nInd[static_cast<std::size_t>(k)]; ++i) {
        out.a1(k, l, i) = src.a1(from[k], l, i);
        out.a2(k, l, i) = src.a2(from[k], l, i);
      }
  return out;
}

}  // namespace

Cell ExtremeCount::probability() const {
  if (defined == 0) return std::nullopt;
  return static_cast<double>(hits) / defined;
}

void pairStatistics(GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
                    PairStatistics& out) {
  Workspace w;
  computePair(pair, maxAllele, locSel, which, w, out);
}

TableNeed twoPopTableNeed(std::size_t nPairs, int nLoci, const TwoPopStatistics& which) {
  // The three count tables exist for every pair; the observed tables only for the statistics tested.
  double perLocus = 3.0 * sizeof(ExtremeCount);
  if (which.diversityV) perLocus += 2.0 * sizeof(Cell);
  if (which.distDG) perLocus += sizeof(double);
  if (which.distDN) perLocus += sizeof(Cell);
  const double perPair = sizeof(PairResult) + sizeof(std::pair<int, int>) + (nLoci + 1.0) * perLocus;
  return {static_cast<double>(nPairs) * perPair,
          "the results of " + std::to_string(nPairs) + " population pairs at " + std::to_string(nLoci) + " loci"};
}

std::vector<PairResult> Test_Two_Pops(const DataSet& ds, const Selection& sel, const std::vector<std::pair<int, int>>& pairs,
                                      const TwoPopRun& run, const PairProgress& progress) {
  const GenotypeData& src = ds.Allele;
  const int nLoci = ds.NLoci;
  const int nPerm = std::max(run.nPerm, 0);
  std::vector<PairResult> results;
  results.reserve(pairs.size());

  constexpr int kChunk = 16, kBlock = 1024;  // permutations per work item; per progress step
  for (std::size_t u = 0; u < pairs.size(); ++u) {
    const auto [p1, p2] = pairs[u];
    PairResult r;
    r.pop1 = p1;
    r.pop2 = p2;
    {
      GenotypeData observed = copyPair(src, p1, p2);
      pairStatistics(observed, ds.MaxAllele, sel.LocSel, run.stats, r.observed);
    }
    const int n1 = src.nInd(p1), n2 = src.nInd(p2);
    std::vector<int> sizes = {n1, n2};
    if (run.smallestSize) {
      const int m = std::min({n1, n2, kMaxSampleSize});
      sizes = {m, m};
    }
    const int popsOfPair[] = {p1, p2};
    const std::vector<PoolRow> pool = poolOf(src, popsOfPair);
    const PooledSample pooled(src, pool, sel.LocSel);

    Counts total(nLoci);
    std::vector<Counts> slots;
    forEachBlock(
        1, nPerm, kBlock, kChunk,
        [&](long long first, long long last) {
          slots.assign(static_cast<std::size_t>((last - first) / kChunk + 1), Counts(nLoci));
        },
        [&](int c, long long k0, long long k1) {
          Workspace w;
          const PooledSample mine = pooled;  // its scratch space is per thread
          GenotypeData sample;
          PairStatistics permuted;
          Counts& counts = slots[static_cast<std::size_t>(c)];
          for (int k = static_cast<int>(k0); k <= k1; ++k) {
            Random rng = Random::stream(run.seed, static_cast<int>(u), k);
            mine.deal(run.unit, sizes, rng, sample);
            computePair(sample, ds.MaxAllele, sel.LocSel, run.stats, w, permuted);
            countPermutation(permuted, r.observed, run.stats, sel.LocSel, nLoci, counts);
          }
        },
        [&](long long, long long last) {
          for (const Counts& c : slots) total.add(c);
          if (progress) progress(p1, p2, static_cast<int>(std::lround(100.0 * static_cast<double>(last) / nPerm)));
        });
    r.v = std::move(total.v);
    r.dg = std::move(total.dg);
    r.dn = std::move(total.dn);
    r.vPool = total.vPool;
    r.dgPool = total.dgPool;
    r.mlg = total.mlg;
    r.dnPool = total.dnPool;
    results.push_back(std::move(r));
  }
  return results;
}

}  // namespace kiwora
