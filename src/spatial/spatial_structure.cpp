#include "spatial/spatial_structure.h"

#include "base/tolerance.h"
#include "stats/distance_tables.h"

namespace kiwora {
namespace {

// The boundary counts: a distance within the coordinates' rounding of the radius is within it. The radius
// as read is off by half an ulp of itself, which the rule's ulp of the larger value covers.
bool inRadius(double distance, double radius, double geoRounding) {
  return atMost(distance, radius, absoluteRounding(geoRounding));
}

}  // namespace

int countPairsInRadius(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding, double SearchRadius) {
  int n = 0;
  for (int p = 1; p < g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int q = p + 1; q <= g.nPop; ++q)
      if (g.popOn(q) && inRadius(GeoDist(p, q), SearchRadius, geoRounding)) ++n;
  }
  return n;
}

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
        if (inRadius(GeoDist(p, q), SearchRadius, geoRounding)) {
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

template void Calc_Spatial_Structure_Locus(const GenotypeView&, const Table2<double>&, double, const Table3<double>&, double,
                                           SpatialResults&);
template void Calc_Spatial_Structure_Locus(const GenotypeView&, const Table2<double>&, double, const PairTable3<double>&, double,
                                           SpatialResults&);
template void Calc_Spatial_Structure_Locus(const GenotypeView&, const Table2<double>&, double, const GregoriusByLocus&, double,
                                           SpatialResults&);

}  // namespace kiwora
