#include "permutation/among_permutation.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "permutation/among_resampling.h"
#include "permutation/permutation_blocks.h"
#include "stats/population_copy.h"
#include "permutation/run_support.h"
#include "stats/allele_stats.h"
#include "stats/differentiation.h"
#include "stats/differentiation_stats.h"
#include "stats/fixation.h"
#include "stats/variation_stats.h"

namespace kiwora {
std::vector<Cell> amongColumns(GenotypeData& g, int maxAllele, const Vec1<int>& locSel, bool dominant) {
  const Vec1<int> all = everySlot(g.nPop());
  const GenotypeView v = viewOfCopy(g, maxAllele, all, locSel);

  AlleleStats a;
  Calc_Allele_Freq(v, dominant, a);
  VariationStats var;
  Calc_Heterozygosity(v, a, var);
  DifferentiationStats d;
  Calc_Dj(v, a.AlleleFreq, d.DjLocPop, d.DjPop, d.DjLoc, d.DjTotal, &a.PresentCodes);
  Calc_Fst(v, a.AlleleFreq, var.He, d.FstLoc, d.FstTotal, d.FstNLoc, d.FstNTotal, &a.PresentCodes);

  std::vector<Cell> c;
  std::vector<int> loci;
  for (int l = 1; l <= v.nLoci; ++l)
    if (v.locOn(l)) loci.push_back(l);
  c.reserve(3 * (loci.size() + 1));
  for (int l : loci) c.emplace_back(d.DjLoc[static_cast<std::size_t>(l)]);
  c.emplace_back(d.DjTotal);
  for (int l : loci) c.emplace_back(d.FstLoc[static_cast<std::size_t>(l)]);
  c.push_back(d.FstTotal);
  for (int l : loci) c.push_back(d.FstNLoc[static_cast<std::size_t>(l)]);
  c.push_back(d.FstNTotal);
  return c;
}

TableNeed amongTestTableNeed(int nPerm, int nSelLoci) {
  const double rowBytes = 3.0 * (nSelLoci + 1) * sizeof(Cell) + sizeof(std::vector<Cell>);
  return {(nPerm + 1.0) * rowBytes, "\"Number of permutations\" " + std::to_string(nPerm) + " with " +
                                        std::to_string(nSelLoci) + " selected loci"};
}

namespace {

// The code indices from..to-1, walked without a table. (Not std::views::iota: the clang of the fuzz build
// cannot use the standard library's ranges.)
struct CodeIndices {
  std::size_t from, to;
  struct Position {
    std::size_t i;
    std::size_t operator*() const { return i; }
    Position& operator++() {
      ++i;
      return *this;
    }
    bool operator!=(const Position& o) const { return i != o.i; }
  };
  Position begin() const { return {from}; }
  Position end() const { return {to}; }
};

// The columns of a permutation straight from the pooled rows in their dealt order, without the dominant
// correction: per locus the allele counts of each population, then Dj and Fst from the compact
// frequencies. Nothing the size of the data is built per permutation or per thread, and every sum runs
// in the order the analysis's functions take it, so each value is the same to the last bit.
class AmongKernel {
 public:
  AmongKernel(const PooledSample& pool, const std::vector<int>& sizes, int maxAllele) : pool_(pool), maxAllele_(maxAllele) {
    start_.push_back(0);
    for (int n : sizes) start_.push_back(start_.back() + static_cast<std::size_t>(n));
    if (start_.back() != static_cast<std::size_t>(pool.rows())) throw std::invalid_argument("the populations must take every pooled row");
    // Every row is dealt, so the codes typed at a locus are the same in every permutation.
    const std::size_t nLoci = pool.loci().size();
    codes_.resize(nLoci);
    index_.resize(nLoci);
    for (std::size_t x = 0; x < nLoci; ++x) {
      std::vector<int>& index = index_[x];
      index.assign(static_cast<std::size_t>(maxAllele) + 1, -1);
      for (const std::vector<int>* column : {&pool.firstAlleles(x), &pool.secondAlleles(x)})
        for (int a : *column)
          if (typed(a)) index[static_cast<std::size_t>(a)] = 0;
      for (int a = 0; a <= maxAllele; ++a)
        if (index[static_cast<std::size_t>(a)] == 0) codes_[x].push_back(a);
      for (std::size_t k = 0; k < codes_[x].size(); ++k) index[static_cast<std::size_t>(codes_[x][k])] = static_cast<int>(k);
    }
  }

  // The buffers of one thread.
  struct Work {
    std::vector<std::size_t> order;
    std::vector<int> popOf, count, genes, typedPops;  // popOf: the population each pooled row is dealt to
    std::vector<double> f, he, total, complement, djLocPop;
  };

