#pragma once
// Fixation Fst = (Ht - Hs) / Ht per selected locus, and Hedrick's (2005) standardised Fst / Fst_max.
#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"
#include "stats/present_codes.h"

namespace kiwora {

// Hs is the mean of He (pop, locus) over the selected populations; Ht comes from the unweighted mean
// frequencies of the codes 1..maxAllele. Fst_max = (k - 1)(1 - Hs) / (k - 1 + Hs) for k populations.
// Sizes FstLoc and FstNLoc (locus) itself. A locus where fewer than two selected populations have data
// compares nothing: both its values stay undefined and it is left out of the totals. A locus with
// Fst_max = 0 leaves its standardised value undefined, and so the standardised total. Returns false, with
// everything left undefined, unless at least two populations and one locus are selected.
bool Calc_Fst(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<Cell>& He, Vec1<Cell>& FstLoc,
              Cell& FstTotal, Vec1<Cell>& FstNLoc, Cell& FstNTotal,
              const PresentCodeLists* presentCodes = nullptr);

}  // namespace kiwora
