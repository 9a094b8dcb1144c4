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

void dealPool(const GenotypeData& src, std::span<const PoolRow> pool, const Vec1<int>& locSel, PermUnit unit,
              std::span<const int> sizes, Random& rng, GenotypeData& out) {
  const int nSamples = static_cast<int>(sizes.size());
  const int nLoci = src.nLoci();
  Vec1<int> nInd = makeVec1<int>(nSamples);
  std::size_t total = 0;
  for (int k = 1; k <= nSamples; ++k) {
    const int s = sizes[static_cast<std::size_t>(k - 1)];
    if (s < 0) throw std::invalid_argument("negative sample size");
    nInd[static_cast<std::size_t>(k)] = s;
    total += static_cast<std::size_t>(s);
  }
  if (total > pool.size()) throw std::invalid_argument("the samples ask for more individuals than were pooled");
  // Resize keeps nothing: every cell starts missing, so unselected loci read as untyped.
  out.resize(nSamples, nLoci, nInd);
  for (int k = 1; k <= nSamples; ++k)
    for (int l = 0; l <= nLoci; ++l)
      for (int i = 0; i <= nInd[static_cast<std::size_t>(k)]; ++i) out.a1(k, l, i) = out.a2(k, l, i) = kMissing;

  const auto selected = [&](int l) { return l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1; };
  // Calls put(k, i, r) for every dealt place, r running over the shuffled order.
  const auto deal = [&](auto&& put) {
    std::size_t r = 0;
    for (int k = 1; k <= nSamples; ++k)
      for (int i = 1; i <= nInd[static_cast<std::size_t>(k)]; ++i) put(k, i, r++);
  };

  std::vector<std::size_t> order(pool.size());
  switch (unit) {
    case PermUnit::Multilocus: {
      std::iota(order.begin(), order.end(), std::size_t{0});
      shuffleFront(order, total, rng);
      deal([&](int k, int i, std::size_t r) {
        const PoolRow& row = pool[order[r]];
        for (int l = 1; l <= nLoci; ++l)
          if (selected(l)) {
            out.a1(k, l, i) = src.a1(row.pop, l, row.ind);
            out.a2(k, l, i) = src.a2(row.pop, l, row.ind);
          }
      });
      break;
    }
    case PermUnit::SingleLocus:
      for (int l = 1; l <= nLoci; ++l) {
        if (!selected(l)) continue;
        std::iota(order.begin(), order.end(), std::size_t{0});
        shuffleFront(order, total, rng);
        deal([&](int k, int i, std::size_t r) {
          const PoolRow& row = pool[order[r]];
          out.a1(k, l, i) = src.a1(row.pop, l, row.ind);
          out.a2(k, l, i) = src.a2(row.pop, l, row.ind);
        });
      }
      break;
    case PermUnit::Alleles: {
      std::vector<int> copies(2 * pool.size());
      for (int l = 1; l <= nLoci; ++l) {
        if (!selected(l)) continue;
        for (std::size_t r = 0; r < pool.size(); ++r) {
          copies[2 * r] = src.a1(pool[r].pop, l, pool[r].ind);
          copies[2 * r + 1] = src.a2(pool[r].pop, l, pool[r].ind);
        }
        shuffleFront(copies, 2 * total, rng);
        deal([&](int k, int i, std::size_t r) {
          out.a1(k, l, i) = copies[2 * r];
          out.a2(k, l, i) = copies[2 * r + 1];
        });
      }
      break;
    }
  }
}

}  // namespace kiwora
