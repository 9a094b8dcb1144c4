#include "base/random_draw.h"

#include <numeric>
#include <utility>

namespace kiwora {

std::vector<int> drawDistinct(Random& rng, int n, int k) {
  if (n < 0) n = 0;
  if (k < 0) k = 0;
  if (k > n) k = n;
  std::vector<int> pool(static_cast<std::size_t>(n));
  std::iota(pool.begin(), pool.end(), 1);
  // Partial shuffle: the first i entries are drawn, the rest are still free.
  for (int i = 0; i < k; ++i) {
    const int pick = i + randomIndex(rng, n - i) - 1;
    std::swap(pool[static_cast<std::size_t>(i)], pool[static_cast<std::size_t>(pick)]);
  }
  pool.resize(static_cast<std::size_t>(k));
  return pool;
}

}  // namespace kiwora
