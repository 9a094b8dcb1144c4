#pragma once
// Per-locus Pearson correlation, over the unordered pairs of selected populations, of the Gregorius
// distance at the locus with the geographic distance.
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Only selected loci with DjLoc > 0 take part. Sizes CorrGeoLocus (locus) itself; a cell stays undefined
// where the correlation is (one pair, no spread, all populations at one place).
// DistDG: a Table3<double> or a PairTable3<double> (pop, pop, locus).
template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus);

}  // namespace kiwora
