#include "support/full_distance_tables.h"

#include "base/pair_table.h"
#include "files/matrix_print.h"
#include "stats/distances.h"

namespace kiwora {
namespace {

// Copies a pair table into a full one, both orders of every pair.
template <class T>
void expand(const PairTable3<T>& from, Table3<T>& to) {
  to.resize(from.n1(), from.n2(), from.n3());
  for (int p = 0; p <= from.n1(); ++p)
    for (int q = 0; q <= from.n2(); ++q)
      for (int l = 0; l <= from.n3(); ++l) to(p, q, l) = from(p, q, l);
}

}  // namespace

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table3<double>& DistDG,
                         Table2<double>& DistDGMean) {
  PairTable3<double> pairs;
  const bool ran = Calc_Dist_Gregorius(v, AlleleFreq, pairs, DistDGMean);
  expand(pairs, DistDG);
  return ran;
}

void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   Table3<Cell>& DistDN, Table2<Cell>& DistDNMean) {
  PairTable3<Cell> pairs;
  Calc_Dist_Nei(v, AlleleFreq, GeneCount, pairs, DistDNMean);
  expand(pairs, DistDN);
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<double>& Matrix, int Locus) {
  Print_Pop_Matrix(w, nPop, popSel, [&](int i, int j) -> Cell { return Matrix(i, j, Locus); });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<Cell>& Matrix, int Locus) {
  Print_Pop_Matrix(w, nPop, popSel, [&](int i, int j) { return Matrix(i, j, Locus); });
}

}  // namespace kiwora
