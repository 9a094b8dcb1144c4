#pragma once
// Resampling for the permutation tests: individuals of one or more populations are pooled and dealt out
// again, without replacement, into new samples. Every draw is uniform (randomIndex), so each outcome of a
// deal is equally likely.
#include <span>
#include <vector>

#include "model/genotypes.h"
#include "base/table.h"
#include "base/random.h"

namespace kiwora {

// What is kept together when the pool is dealt out.
enum class PermUnit {
  Alleles = 1,         // the allele copies of each locus are pooled and shuffled: genotypes are rebuilt
  SingleLocus = 2,     // the single-locus genotypes of each locus are shuffled, each locus on its own
  Multilocus = 3,      // whole individuals are shuffled
};

// One pooled individual: population and individual index in the source genotypes.
struct PoolRow {
  int pop = 0;
  int ind = 0;
};

// The individuals of the given populations, in order (a population given twice is pooled twice).
std::vector<PoolRow> poolOf(const GenotypeData& src, std::span<const int> pops);

// A pool ready to be dealt out many times: the copies of every selected locus are gathered once.
class PooledSample {
 public:
  // The rows of `pool` in `src`; only loci with locSel[l] == 1 are dealt, the others read missing.
  PooledSample(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel);

  int rows() const { return rows_; }
  // Deals the pool out into sizes.size() new samples (slots 1..sizes.size() of `out`, resized unless it
  // has those sizes already, so that a loop reuses its storage): sample k takes sizes[k-1] individuals.
  // A resize sets the loci that are not dealt to missing; a reused `out` keeps what they held. The sizes together may be smaller
  // than the pool: the rows dealt are then a uniform draw without replacement, the rest stay out.
  // Missing codes are dealt like any allele. With Alleles the 2n copies of a locus are shuffled and
  // paired off in order, so the dealt copies are exactly the pooled ones when the sizes use up the pool.
  // Throws std::invalid_argument when the sizes ask for more individuals than the pool holds.
  void deal(PermUnit unit, std::span<const int> sizes, Random& rng, GenotypeData& out) const;

 private:
  int rows_ = 0, nLoci_ = 0;
  std::vector<int> loci_;                     // the selected loci
  std::vector<std::vector<int>> a1_, a2_;     // per selected locus (in loci_ order): the rows' alleles
  mutable std::vector<std::size_t> order_;    // scratch of deal(); a PooledSample serves one thread
  mutable std::vector<int> copies_;
};

// The same for a single deal.
void dealPool(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel, PermUnit unit,
              std::span<const int> sizes, Random& rng, GenotypeData& out);

// Moves a uniformly chosen subset of `count` elements of v to its front, in uniform order (a partial
// Fisher-Yates shuffle); count is taken within 0..v.size().
template <class T>
void shuffleFront(std::vector<T>& v, std::size_t count, Random& rng) {
  const std::size_t n = v.size();
  if (count > n) count = n;
  for (std::size_t i = 0; i < count && i + 1 < n; ++i) {
    const std::size_t j = i + static_cast<std::size_t>(randomIndex(rng, static_cast<int>(n - i))) - 1;
    if (j != i) std::swap(v[i], v[j]);
  }
}

}  // namespace kiwora
