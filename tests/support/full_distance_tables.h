#pragma once
// The per-locus distances as full population-by-population-by-locus tables, both orders of every pair
// filled, and a locus of such a table printed as the report prints one: the plain form that the tests
// compare the program's compact tables with, and the form a test fills by hand.
#include "base/cell.h"
#include "base/table.h"
#include "files/text_writer.h"
#include "model/allele_freq_table.h"
#include "stats/genotype_view.h"

namespace kiwora {

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table3<double>& DistDG,
                         Table2<double>& DistDGMean);
void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   Table3<Cell>& DistDN, Table2<Cell>& DistDNMean);

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<double>& Matrix, int Locus);
void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<Cell>& Matrix, int Locus);

}  // namespace kiwora
