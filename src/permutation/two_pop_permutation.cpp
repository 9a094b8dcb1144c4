#include "permutation/two_pop_permutation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <limits>
#include <optional>

#include "base/block_loop.h"
#include "base/worker_pool.h"
#include "permutation/run_support.h"
#include "permutation/two_pop_report.h"
#include "stats/population_copy.h"
#include "stats/allele_stats.h"
#include "stats/distances.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {
namespace {

// Sample sizes of the smallest-size mode are capped here.
constexpr int kMaxSampleSize = 20000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Working tables of the general statistics, kept between the permutations a thread runs.
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

bool locusOn(const Vec1<int>& locSel, int l) {
  return l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1;
}

// Without a shared allele the identity is 0 and the distance infinite: the farthest possible, not
// unknown. It stays unknown only where a sample has no gene copy.
template <class GeneCount>
void infiniteWithoutSharedAllele(const Vec1<int>& locSel, int nLoci, GeneCount geneCount, PairStatistics& out) {
  bool compared = false;
  for (int l = 1; l <= nLoci; ++l) {
    if (!locusOn(locSel, l) || geneCount(1, l) <= 0 || geneCount(2, l) <= 0) continue;
    compared = true;
    if (!out.dn[static_cast<std::size_t>(l)]) out.dn[static_cast<std::size_t>(l)] = kInfinity;
  }
  if (compared && !out.dnMean) out.dnMean = kInfinity;
}

// The statistics by the analysis's own functions (any option, the dominant correction included).
void computePair(GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
                 Workspace& w, PairStatistics& out) {
  const GenotypeView v = viewOfCopy(pair, maxAllele, kBothSlots, locSel);
  const int nLoci = v.nLoci;
  Calc_Allele_Freq(v, which.dominant, w.alleles);
  if (which.diversityV) {
    Calc_Diversity_V(v, w.alleles, w.variation);
    out.v1.assign(static_cast<std::size_t>(nLoci) + 1, std::nullopt);
    out.v2.assign(static_cast<std::size_t>(nLoci) + 1, std::nullopt);
    for (int l = 1; l <= nLoci; ++l) {
      out.v1[static_cast<std::size_t>(l)] = w.variation.DiversityV(1, l);
      out.v2[static_cast<std::size_t>(l)] = w.variation.DiversityV(2, l);
    }
    out.vMean1 = w.variation.DiversityVMean[1];
    out.vMean2 = w.variation.DiversityVMean[2];
  }
  if (which.distDG) {
    Calc_Dist_Gregorius(v, w.alleles.AlleleFreq, w.dg, w.dgMean, &w.alleles.PresentCodes);
    out.dg.assign(static_cast<std::size_t>(nLoci) + 1, 0.0);
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
    out.dn.assign(static_cast<std::size_t>(nLoci) + 1, std::nullopt);
    for (int l = 1; l <= nLoci; ++l) out.dn[static_cast<std::size_t>(l)] = w.dn(1, 2, l);
    out.dnMean = w.dnMean(1, 2);
    infiniteWithoutSharedAllele(locSel, nLoci, [&](int p, int l) { return w.alleles.GeneCount(p, l); }, out);
  }
}

// The codes typed at each selected locus of a pool (ascending) and each code's place among them.
struct PairCodes {
  std::vector<std::vector<int>> codes, index;
  PairCodes(const PooledSample& pool, int maxAllele) : codes(pool.loci().size()), index(pool.loci().size()) {
    for (std::size_t x = 0; x < codes.size(); ++x) {
      index[x].assign(static_cast<std::size_t>(maxAllele) + 1, -1);
      for (const std::vector<int>* column : {&pool.firstAlleles(x), &pool.secondAlleles(x)})
        for (int a : *column)
          if (a >= 0 && a <= maxAllele) index[x][static_cast<std::size_t>(a)] = 0;
      for (int a = 0; a <= maxAllele; ++a)
        if (index[x][static_cast<std::size_t>(a)] == 0) codes[x].push_back(a);
      for (std::size_t k = 0; k < codes[x].size(); ++k) index[x][static_cast<std::size_t>(codes[x][k])] = static_cast<int>(k);
    }
  }
};

// The same numbers for two samples without the dominant correction, straight from allele counts into
// buffers a thread keeps: no table is built and nothing is allocated once the buffers have grown. Every
// sum runs in the order the analysis's functions take it (the present codes ascending, then the loci
// ascending), so each value is the same to the last bit.
class PairKernel {
 public:
  // `fixed`: the codes of a pool whose every copy is dealt into the two samples; null to find them.
  void compute(const GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
               const PairCodes* fixed, PairStatistics& out) {
    const int nLoci = pair.nLoci();
    const auto nCells = static_cast<std::size_t>(nLoci) + 1;
    if (count_[0].size() < static_cast<std::size_t>(maxAllele) + 1)
      for (auto& c : count_) c.assign(static_cast<std::size_t>(maxAllele) + 1, 0);
    genes_[0].assign(nCells, 0);
    genes_[1].assign(nCells, 0);
    if (which.diversityV) {
      out.v1.assign(nCells, std::nullopt);
      out.v2.assign(nCells, std::nullopt);
    }
    if (which.distDG) out.dg.assign(nCells, 0.0);
    if (which.distDN) out.dn.assign(nCells, std::nullopt);

    int nSel = 0;
    double dgSum = 0, sxy = 0, sx = 0, sy = 0;
    for (int l = 1; l <= nLoci; ++l) {
      if (!locusOn(locSel, l)) continue;
      const auto at = static_cast<std::size_t>(l);
      countLocus(pair, maxAllele, l, static_cast<std::size_t>(nSel), fixed);
      ++nSel;
      const int n1 = genes_[0][at], n2 = genes_[1][at];
      const std::size_t k = codes_.size();
      if (which.diversityV) {
        if (n1 != 0) out.v1[at] = inverseSumSquares(f_[0]);
        if (n2 != 0) out.v2[at] = inverseSumSquares(f_[1]);
      }
      if (which.distDG) {
        const double d = gregoriusAtLocus(f_[0].data(), f_[1].data(), k);
        out.dg[at] = d;
        dgSum += d;
      }
      if (which.distDN && n1 > 0 && n2 > 0) {
        const NeiTerms t = neiTermsAtLocus(f_[0].data(), f_[1].data(), k);
        sxy += t.jxy;
        sx += t.jx;
        sy += t.jy;
        out.dn[at] = neiDistance(t.jxy, t.jx, t.jy, 1);
      }
    }
    if (which.diversityV) {
      out.vMean1 = meanOverLoci(out.v1);
      out.vMean2 = meanOverLoci(out.v2);
    }
    if (which.distDG) out.dgMean = nSel == 0 ? 0.0 : dgSum / nSel;
    if (which.distDN) {
      // A sum of products of nonnegative frequencies: exactly 0 when no allele is shared (neiDistance).
      out.dnMean = sxy == 0 ? Cell{} : neiDistance(sxy, sx, sy, nSel);
      infiniteWithoutSharedAllele(locSel, nLoci, [&](int p, int l) { return genes_[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(l)]; }, out);
    }
  }

