#pragma once
// Pearson correlations of distances: per locus, over the unordered pairs of selected populations, of the
// Gregorius distance at the locus with the geographic distance; and the one rule every printed
// correlation follows.
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "base/cell.h"
#include "base/table.h"
#include "base/tolerance.h"
#include "stats/genotype_view.h"

namespace kiwora {

// The mean of the series x(i), i = 0..n-1.
template <class X>
double seriesMean(std::size_t n, X x) {
  double m = 0;
  for (std::size_t i = 0; i < n; ++i) m += x(i);
  return n > 0 ? m / static_cast<double>(n) : 0;
}

// Pearson r of the series x(i) and y(i), i = 0..n-1, about their means mx and my. Undefined when either
// series has no variation beyond rounding: its root mean square deviation is 0 by the tie rule at the
// size of its mean. Distances that are all one value in exact arithmetic come out a few units in the last
// place apart, and correlating that spread would correlate rounding noise. A single pair has no spread.
template <class X, class Y>
Cell pearsonAbout(std::size_t n, X x, double mx, Y y, double my) {
  if (n == 0) return std::nullopt;
  double c = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x(i) - mx, dy = y(i) - my;
    c += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }
  const double count = static_cast<double>(n);
  // Values equal in exact arithmetic are each off by the frequency terms of a distance (or a few ulps of a
  // geographic one), and their mean by an ulp of it per value summed: so is each deviation.
  const Rounding rx = ofSums(count, kFrequencyTermUlps, mx), ry = ofSums(count, kFrequencyTermUlps, my);
  if (vanishes(std::sqrt(sxx / count), rx) || vanishes(std::sqrt(syy / count), ry)) return std::nullopt;
  const double d = std::sqrt(sxx) * std::sqrt(syy);
  if (!(d > 0)) return std::nullopt;
  return c / d;
}

// The same of two series held as vectors; undefined when their lengths differ.
inline Cell pearson(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return std::nullopt;
  const auto xi = [&](std::size_t i) { return x[i]; };
  const auto yi = [&](std::size_t i) { return y[i]; };
  return pearsonAbout(x.size(), xi, seriesMean(x.size(), xi), yi, seriesMean(y.size(), yi));
}

// Only selected loci with differentiation (DjLoc above 0 by the tie rule) take part. Sizes CorrGeoLocus
// (locus) itself; a cell stays undefined where the correlation is (one pair, no spread, all populations at
// one place).
// DistDG: any table read as DistDG(pop, pop, locus); the analysis passes its GregoriusByLocus.
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

}  // namespace kiwora
