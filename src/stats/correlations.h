#pragma once
// Pearson correlations of distances: per locus, over the unordered pairs of selected populations, of the
// Gregorius distance at the locus with the geographic distance; and the one rule every printed
// correlation follows.
#include <cmath>
#include <cstddef>
#include <vector>

#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "base/tolerance.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Pearson r of the series x(i) and y(i), i = 0..n-1; undefined when either has no variation beyond
// rounding (its values one value in exact arithmetic, a single pair, no pair). Each value is read twice.
template <class X, class Y>
Cell pearson(std::size_t n, X x, Y y) {
  double mx = 0, my = 0;
  SeriesRange xRange, yRange;
  for (std::size_t i = 0; i < n; ++i) {
    const double a = x(i), b = y(i);
    mx += a;
    my += b;
    xRange.add(a);
    yRange.add(b);
  }
  // Distances that are all one value in exact arithmetic come out a few units in the last place apart;
  // their spread would correlate rounding noise.
  if (!xRange.varies() || !yRange.varies()) return std::nullopt;
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double c = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x(i) - mx, dy = y(i) - my;
    c += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }
  const double d = std::sqrt(sxx) * std::sqrt(syy);
  if (!(d > 0)) return std::nullopt;
  return c / d;
}

// The same of two series held as vectors; undefined when their lengths differ.
inline Cell pearson(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return std::nullopt;
  return pearson(x.size(), [&](std::size_t i) { return x[i]; }, [&](std::size_t i) { return y[i]; });
}

// Only selected loci with differentiation (DjLoc above 0 by the tie rule) take part. Sizes CorrGeoLocus
// (locus) itself; a cell stays undefined where the correlation is (one pair, no spread, all populations at
// one place).
// DistDG: a Table3<double> or a PairTable3<double> (pop, pop, locus).
template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus);

}  // namespace kiwora