 private:
  // The codes typed at locus l in either sample, ascending, and each sample's frequencies of them.
  void countLocus(const GenotypeData& pair, int maxAllele, int l, std::size_t x, const PairCodes* fixed) {
    if (fixed) {
      // Every pooled copy is dealt: the codes are the pool's, and each copy is counted at its place.
      const std::vector<int>& codes = fixed->codes[x];
      const int* index = fixed->index[x].data();
      codes_.assign(codes.begin(), codes.end());
      for (int s = 0; s < 2; ++s) {
        std::vector<int>& cnt = compact_[static_cast<std::size_t>(s)];
        cnt.assign(codes.size(), 0);
        const int* x1 = pair.locus1(s + 1, l);
        const int* x2 = pair.locus2(s + 1, l);
        int n = 0;
        for (int i = 1, nInd = pair.nInd(s + 1); i <= nInd; ++i) {
          if (x1[i] >= 0 && x1[i] <= maxAllele) {
            ++cnt[static_cast<std::size_t>(index[x1[i]])];
            ++n;
          }
          if (x2[i] >= 0 && x2[i] <= maxAllele) {
            ++cnt[static_cast<std::size_t>(index[x2[i]])];
            ++n;
          }
        }
        genes_[static_cast<std::size_t>(s)][static_cast<std::size_t>(l)] = n;
      }
    } else {
      codes_.clear();
      for (int s = 0; s < 2; ++s) {
        const int* x1 = pair.locus1(s + 1, l);
        const int* x2 = pair.locus2(s + 1, l);
        int* count = count_[static_cast<std::size_t>(s)].data();
        int n = 0;
        const auto add = [&](int a) {
          if (a < 0 || a > maxAllele) return;
          if (count_[0][static_cast<std::size_t>(a)] == 0 && count_[1][static_cast<std::size_t>(a)] == 0) codes_.push_back(a);
          ++count[a];
          ++n;
        };
        for (int i = 1, nInd = pair.nInd(s + 1); i <= nInd; ++i) {
          add(x1[i]);
          add(x2[i]);
        }
        genes_[static_cast<std::size_t>(s)][static_cast<std::size_t>(l)] = n;
      }
      std::sort(codes_.begin(), codes_.end());
      for (int s = 0; s < 2; ++s) {
        std::vector<int>& count = count_[static_cast<std::size_t>(s)];
        std::vector<int>& cnt = compact_[static_cast<std::size_t>(s)];
        cnt.resize(codes_.size());
        for (std::size_t c = 0; c < codes_.size(); ++c) {
          int& k = count[static_cast<std::size_t>(codes_[c])];
          cnt[c] = k;
          k = 0;
        }
      }
    }
    for (int s = 0; s < 2; ++s) {
      const std::vector<int>& cnt = compact_[static_cast<std::size_t>(s)];
      std::vector<double>& f = f_[static_cast<std::size_t>(s)];
      f.resize(codes_.size());
      const int n = genes_[static_cast<std::size_t>(s)][static_cast<std::size_t>(l)];
      // Divided twice, by the count and by the sum of the shares, as the analysis does.
      double sum = 0;
      for (std::size_t c = 0; c < codes_.size(); ++c) {
        f[c] = cnt[c];
        if (f[c] > 0) {
          f[c] /= n;
          sum += f[c];
        }
      }
      for (double& v : f)
        if (v > 0) v /= sum;
    }
  }

