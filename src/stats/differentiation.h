#pragma once
// Differentiation Dj after Gregorius & Roberts (1986): half the sum of the absolute differences between a
// population's allele frequencies (codes 1..maxAllele) and those of its complement, the unweighted mean
// of the complement's populations.
#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"
#include "stats/present_codes.h"

namespace kiwora {

// Complement = all other selected populations. Sizes DjLocPop (pop, locus), DjPop (pop) and DjLoc (locus)
// and resets DjTotal on every call. Returns false, with all outputs left zero, unless at least two
// populations and one locus are selected.
// `presentCodes` (AlleleStats::PresentCodes) saves finding the codes present.
bool Calc_Dj(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table2<double>& DjLocPop, Vec1<double>& DjPop,
             Vec1<double>& DjLoc, double& DjTotal, const PresentCodeLists* presentCodes = nullptr);

// Complement = the NNeighbours geographically nearest other selected populations (ties to the smaller
// number; fewer when fewer are selected; NNeighbours below 1 counts as 1). Sizes both outputs itself; a
// population without any neighbour keeps undefined cells.
void Calc_Dj_Neighbours(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<double>& GeoDist,
                        int NNeighbours, Table2<Cell>& DjNbLocPop, Vec1<Cell>& DjNbPop,
                        const PresentCodeLists* presentCodes = nullptr);

}  // namespace kiwora
