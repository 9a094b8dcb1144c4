#include "stats/correlations.h"

#include <utility>
#include <vector>

#include "base/tolerance.h"
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
  const std::pair<int, int>* const pair = pairs.data();
  const auto geo = [pair, &GeoDist](std::size_t i) { return GeoDist(pair[i].first, pair[i].second); };
  const double meanGeo = seriesMean(pairs.size(), geo);

  for (int l = 1; l <= v.nLoci; ++l) {
    // Dj is formed from frequencies: one that only rounding keeps from 0 is no differentiation. It is a
    // mean over the populations of one locus's terms.
    if (!v.locOn(l) || l >= static_cast<int>(DjLoc.size()) ||
        !clearlyAbove(DjLoc[static_cast<std::size_t>(l)], 0, ofSums(v.nPop, kFrequencyTermUlps, 1)))
      continue;
    // All populations at one place (or equally far apart) leave no locus a correlation with the distance.
    const auto dist = [pair, &DistDG, l](std::size_t i) { return DistDG(pair[i].first, pair[i].second, l); };
    CorrGeoLocus[static_cast<std::size_t>(l)] =
        pearsonAbout(pairs.size(), dist, seriesMean(pairs.size(), dist), geo, meanGeo);
  }
}

template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const Table3<double>&, const Table2<double>&,
                                 Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const PairTable3<double>&,
                                 const Table2<double>&, Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const GregoriusByLocus&,
                                 const Table2<double>&, Vec1<Cell>&);

}  // namespace kiwora
