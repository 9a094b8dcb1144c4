#include "permutation/among_resampling.h"

#include <vector>

#include "permutation/resampling.h"

namespace kiwora {

void Permute_Individuals_All_Pops(const GenotypeData& g, const Vec1<int>& locSel, Random& rng, GenotypeData& out) {
  std::vector<int> pops, sizes;
  for (int p = 1; p <= g.nPop(); ++p) {
    pops.push_back(p);
    sizes.push_back(g.nInd(p));
  }
  dealPool(g, poolOf(g, pops), locSel, PermUnit::Multilocus, sizes, rng, out);
}

}  // namespace kiwora
