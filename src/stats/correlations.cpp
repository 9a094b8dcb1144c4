#include "stats/correlations.h"

#include <cmath>
#include <utility>
#include <vector>

#include "stats/distance_tables.h"

namespace kiwora {

template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus) {
  CorrGeoLocus = makeVec1<Cell>(v.nLoci);
  std::vector<std::pair<int, int>> pairs;
  for (int p = 1; p < v.nPop; ++p)
    if (v.popOn(p))
      for (int q = p + 1; q <= v.nPop; ++q)
        if (v.popOn(q)) pairs.emplace_back(p, q);
  if (pairs.empty()) return;
  const double n = static_cast<double>(pairs.size());
  double mG = 0;
  for (auto [p, q] : pairs) mG += GeoDist(p, q);
  mG /= n;
  // All populations at one place: no locus can correlate with the distance.
  if (mG == 0) return;

  // Loci are independent of each other.
  for (int l = 1; l <= v.nLoci; ++l) {
    if (!v.locOn(l) || l >= static_cast<int>(DjLoc.size()) || !(DjLoc[static_cast<std::size_t>(l)] > 0)) continue;
    double mD = 0;
    for (auto [p, q] : pairs) mD += DistDG(p, q, l);
    mD /= n;
    double sxy = 0, sgg = 0, sdd = 0;
    for (auto [p, q] : pairs) {
      const double dd = DistDG(p, q, l) - mD;
      const double dg = GeoDist(p, q) - mG;
      sxy += dd * dg;
      sgg += dg * dg;
      sdd += dd * dd;
    }
    const double den = std::sqrt(sdd) * std::sqrt(sgg);
    if (den > 0) CorrGeoLocus[static_cast<std::size_t>(l)] = sxy / den;
  }
}

template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const Table3<double>&, const Table2<double>&,
                                 Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const PairTable3<double>&,
                                 const Table2<double>&, Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const GregoriusByLocus&,
                                 const Table2<double>&, Vec1<Cell>&);

}  // namespace kiwora
