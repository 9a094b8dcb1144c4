#include "model/genotypes.h"

#include <algorithm>

namespace kiwora {

void GenotypeData::resize(int nPop, int nLoci, const Vec1<int>& nInd) {
  nPop_ = nPop;
  nLoci_ = nLoci;
  pops_.assign(static_cast<std::size_t>(nPop) + 1, Pop{});
  for (int p = 1; p <= nPop; ++p) {
    Pop& pop = pops_[static_cast<std::size_t>(p)];
    pop.nInd = nInd[static_cast<std::size_t>(p)];
    const std::size_t n = static_cast<std::size_t>(nLoci + 1) * static_cast<std::size_t>(pop.nInd + 1);
    pop.a1.assign(n, 0);
    pop.a2.assign(n, 0);
  }
}

int GenotypeData::maxInd() const {
  int m = 0;
  for (int p = 1; p <= nPop_; ++p) m = std::max(m, nInd(p));
  return m;
}

}  // namespace kiwora
