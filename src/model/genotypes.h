#pragma once
// Genotypes stored ragged by population: a population of 5000 beside forty of 20 costs 5000 + 40 x 20 cells,
// not 41 x 5000. All populations share one array per allele; within a population the cells of one locus
// are contiguous over the individuals, so a population costs its cells and two numbers, however many
// populations a file holds.
#include <cstddef>
#include <vector>

#include "base/table.h"

namespace kiwora {

inline constexpr int kMissing = -1;  // allele code of a missing allele

class GenotypeData {
 public:
  GenotypeData() = default;
  // nInd is 1-based (nInd[0] unused); populations 1..nPop, loci 1..nLoci, individuals 1..nInd[p]. Every
  // cell starts at 0.
  void resize(int nPop, int nLoci, const Vec1<int>& nInd);
  // Building population by population, as a file is read: no population yet, room for about `expected`.
  void startPopulations(int nLoci, std::size_t expected);
  // Population nPop() + 1, of nInd individuals, every cell 0.
  void addPopulation(int nInd);

  int nPop() const { return nPop_; }
  int nLoci() const { return nLoci_; }
  int nInd(int p) const { return nInd_[static_cast<std::size_t>(p)]; }
  int maxInd() const;

  int& a1(int p, int l, int j) { return a1_[cell(p, l, j)]; }
  int& a2(int p, int l, int j) { return a2_[cell(p, l, j)]; }
  int a1(int p, int l, int j) const { return a1_[cell(p, l, j)]; }
  int a2(int p, int l, int j) const { return a2_[cell(p, l, j)]; }

  // Pointers to individuals 1..nInd(p) of one locus (element [j], j >= 1).
  const int* locus1(int p, int l) const { return a1_.data() + cell(p, l, 0); }
  const int* locus2(int p, int l) const { return a2_.data() + cell(p, l, 0); }
  int* locus1(int p, int l) { return a1_.data() + cell(p, l, 0); }
  int* locus2(int p, int l) { return a2_.data() + cell(p, l, 0); }

  bool operator==(const GenotypeData&) const = default;

 private:
  // Individual j of locus l in population p: a population's cells are (locus 1..nLoci) x (individual
  // 0..nInd), individual 0 unused but writable, as every table of the program indexes individuals from 1.
  // There is no locus 0: a file of many one-individual populations would pay half its cells for it.
  std::size_t cell(int p, int l, int j) const {
    const auto pu = static_cast<std::size_t>(p);
    return start_[pu] + static_cast<std::size_t>(l - 1) * static_cast<std::size_t>(nInd_[pu] + 1) + static_cast<std::size_t>(j);
  }
  int nPop_ = 0, nLoci_ = 0;
  std::vector<int> nInd_;            // population 0..nPop
  std::vector<std::size_t> start_;   // population 0..nPop: the cell of its locus 0, individual 0
  std::vector<int> a1_, a2_;
};

}  // namespace kiwora
