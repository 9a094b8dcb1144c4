#include "spatial/spatial_structure.h"

namespace kiwora {

int countPairsInRadius(const GenotypeView& g, const Table2<double>& GeoDist, double geoRounding, double SearchRadius) {
  int n = 0;
  for (int p = 1; p < g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int q = p + 1; q <= g.nPop; ++q)
      if (g.popOn(q) && inSearchRadius(GeoDist(p, q), SearchRadius, geoRounding)) ++n;
  }
  return n;
}

}  // namespace kiwora