  static Cell inverseSumSquares(const std::vector<double>& f) {
    double s = 0;
    for (double x : f) s += x * x;
    // Squares of frequencies, each 0 or at least a copy's share squared: the sum is 0 only exactly.
    if (s > 0) return 1 / s;
    return std::nullopt;
  }

  static Cell meanOverLoci(const Vec1<Cell>& v) {
    double sum = 0;
    int n = 0;
    for (std::size_t l = 1; l < v.size(); ++l)
      if (v[l]) {
        sum += *v[l];
        ++n;
      }
    if (n == 0) return std::nullopt;
    return sum / n;
  }

  std::array<std::vector<int>, 2> count_;   // per code, zero between loci
  std::array<std::vector<int>, 2> compact_; // per code of codes_
  std::array<std::vector<int>, 2> genes_;   // gene copies per locus
  std::array<std::vector<double>, 2> f_;    // frequencies of codes_
  std::vector<int> codes_;
};

// The multilocus distance of two samples: the individuals typed at every selected locus are hashed once
// into a table the thread keeps, their types numbered in order of first appearance (sample 1, then 2),
// and the distance summed over the types in that order, as the analysis's functions sum it.
class MultilocusKernel {
 public:
  Cell distance(const GenotypeData& pair, int maxAllele, const Vec1<int>& locSel) {
    loci_.clear();
    for (int l = 1; l <= pair.nLoci(); ++l)
      if (locusOn(locSel, l)) loci_.push_back(l);
    const std::size_t total = static_cast<std::size_t>(pair.nInd(1) + pair.nInd(2));
    std::size_t buckets = 16;
    while (buckets < 2 * total) buckets *= 2;
    table_.assign(buckets, -1);
    typeHash_.clear();
    firstOf_.clear();
    count_[0].clear();
    count_[1].clear();
    int typed[2] = {0, 0};
    for (int s = 1; s <= 2; ++s)
      for (int i = 1, n = pair.nInd(s); i <= n; ++i) {
        std::uint64_t h = 0x84222325cbf29ce4ULL;
        bool complete = true;
        for (int l : loci_) {
          const int a = pair.a1(s, l, i), b = pair.a2(s, l, i);
          if (a < 0 || a > maxAllele || b < 0 || b > maxAllele) {
            complete = false;
            break;
          }
          h = mix(h, std::min(a, b), std::max(a, b));
        }
        if (!complete) continue;
        const int t = typeOf(pair, s, i, h, buckets);
        ++count_[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(t)];
        ++typed[s - 1];
      }
    if (typed[0] == 0 || typed[1] == 0) return std::nullopt;
    const std::size_t nTypes = firstOf_.size();
    for (int s = 0; s < 2; ++s) {
      std::vector<double>& f = f_[static_cast<std::size_t>(s)];
      const std::vector<int>& c = count_[static_cast<std::size_t>(s)];
      f.resize(nTypes);
      double sum = 0;
      for (std::size_t t = 0; t < nTypes; ++t) {
        f[t] = c[t] > 0 ? static_cast<double>(c[t]) / typed[s] : 0.0;
        sum += f[t];
      }
      for (std::size_t t = 0; t < nTypes; ++t) f[t] /= sum;
    }
    double d = 0;
    for (std::size_t t = 0; t < nTypes; ++t) {
      const bool in1 = count_[0][t] > 0, in2 = count_[1][t] > 0;
      if (in1 && in2) d += 0.5 * std::abs(f_[0][t] - f_[1][t]);
      else if (in1) d += 0.5 * std::abs(f_[0][t]);
      else d += 0.5 * std::abs(f_[1][t]);
    }
    return d;
  }

