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

// What the correlation needs of a series x(i), i = 0..n-1, before it pairs it with another: its mean and
// whether it varies beyond rounding.
struct SeriesStats {
  double mean = 0;
  bool varies = false;
};

template <class X>
SeriesStats seriesStats(std::size_t n, X x) {
  SeriesStats s;
  SeriesRange range;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = x(i);
    s.mean += v;
    range.add(v);
  }
  if (n > 0) s.mean /= static_cast<double>(n);
  s.varies = range.varies();
  return s;
}

// Pearson r of the series x(i) and y(i), i = 0..n-1, with their stats; undefined when either has no
// variation beyond rounding (its values one value in exact arithmetic, a single pair, no pair): distances
// that are all one value come out a few units in the last place apart, and their spread would correlate
// rounding noise.
template <class X, class Y>
Cell pearson(std::size_t n, X x, const SeriesStats& xs, Y y, const SeriesStats& ys) {
  if (!xs.varies || !ys.varies) return std::nullopt;
  double c = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x(i) - xs.mean, dy = y(i) - ys.mean;
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
  const auto xi = [&](std::size_t i) { return x[i]; };
  const auto yi = [&](std::size_t i) { return y[i]; };
  return pearson(x.size(), xi, seriesStats(x.size(), xi), yi, seriesStats(y.size(), yi));
}

// Only selected loci with differentiation (DjLoc above 0 by the tie rule) take part. Sizes CorrGeoLocus
// (locus) itself; a cell stays undefined where the correlation is (one pair, no spread, all populations at
// one place).
// DistDG: a Table3<double> or a PairTable3<double> (pop, pop, locus).
template <class DistTable>
void Corr_Locus_GeoDist(const GenotypeView& v, const Vec1<double>& DjLoc, const DistTable& DistDG,
                        const Table2<double>& GeoDist, Vec1<Cell>& CorrGeoLocus);

}  // namespace kiwora
