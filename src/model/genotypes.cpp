#include "model/genotypes.h"

#include <algorithm>

namespace kiwora {

void GenotypeData::resize(int nPop, int nLoci, const Vec1<int>& nInd) {
  nPop_ = nPop;
  nLoci_ = nLoci;
  nInd_.assign(static_cast<std::size_t>(nPop) + 1, 0);
  start_.assign(static_cast<std::size_t>(nPop) + 1, 0);
  std::size_t next = 0;
  for (int p = 1; p <= nPop; ++p) {
    const auto pu = static_cast<std::size_t>(p);
    nInd_[pu] = nInd[pu];
    start_[pu] = next;
    next += static_cast<std::size_t>(nLoci) * static_cast<std::size_t>(nInd_[pu] + 1);
  }
  a1_.assign(next, 0);
  a2_.assign(next, 0);
}

int GenotypeData::maxInd() const {
  int m = 0;
  for (int p = 1; p <= nPop_; ++p) m = std::max(m, nInd(p));
  return m;
}

}  // namespace kiwora
