#include "permutation/among_resampling.h"

#include <numeric>

namespace kiwora {

std::vector<int> populationSizes(const GenotypeData& g) {
  std::vector<int> sizes;
  for (int p = 1; p <= g.nPop(); ++p) sizes.push_back(g.nInd(p));
  return sizes;
}

PooledSample poolOfAllPopulations(const GenotypeData& g, const Vec1<int>& locSel) {
  std::vector<int> pops(static_cast<std::size_t>(g.nPop()));
  std::iota(pops.begin(), pops.end(), 1);
  return PooledSample(g, poolOf(g, pops), locSel);
}

void Permute_Individuals_All_Pops(const PooledSample& pool, const std::vector<int>& sizes, Random& rng,
                                  GenotypeData& out, DealScratch& scratch) {
  pool.deal(ResamplingUnit::Multilocus, sizes, rng, out, scratch);
}

}  // namespace kiwora
