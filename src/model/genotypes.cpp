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

void GenotypeData::startPopulations(int nLoci, std::size_t expected) {
  nPop_ = 0;
  nLoci_ = nLoci;
  nInd_.assign(1, 0);
  start_.assign(1, 0);
  nInd_.reserve(expected + 1);
  start_.reserve(expected + 1);
  a1_.clear();
  a2_.clear();
}

void GenotypeData::addPopulation(int nInd) {
  ++nPop_;
  nInd_.push_back(nInd);
  start_.push_back(a1_.size());
  const std::size_t cells = a1_.size() + static_cast<std::size_t>(nLoci_) * static_cast<std::size_t>(nInd + 1);
  a1_.resize(cells);
  a2_.resize(cells);
}

int GenotypeData::maxInd() const {
  int m = 0;
  for (int p = 1; p <= nPop_; ++p) m = std::max(m, nInd(p));
  return m;
}

}  // namespace kiwora
