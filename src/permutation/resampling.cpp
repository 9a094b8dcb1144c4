#include "permutation/resampling.h"

#include <numeric>
#include <stdexcept>

namespace kiwora {

std::vector<PoolRow> poolOf(const GenotypeData& src, std::span<const int> pops) {
  std::vector<PoolRow> rows;
  for (int p : pops)
    for (int i = 1; i <= src.nInd(p); ++i) rows.push_back({p, i});
  return rows;
}

PooledSample::PooledSample(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel)
    : rows_(static_cast<int>(pool.size())), nLoci_(src.nLoci()) {
  for (int l = 1; l <= nLoci_; ++l)
    if (l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1) loci_.push_back(l);
  a1_.assign(loci_.size(), std::vector<int>(pool.size()));
  a2_.assign(loci_.size(), std::vector<int>(pool.size()));
  for (std::size_t x = 0; x < loci_.size(); ++x)
    for (std::size_t r = 0; r < pool.size(); ++r) {
      a1_[x][r] = src.a1(pool[r].pop, loci_[x], pool[r].ind);
      a2_[x][r] = src.a2(pool[r].pop, loci_[x], pool[r].ind);
    }
}

void PooledSample::deal(ResamplingUnit unit, std::span<const int> sizes, Random& rng, GenotypeData& out) const {
  deal(unit, sizes, rng, out, scratch_);
}

void PooledSample::deal(ResamplingUnit unit, std::span<const int> sizes, Random& rng, GenotypeData& out,
                        DealScratch& scratch) const {
  std::vector<std::size_t>& order = scratch.order;
  std::vector<int>& copies = scratch.copies;
  const int nSamples = static_cast<int>(sizes.size());
  std::size_t total = 0;
  bool sameShape = out.nPop() == nSamples && out.nLoci() == nLoci_;
  for (int k = 1; k <= nSamples; ++k) {
    const int s = sizes[static_cast<std::size_t>(k - 1)];
    if (s < 0) throw std::invalid_argument("negative sample size");
    total += static_cast<std::size_t>(s);
    sameShape = sameShape && out.nInd(k) == s;
  }
  if (total > static_cast<std::size_t>(rows_)) throw std::invalid_argument("the samples ask for more individuals than were pooled");
  if (!sameShape) {
    Vec1<int> nInd = makeVec1<int>(nSamples);
    for (int k = 1; k <= nSamples; ++k) nInd[static_cast<std::size_t>(k)] = sizes[static_cast<std::size_t>(k - 1)];
    out.resize(nSamples, nLoci_, nInd);
    // Loci that are not dealt read as untyped.
    for (int k = 1; k <= nSamples; ++k)
      for (int l = 1; l <= nLoci_; ++l)
        for (int i = 0; i <= out.nInd(k); ++i) out.a1(k, l, i) = out.a2(k, l, i) = kMissing;
  }

  // Writes locus x from the shuffled sources: sample k, individual i takes source position r (running).
  const auto dealLocus = [&](std::size_t x, auto&& source1, auto&& source2) {
    std::size_t r = 0;
    for (int k = 1; k <= nSamples; ++k) {
      int* o1 = out.locus1(k, loci_[x]);
      int* o2 = out.locus2(k, loci_[x]);
      for (int i = 1, n = out.nInd(k); i <= n; ++i, ++r) {
        o1[i] = source1(r);
        o2[i] = source2(r);
      }
    }
  };
  const auto shuffledRows = [&] { shuffleRows(total, rng, order); };

  switch (unit) {
    case ResamplingUnit::Multilocus:
      shuffledRows();
      for (std::size_t x = 0; x < loci_.size(); ++x)
        dealLocus(x, [&](std::size_t r) { return a1_[x][order[r]]; }, [&](std::size_t r) { return a2_[x][order[r]]; });
      break;
    case ResamplingUnit::SingleLocus:
      for (std::size_t x = 0; x < loci_.size(); ++x) {
        shuffledRows();
        dealLocus(x, [&](std::size_t r) { return a1_[x][order[r]]; }, [&](std::size_t r) { return a2_[x][order[r]]; });
      }
      break;
    case ResamplingUnit::Alleles:
      copies.resize(2 * static_cast<std::size_t>(rows_));
      for (std::size_t x = 0; x < loci_.size(); ++x) {
        for (std::size_t r = 0; r < static_cast<std::size_t>(rows_); ++r) {
          copies[2 * r] = a1_[x][r];
          copies[2 * r + 1] = a2_[x][r];
        }
        shuffleFront(copies, 2 * total, rng);
        dealLocus(x, [&](std::size_t r) { return copies[2 * r]; }, [&](std::size_t r) { return copies[2 * r + 1]; });
      }
      break;
  }
}

void PooledSample::shuffleRows(std::size_t count, Random& rng, std::vector<std::size_t>& order) const {
  order.resize(static_cast<std::size_t>(rows_));
  std::iota(order.begin(), order.end(), std::size_t{0});
  shuffleFront(order, count, rng);
}

}  // namespace kiwora