  void columns(Random& rng, Work& w, std::vector<Cell>& out) const {
    const std::size_t nPop = start_.size() - 1, nLoci = codes_.size();
    pool_.shuffleRows(start_.back(), rng, w.order);
    w.popOf.resize(start_.back());
    for (std::size_t p = 0; p < nPop; ++p)
      for (std::size_t r = start_[p]; r < start_[p + 1]; ++r) w.popOf[w.order[r]] = static_cast<int>(p);
    out.assign(3 * (nLoci + 1), std::nullopt);
    const auto djLoc = [&](std::size_t x) -> Cell& { return out[x]; };
    Cell& djTotal = out[nLoci];
    const auto fstLoc = [&](std::size_t x) -> Cell& { return out[nLoci + 1 + x]; };
    Cell& fstTotal = out[2 * nLoci + 1];
    const auto fstNLoc = [&](std::size_t x) -> Cell& { return out[2 * nLoci + 2 + x]; };
    Cell& fstNTotal = out[3 * nLoci + 2];
    for (std::size_t x = 0; x < nLoci; ++x) djLoc(x) = 0.0;
    djTotal = 0.0;
    if (nPop < 2 || nLoci == 0) return;  // nothing to compare: Dj stays 0, Fst undefined

    w.djLocPop.assign(nPop * nLoci, 0.0);
    w.he.resize(nPop);
    const double others = static_cast<double>(nPop - 1), k = static_cast<double>(nPop);
    FixationTotals fst;
    for (std::size_t x = 0; x < nLoci; ++x) {
      const std::vector<int>& codes = codes_[x];
      const std::size_t nCodes = codes.size();
      const std::size_t from1 = static_cast<std::size_t>(std::lower_bound(codes.begin(), codes.end(), 1) - codes.begin());
      frequencies(x, w);

      // Dj: each population against the mean of the others, codes from 1.
      const std::size_t typedCodes = nCodes - from1;
      w.total.assign(nCodes, 0.0);
      w.complement.assign(nCodes, 0.0);
      for (std::size_t p = 0; p < nPop; ++p)
        for (std::size_t c = from1; c < nCodes; ++c) w.total[c] += w.f[p * nCodes + c];
      for (std::size_t p = 0; p < nPop; ++p)
        w.djLocPop[p * nLoci + x] = djAgainstTheOthers(w.f.data() + p * nCodes + from1, w.total.data() + from1, others,
                                                       w.complement.data() + from1, typedCodes);

      // Fst over the populations with gene copies at the locus.
      w.typedPops.clear();
      for (std::size_t p = 0; p < nPop; ++p)
        if (w.genes[p] > 0) w.typedPops.push_back(static_cast<int>(p));
      if (w.typedPops.size() < 2) continue;
      const LocusFixation locus = fixationAtLocus(
          CodeIndices{from1, nCodes}, w.typedPops,
          [&](int p, std::size_t c) { return w.f[static_cast<std::size_t>(p) * nCodes + c]; },
          [&](int p) { return w.he[static_cast<std::size_t>(p)]; });
      fst.add(locus, fstLoc(x), fstNLoc(x));
    }

    double djSum = 0;
    for (std::size_t p = 0; p < nPop; ++p) {
      double sum = 0;
      for (std::size_t x = 0; x < nLoci; ++x) sum += w.djLocPop[p * nLoci + x];
      djSum += sum / static_cast<double>(nLoci);
    }
    for (std::size_t x = 0; x < nLoci; ++x) {
      double sum = 0;
      for (std::size_t p = 0; p < nPop; ++p) sum += w.djLocPop[p * nLoci + x];
      djLoc(x) = sum / k;
    }
    djTotal = djSum / k;
    fst.finish(fstTotal, fstNTotal);
  }

 private:
  bool typed(int a) const { return a >= 0 && a <= maxAllele_; }

