#pragma once
// Pearson correlations of distances: per locus, over the unordered pairs of selected populations, of the
// Gregorius distance at the locus with the geographic distance; and the one rule every printed
// correlation follows.
#include <vector>

#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Pearson r of two series of equal length; undefined when either has no variation beyond rounding
// (values equal in exact arithmetic, a single pair, no pair).
Cell pearson(const std::vector<double>& x, const std::vector<double>& y);

// Only selected loci with differentiation (DjLoc above 0 by the tie rule) take part. Sizes CorrGeoLocus
// (locus) itself; a cell stays undefined where the correlation is (one pair, no spread, all populations at
// one place).
// DistDG: a Table3<double> or a PairTable3<double> (pop, pop, locus).
template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus);

}  // namespace kiwora