 private:
  static std::uint64_t mix(std::uint64_t h, int a, int b) {
    h ^= (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
    h *= 0xff51afd7ed558ccdULL;
    return h ^ (h >> 32);
  }

  bool sameType(const GenotypeData& g, int s, int i, const std::pair<int, int>& other) const {
    for (int l : loci_) {
      const int a = g.a1(s, l, i), b = g.a2(s, l, i), c = g.a1(other.first, l, other.second), d = g.a2(other.first, l, other.second);
      if (std::min(a, b) != std::min(c, d) || std::max(a, b) != std::max(c, d)) return false;
    }
    return true;
  }

  // The type of individual i of sample s, a new one when no earlier individual shares its genotypes.
  int typeOf(const GenotypeData& g, int s, int i, std::uint64_t h, std::size_t buckets) {
    std::size_t b = static_cast<std::size_t>(h) & (buckets - 1);
    for (;; b = (b + 1) & (buckets - 1)) {
      const int t = table_[b];
      if (t < 0) break;
      if (typeHash_[static_cast<std::size_t>(t)] == h && sameType(g, s, i, firstOf_[static_cast<std::size_t>(t)])) return t;
    }
    const int t = static_cast<int>(firstOf_.size());
    table_[b] = t;
    typeHash_.push_back(h);
    firstOf_.emplace_back(s, i);
    count_[0].push_back(0);
    count_[1].push_back(0);
    return t;
  }

  std::vector<int> loci_, table_;
  std::vector<std::uint64_t> typeHash_;
  std::vector<std::pair<int, int>> firstOf_;  // (sample, individual) of each type's first holder
  std::array<std::vector<int>, 2> count_;
  std::array<std::vector<double>, 2> f_;
};

// What one thread keeps for the permutations it runs, from block to block and pair to pair.
struct PairWorkspace {
  Workspace general;
  PairKernel kernel;
  MultilocusKernel multilocus;
  DealScratch deal;
  GenotypeData sample;
  PairStatistics permuted;

