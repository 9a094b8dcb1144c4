#pragma once
// Resampling for the permutation tests: individuals of one or more populations are pooled and dealt out
// again, without replacement, into new samples. Every draw is uniform (randomIndex), so each outcome of a
// deal is equally likely.
#include <span>
#include <vector>

#include "model/genotypes.h"
#include "model/permutation_options.h"
#include "base/table.h"
#include "base/random.h"

namespace kiwora {

// One pooled individual: population and individual index in the source genotypes.
struct PoolRow {
  int pop = 0;
  int ind = 0;
};

// The individuals of the given populations, in order (a population given twice is pooled twice).
std::vector<PoolRow> poolOf(const GenotypeData& src, std::span<const int> pops);

// The working space of a deal: kept by each thread and reused from deal to deal.
struct DealScratch {
  std::vector<std::size_t> order;
  std::vector<int> copies;
};

// A pool ready to be dealt out many times: the copies of every selected locus are gathered once.
class PooledSample {
 public:
  // The rows of `pool` in `src`; only loci with locSel[l] == 1 are dealt, the others read missing.
  PooledSample(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel);

  int rows() const { return rows_; }
  // The selected loci, and per selected locus (in that order) the first and second alleles of the rows.
  const std::vector<int>& loci() const { return loci_; }
  const std::vector<int>& firstAlleles(std::size_t x) const { return a1_[x]; }
  const std::vector<int>& secondAlleles(std::size_t x) const { return a2_[x]; }
  // The row order of a whole-individual deal of `count` rows: the rows dealt are order[0..count-1].
  void shuffleRows(std::size_t count, Random& rng, std::vector<std::size_t>& order) const;
  // Deals the pool out into sizes.size() new samples (slots 1..sizes.size() of `out`, resized unless it
  // has those sizes already, so that a loop reuses its storage): sample k takes sizes[k-1] individuals.
  // A resize sets the loci that are not dealt to missing; a reused `out` keeps what they held. The sizes together may be smaller
  // than the pool: the rows dealt are then a uniform draw without replacement, the rest stay out.
  // Missing codes are dealt like any allele. With Alleles the 2n copies of a locus are shuffled and
  // paired off in order, so the dealt copies are exactly the pooled ones when the sizes use up the pool.
  // Throws std::invalid_argument when the sizes ask for more individuals than the pool holds.
  void deal(ResamplingUnit unit, std::span<const int> sizes, Random& rng, GenotypeData& out) const;
  // The same with the caller's working space: threads dealing from one shared pool at once each pass
  // their own.
  void deal(ResamplingUnit unit, std::span<const int> sizes, Random& rng, GenotypeData& out, DealScratch& scratch) const;

 private:
  int rows_ = 0, nLoci_ = 0;
  std::vector<int> loci_;                     // the selected loci
  std::vector<std::vector<int>> a1_, a2_;     // per selected locus (in loci_ order): the rows' alleles
  mutable DealScratch scratch_;  // of the deal() without one; such a PooledSample serves one thread
};

// Moves a uniformly chosen subset of `count` elements of v to its front, in uniform order (a partial
// Fisher-Yates shuffle); count is taken within 0..v.size().
template <class T>
void shuffleFront(std::vector<T>& v, std::size_t count, Random& rng) {
  const std::size_t n = v.size();
  if (count > n) count = n;
  Random local = rng;  // a copy the compiler keeps in registers: the writes to v cannot touch it
  for (std::size_t i = 0; i < count && i + 1 < n; ++i) {
    const std::size_t j = i + static_cast<std::size_t>(randomIndex(local, static_cast<int>(n - i))) - 1;
    if (j != i) std::swap(v[i], v[j]);
  }
  rng = local;
}

}  // namespace kiwora
