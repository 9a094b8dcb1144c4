#pragma once
// Spatial genetic structure per locus: the mean Gregorius distance of the population pairs lying within
// the search radius against the mean over all pairs of selected populations.
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Fewer pairs within the radius than this give the driver's warning and store no statistic.
inline constexpr int kSpatialMinPairs = 20;
// From this many pairs within the radius on the driver calls the statistic (which still stores nothing
// below kSpatialMinPairs).
inline constexpr int kSpatialCallMinPairs = 10;

struct SpatialResults {
  int NPairsInRadius = 0;  // unordered pairs of selected populations with GeoDist <= SearchRadius
  Vec1<Cell> SpatStat1;    // (locus 0..NLoci) meanNear - meanAll; undefined where not computed
  Vec1<Cell> SpatStat2;    // (locus) (meanNear - meanAll) / meanAll, 0 when meanAll is 0; undefined likewise
};

// Unordered pairs p < q of selected populations with GeoDist(p, q) <= radius (the boundary counts), a
// distance equal to the radius within geoRounding (Calc_Geo_Distances) counting as on it.
int countPairsInRadius(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding, double SearchRadius);

// Fills SpatStat1 and SpatStat2 of every selected locus when out.NPairsInRadius is at least
// kSpatialMinPairs; leaves them as they are otherwise. Expects out.NPairsInRadius current and above 0, and
// the two tables sized 0..NLoci by the caller.
// DistDG: a Table3<double> or a PairTable3<double> (pop, pop, locus).
template <class DistTable>
void Calc_Spatial_Structure_Locus(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding,
                                  const DistTable& DistDG, double SearchRadius, SpatialResults& out);

}  // namespace kiwora
