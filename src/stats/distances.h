#pragma once
// Genetic distances between every two selected populations, per selected locus and over the selected loci.
#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "files/text_writer.h"
#include "stats/distance_tables.h"
#include "stats/genotype_view.h"
#include "stats/present_codes.h"

namespace kiwora {

// Gregorius (1974): half the sum of absolute frequency differences over the allele codes 0..maxAllele,
// capped at 1; over loci the plain mean. Sizes both outputs (pop, pop[, locus]) itself and fills every
// pair of selected populations, diagonal included. Returns false, leaving the outputs zero, when no
// locus is selected. `presentCodes` (AlleleStats::PresentCodes) saves finding the codes present.
bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, PairTable3<double>& DistDG,
                         Table2<double>& DistDGMean, const PresentCodeLists* presentCodes = nullptr);

// Nei (1972) standard distance -ln(Jxy / sqrt(Jx Jy)); over loci the J's are summed first. A locus where
// either population has no gene copy is skipped for that pair and its cell stays undefined; no shared
// allele leaves the cell undefined too. Sizes both outputs itself.
void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   PairTable3<Cell>& DistDN, Table2<Cell>& DistDNMean, const PresentCodeLists* presentCodes = nullptr);

// The same with the per-locus values kept as their compact work (stats/distance_tables.h) and worked
// out when read: only the tables over loci hold a value per pair.
bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, GregoriusByLocus& DistDG,
                         Table2<double>& DistDGMean, const PresentCodeLists* presentCodes = nullptr);
void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   NeiByLocus& DistDN, Table2<Cell>& DistDNMean, const PresentCodeLists* presentCodes = nullptr);

// One locus's matrix of the distances, printed as Print_Pop_Matrix prints a population-by-population
// table (files/matrix_print.h), worked out row by row on the pool as it is printed.
void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const LocusDistances& Matrix, int Locus);

}  // namespace kiwora
