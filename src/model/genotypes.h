#pragma once
// Genotypes stored ragged by population: a population of 5000 beside forty of 20 costs 5000 + 40 x 20 cells,
// not 41 x 5000. Within a population the cells of one locus are contiguous over the individuals.
#include <cstddef>
#include <vector>

#include "base/table.h"

namespace kiwora {

inline constexpr int kMissing = -1;  // allele code of a missing allele

class GenotypeData {
 public:
  GenotypeData() = default;
  // nInd is 1-based (nInd[0] unused); populations 1..nPop, loci 1..nLoci, individuals 1..nInd[p].
  void resize(int nPop, int nLoci, const Vec1<int>& nInd);

  int nPop() const { return nPop_; }
  int nLoci() const { return nLoci_; }
  int nInd(int p) const { return pops_[static_cast<std::size_t>(p)].nInd; }
  int maxInd() const;

  int& a1(int p, int l, int j) { return pops_[static_cast<std::size_t>(p)].a1[cell(p, l, j)]; }
  int& a2(int p, int l, int j) { return pops_[static_cast<std::size_t>(p)].a2[cell(p, l, j)]; }
  int a1(int p, int l, int j) const { return pops_[static_cast<std::size_t>(p)].a1[cell(p, l, j)]; }
  int a2(int p, int l, int j) const { return pops_[static_cast<std::size_t>(p)].a2[cell(p, l, j)]; }

  // Pointers to individuals 1..nInd(p) of one locus (element [j], j >= 1).
  const int* locus1(int p, int l) const { return pops_[static_cast<std::size_t>(p)].a1.data() + cell(p, l, 0); }
  const int* locus2(int p, int l) const { return pops_[static_cast<std::size_t>(p)].a2.data() + cell(p, l, 0); }
  int* locus1(int p, int l) { return pops_[static_cast<std::size_t>(p)].a1.data() + cell(p, l, 0); }
  int* locus2(int p, int l) { return pops_[static_cast<std::size_t>(p)].a2.data() + cell(p, l, 0); }

  bool operator==(const GenotypeData&) const = default;

 private:
  struct Pop {
    int nInd = 0;
    std::vector<int> a1, a2;  // index l * (nInd + 1) + j
    bool operator==(const Pop&) const = default;
  };
  std::size_t cell(int p, int l, int j) const {
    return static_cast<std::size_t>(l) * static_cast<std::size_t>(pops_[static_cast<std::size_t>(p)].nInd + 1) +
           static_cast<std::size_t>(j);
  }
  int nPop_ = 0, nLoci_ = 0;
  std::vector<Pop> pops_;
};

}  // namespace kiwora
