#pragma once
// Spatial genetic structure per locus: the mean Gregorius distance of the population pairs lying within
// the search radius against the mean over all pairs of selected populations.
#include "base/cell.h"
#include "base/table.h"
#include "base/tolerance.h"
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

// The boundary counts: a distance within the coordinates' rounding of the radius is within it. The radius
// as read is off by half an ulp of itself, which the rule's ulp of the larger value covers.
inline bool inSearchRadius(double distance, double radius, double geoRounding) {
  return atMost(distance, radius, absoluteRounding(geoRounding));
}

// Unordered pairs p < q of selected populations with GeoDist(p, q) <= radius (the boundary counts), a
// distance equal to the radius within geoRounding (Calc_Geo_Distances) counting as on it.
int countPairsInRadius(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding, double SearchRadius);

// Fills SpatStat1 and SpatStat2 of every selected locus when out.NPairsInRadius is at least
// kSpatialMinPairs; leaves them as they are otherwise. Expects out.NPairsInRadius current and above 0, and
// the two tables sized 0..NLoci by the caller.
// DistDG: any table read as DistDG(pop, pop, locus); the analysis passes its GregoriusByLocus.
template <class DistTable>
void Calc_Spatial_Structure_Locus(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding,
                                  const DistTable& DistDG, double SearchRadius, SpatialResults& out) {
  if (out.NPairsInRadius < kSpatialMinPairs) return;
  for (int l = 1; l <= g.nLoci; ++l) {
    if (!g.locOn(l)) continue;
    int nAll = 0, nNear = 0;
    double sumAll = 0, sumNear = 0;
    for (int p = 1; p < g.nPop; ++p) {
      if (!g.popOn(p)) continue;
      for (int q = p + 1; q <= g.nPop; ++q) {
        if (!g.popOn(q)) continue;
        const double d = DistDG(p, q, l);
        ++nAll;
        sumAll += d;
        if (inSearchRadius(GeoDist(p, q), SearchRadius, geoRounding)) {
          ++nNear;
          sumNear += d;
        }
      }
    }
    if (nNear == 0) continue;  // only when the caller's count belongs to another selection
    // The distances are nonnegative and a pair of equal frequencies has a distance of exactly 0, so meanAll
    // is 0 exactly when it is in exact arithmetic.
    const double meanAll = sumAll / nAll, meanNear = sumNear / nNear;
    out.SpatStat1[static_cast<std::size_t>(l)] = meanNear - meanAll;
    out.SpatStat2[static_cast<std::size_t>(l)] = meanAll > 0 ? (meanNear - meanAll) / meanAll : 0.0;
  }
}

}  // namespace kiwora
