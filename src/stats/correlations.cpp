#include "stats/correlations.h"

#include <cmath>
#include <utility>

#include "base/tolerance.h"
#include "stats/distance_tables.h"

namespace kiwora {

Cell pearson(const std::vector<double>& x, const std::vector<double>& y) {
  const std::size_t n = x.size();
  // Distances that are all one value in exact arithmetic come out a few units in the last place apart;
  // their "spread" would correlate rounding noise.
  if (n != y.size() || !varies(x.begin(), x.end()) || !varies(y.begin(), y.end())) return std::nullopt;
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double c = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x[i] - mx, dy = y[i] - my;
    c += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }
  const double d = std::sqrt(sxx) * std::sqrt(syy);
  if (!(d > 0)) return std::nullopt;
  return c / d;
}

template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus) {
  CorrGeoLocus = makeVec1<Cell>(v.nLoci);
  std::vector<std::pair<int, int>> pairs;
  for (int p = 1; p < v.nPop; ++p)
    if (v.popOn(p))
      for (int q = p + 1; q <= v.nPop; ++q)
        if (v.popOn(q)) pairs.emplace_back(p, q);
  std::vector<double> geo;
  geo.reserve(pairs.size());
  for (auto [p, q] : pairs) geo.push_back(GeoDist(p, q));
  // All populations at one place (or equally far apart): no locus can correlate with the distance.
  if (!varies(geo.begin(), geo.end())) return;

  std::vector<double> dist(pairs.size());
  for (int l = 1; l <= v.nLoci; ++l) {
    // Dj is formed from frequencies: one that only rounding keeps from 0 is no differentiation.
    if (!v.locOn(l) || l >= static_cast<int>(DjLoc.size()) || !clearlyAbove(DjLoc[static_cast<std::size_t>(l)], 0, 1))
      continue;
    for (std::size_t i = 0; i < pairs.size(); ++i) dist[i] = DistDG(pairs[i].first, pairs[i].second, l);
    CorrGeoLocus[static_cast<std::size_t>(l)] = pearson(dist, geo);
  }
}

template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const Table3<double>&, const Table2<double>&,
                                 Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const PairTable3<double>&,
                                 const Table2<double>&, Vec1<Cell>&);
template void Corr_Locus_GeoDist(const GenotypeView&, const Vec1<double>&, const GregoriusByLocus&,
                                 const Table2<double>&, Vec1<Cell>&);

}  // namespace kiwora