  void compute(GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
               const PairCodes* fixed, PairStatistics& out) {
    if (which.dominant) {
      computePair(pair, maxAllele, locSel, which, general, out);
      return;
    }
    kernel.compute(pair, maxAllele, locSel, which, fixed, out);
    if (which.distDG && which.distMLG) out.mlg = multilocus.distance(pair, maxAllele, locSel);
  }
};

// Counts one permuted value against the observed one; an undefined value on either side takes no part.
void countAtLeast(ExtremeCount& c, const Cell& permuted, const Cell& observed, Rounding r) {
  if (!permuted || !observed) return;
  ++c.defined;
  if (atLeast(*permuted, *observed, r)) ++c.hits;
}

Cell difference(const Cell& a, const Cell& b) {
  if (!a || !b) return std::nullopt;
  return *a - *b;
}

// The v difference on the observed side, compared in ulps of the size of the v values themselves (v is
// one over a sum of squared frequencies: relative to itself as a sum of squares is to 1).
void countDifference(ExtremeCount& c, const Cell& p1, const Cell& p2, const Cell& o1, const Cell& o2, double loci) {
  const Cell d = difference(p1, p2), o = difference(o1, o2);
  if (!d || !o) return;
  ++c.defined;
  const double scale = std::max({std::fabs(*p1), std::fabs(*p2), std::fabs(*o1), std::fabs(*o2)});
  if (asExtremeOnSide(*d, *o, ofSums(loci, 2 * kFrequencyTermUlps, scale))) ++c.hits;
}

struct Counts {
  Vec1<ExtremeCount> v, dg, dn;
  ExtremeCount vPool, dgPool, mlg, dnPool;
  // Per-locus counts only for the statistics tested.
  Counts(int nLoci, const TwoPopStatistics& which) {
    const auto perLocus = [&](bool tested) { return tested ? makeVec1<ExtremeCount>(nLoci) : Vec1<ExtremeCount>{}; };
    v = perLocus(which.diversityV);
    dg = perLocus(which.distDG);
    dn = perLocus(which.distDN);
  }
  void add(const Counts& o) {
    const auto merge = [](ExtremeCount& a, const ExtremeCount& b) {
      a.hits += b.hits;
      a.defined += b.defined;
    };
    for (std::size_t l = 0; l < v.size(); ++l) merge(v[l], o.v[l]);
    for (std::size_t l = 0; l < dg.size(); ++l) merge(dg[l], o.dg[l]);
    for (std::size_t l = 0; l < dn.size(); ++l) merge(dn[l], o.dn[l]);
    merge(vPool, o.vPool);
    merge(dgPool, o.dgPool);
    merge(mlg, o.mlg);
    merge(dnPool, o.dnPool);
  }
};

void countPermutation(const PairStatistics& p, const PairStatistics& o, const TwoPopStatistics& which,
                      const Vec1<int>& locSel, int nLoci, Counts& c) {
  // The distances are sums over the alleles of a locus (Nei's a logarithm of such sums' quotient, off
  // absolutely by their relative rounding), then means over the loci; the multilocus distance sums over
  // the types, fewer than the loci's alleles together in any sample the rounding bounds hold for.
  const Rounding locus = ofSums(1, kFrequencyTermUlps, 1);
  int selected = 0;
  for (int l = 1; l <= nLoci; ++l) {
    const std::size_t at = static_cast<std::size_t>(l);
    if (!locusOn(locSel, l)) continue;
    ++selected;
    if (which.diversityV) countDifference(c.v[at], p.v1[at], p.v2[at], o.v1[at], o.v2[at], 1);
    if (which.distDG) countAtLeast(c.dg[at], p.dg[at], o.dg[at], locus);
    if (which.distDN) countAtLeast(c.dn[at], p.dn[at], o.dn[at], locus);
  }
  const Rounding mean = ofSums(selected, kFrequencyTermUlps, 1);
  if (which.diversityV) countDifference(c.vPool, p.vMean1, p.vMean2, o.vMean1, o.vMean2, selected);
  if (which.distDG) {
    countAtLeast(c.dgPool, p.dgMean, o.dgMean, mean);
    if (which.distMLG) countAtLeast(c.mlg, p.mlg, o.mlg, mean);
  }
  if (which.distDN) countAtLeast(c.dnPool, p.dnMean, o.dnMean, mean);
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

TableNeed twoPopTableNeed(const std::vector<std::pair<int, int>>& pairs, int nLoci, const TwoPopStatistics& which) {
  // Per pair the counts and observed values of the statistics tested, per locus; then the index of the
  // pairs the SUMMARY reads them through.
  double perLocus = 0;
  if (which.diversityV) perLocus += sizeof(ExtremeCount) + 2.0 * sizeof(Cell);
  if (which.distDG) perLocus += sizeof(ExtremeCount) + sizeof(double);
  if (which.distDN) perLocus += sizeof(ExtremeCount) + sizeof(Cell);
  const double perPair = sizeof(PairResult) + sizeof(std::pair<int, int>) + (nLoci + 1.0) * perLocus;
  const std::size_t nPairs = pairs.size();
  return {static_cast<double>(nPairs) * perPair + SummaryIndex::bytesFor(pairs),
          "the results of " + std::to_string(nPairs) + " population pairs at " + std::to_string(nLoci) + " loci"};
}

std::vector<PairResult> Test_Two_Pops(const DataSet& ds, const Selection& sel, const std::vector<std::pair<int, int>>& pairs,
                                      const TwoPopRun& run, const PairProgress& progress) {
  const CompactCodes compact(ds.Allele, ds.MaxAllele);
  const GenotypeData& src = compact.genotypes();
  const int maxAllele = compact.maxAllele();
  const int nLoci = ds.NLoci;
  const int nPerm = std::max(run.nPerm, 0);
  std::vector<PairResult> results;
  results.reserve(pairs.size());

  constexpr int kChunk = 16, kBlock = 1024;  // permutations per work item; per progress step
  // One workspace per thread taking part, reused by every block of every pair.
  std::vector<PairWorkspace> workspaces(static_cast<std::size_t>(loopThreads()));
  std::vector<Counts> slots;
  for (std::size_t u = 0; u < pairs.size(); ++u) {
    const int p1 = pairs[u].first, p2 = pairs[u].second;  // plain names: the block loop's lambdas capture them
    PairResult r;
    r.pop1 = p1;
    r.pop2 = p2;
    {
      GenotypeData observed = copyOfPopulations(src, std::array{p1, p2});
      workspaces[0].compute(observed, maxAllele, sel.LocSel, run.stats, nullptr, r.observed);
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
    std::optional<PairCodes> fixed;
    if (sizes[0] + sizes[1] == pooled.rows()) fixed.emplace(pooled, maxAllele);

    Counts total(nLoci, run.stats);
    forEachBlock(
        1, nPerm, kBlock, kChunk,
        [&](long long first, long long last) {
          slots.assign(static_cast<std::size_t>((last - first) / kChunk + 1), Counts(nLoci, run.stats));
        },
        [&](int c, long long k0, long long k1, int slot) {
          PairWorkspace& w = workspaces[static_cast<std::size_t>(slot)];
          Counts& counts = slots[static_cast<std::size_t>(c)];
          for (int k = static_cast<int>(k0); k <= k1; ++k) {
            Random rng = Random::stream(run.seed, static_cast<int>(u), k);
            pooled.deal(run.unit, sizes, rng, w.sample, w.deal);
            w.compute(w.sample, maxAllele, sel.LocSel, run.stats, fixed ? &*fixed : nullptr, w.permuted);
            countPermutation(w.permuted, r.observed, run.stats, sel.LocSel, nLoci, counts);
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
