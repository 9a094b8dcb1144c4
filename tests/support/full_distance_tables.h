#pragma once
// The per-locus distances as full population-by-population-by-locus tables, both orders of every pair
// filled, and a locus of such a table printed as the report prints one: the plain form that the tests
// compare the program's compact tables with, and the form a test fills by hand.
#include <cstddef>
#include <vector>

#include "base/cell.h"
#include "base/table.h"
#include "files/text_writer.h"
#include "model/allele_freq_table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// A dense table (0..n1, 0..n2, 0..n3), every cell of its own: (p, q, l) and (q, p, l) are two cells. The
// program holds per-locus values of pairs as a PairTable3 (base/pair_table.h) or a LocusDistances
// (stats/distance_tables.h); this plain form is what a test writes by hand or expands those into.
template <class T>
class Table3 {
 public:
  Table3() = default;
  Table3(int n1, int n2, int n3, T value = T{}) { resize(n1, n2, n3, value); }
  void resize(int n1, int n2, int n3, T value = T{}) {
    n1_ = n1 < 0 ? 0 : n1;
    n2_ = n2 < 0 ? 0 : n2;
    n3_ = n3 < 0 ? 0 : n3;
    data_.assign(static_cast<std::size_t>(n1_ + 1) * static_cast<std::size_t>(n2_ + 1) * static_cast<std::size_t>(n3_ + 1),
                 value);
  }
  T& operator()(int i, int j, int k) { return data_[idx(i, j, k)]; }
  const T& operator()(int i, int j, int k) const { return data_[idx(i, j, k)]; }
  int n1() const { return n1_; }
  int n2() const { return n2_; }
  int n3() const { return n3_; }

 private:
  std::size_t idx(int i, int j, int k) const {
    return (static_cast<std::size_t>(i) * static_cast<std::size_t>(n2_ + 1) + static_cast<std::size_t>(j)) *
               static_cast<std::size_t>(n3_ + 1) +
           static_cast<std::size_t>(k);
  }
  int n1_ = 0, n2_ = 0, n3_ = 0;
  std::vector<T> data_;
};

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table3<double>& DistDG,
                         Table2<double>& DistDGMean);
void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   Table3<Cell>& DistDN, Table2<Cell>& DistDNMean);

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<double>& Matrix, int Locus);
void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<Cell>& Matrix, int Locus);

}  // namespace kiwora