  // Each population's frequencies of the locus's codes (divided by the count, then by the sum of the
  // shares, as the analysis does), its gene copies and its expected heterozygosity.
  void frequencies(std::size_t x, Work& w) const {
    const std::size_t nPop = start_.size() - 1, nCodes = codes_[x].size(), rows = start_.back();
    const int* a1 = pool_.firstAlleles(x).data();
    const int* a2 = pool_.secondAlleles(x).data();
    const int* index = index_[x].data();
    const int* popOf = w.popOf.data();
    // The rows in their pooled order, each counted for the population it was dealt to: the reads run
    // straight through the pool instead of jumping about it.
    w.count.assign(nPop * nCodes, 0);
    w.genes.assign(nPop, 0);
    for (std::size_t row = 0; row < rows; ++row) {
      const std::size_t p = static_cast<std::size_t>(popOf[row]);
      if (typed(a1[row])) {
        ++w.count[p * nCodes + static_cast<std::size_t>(index[a1[row]])];
        ++w.genes[p];
      }
      if (typed(a2[row])) {
        ++w.count[p * nCodes + static_cast<std::size_t>(index[a2[row]])];
        ++w.genes[p];
      }
    }
    w.f.resize(nPop * nCodes);
    for (std::size_t p = 0; p < nPop; ++p) {
      const int n = w.genes[p];
      const int* count = &w.count[p * nCodes];
      double* f = &w.f[p * nCodes];
      double sum = 0;
      for (std::size_t c = 0; c < nCodes; ++c) {
        f[c] = count[c];
        if (f[c] > 0) {
          f[c] /= n;
          sum += f[c];
        }
      }
      double squares = 0;
      for (std::size_t c = 0; c < nCodes; ++c) {
        if (f[c] > 0) f[c] /= sum;
        squares += f[c] * f[c];
      }
      w.he[p] = 1 - squares;
    }
  }

  const PooledSample& pool_;
  int maxAllele_;
  std::vector<std::size_t> start_;             // first dealt position of each population; the total last
  std::vector<std::vector<int>> codes_;        // per selected locus: the codes typed, ascending
  std::vector<std::vector<int>> index_;        // per selected locus: code -> place in codes_, -1 untyped
};

// What one thread keeps for the permutations it runs.
struct AmongWork {
  AmongKernel::Work kernel;
  DealScratch deal;
  GenotypeData shuffled;  // only with the dominant correction, which takes the analysis's own path
};

}  // namespace

AmongTestResult Test_Among_Populations(const GenotypeData& given, int givenMaxAllele, const Vec1<int>& locSel, int nPerm,
                                       bool dominant, std::uint64_t runSeed,
                                       const std::function<void(int perm)>& progress) {
  const CompactCodes compact(given, givenMaxAllele);
  const GenotypeData& g = compact.genotypes();
  const int maxAllele = compact.maxAllele();
  AmongTestResult r;
  r.nPerm = nPerm;
  for (int l = 1; l <= g.nLoci(); ++l)
    if (l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1) r.loci.push_back(l);
  {
    GenotypeData own = g;
    r.observed = amongColumns(own, maxAllele, locSel, dominant);
  }

  r.permuted.assign(static_cast<std::size_t>(nPerm) + 1, {});
  const PooledSample pooled = poolOfAllPopulations(g, locSel);
  const std::vector<int> sizes = populationSizes(g);
  const AmongKernel kernel(pooled, sizes, maxAllele);
  // One set of buffers per thread taking part, kept from chunk to chunk.
  std::vector<AmongWork> work(static_cast<std::size_t>(loopThreads()));
  forEachPermutationChunk(nPerm, progress, [&](int first, int last, int slot) {
    AmongWork& w = work[static_cast<std::size_t>(slot)];
    for (int k = first; k <= last; ++k) {
      Random rng = Random::stream(runSeed, 0, k);
      std::vector<Cell>& row = r.permuted[static_cast<std::size_t>(k)];
      if (!dominant) {
        kernel.columns(rng, w.kernel, row);
        continue;
      }
      Permute_Individuals_All_Pops(pooled, sizes, rng, w.shuffled, w.deal);
      row = amongColumns(w.shuffled, maxAllele, locSel, dominant);
    }
  });

  const std::size_t columns = r.observed.size();
  r.shareAtMost.assign(columns, std::nullopt);
  r.shareAtLeast.assign(columns, std::nullopt);
  for (std::size_t c = 0; c < columns; ++c) {
    const Cell& o = r.observed[c];
    if (!o) continue;
    int defined = 0, below = 0, above = 0;
    // Dj and Fst per locus, and their means over the tested loci.
    const Rounding rounding = ofSums(static_cast<double>(r.loci.size()), kFrequencyTermUlps, 1);
    for (int k = 1; k <= nPerm; ++k) {
      const Cell& s = r.permuted[static_cast<std::size_t>(k)][c];
      if (!s) continue;
      ++defined;
      below += atMost(*s, *o, rounding);
      above += atLeast(*s, *o, rounding);
    }
    if (defined == 0) continue;
    r.shareAtMost[c] = static_cast<double>(below) / defined;
    r.shareAtLeast[c] = static_cast<double>(above) / defined;
  }
  return r;
}

}  // namespace kiwora
