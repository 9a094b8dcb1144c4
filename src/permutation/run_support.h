#pragma once
// What every permutation test shares around its resampling: the comparison of a permuted value with the
// observed one and which populations a test can use.
#include "model/dataset.h"

namespace kiwora {

// Relative tolerance of the comparisons below: the same value summed in another order may differ in the
// last bits.
inline constexpr double kTieTolerance = 1e-9;

// a and b equal within kTieTolerance relative to the larger of |a|, |b| and `scale` (the magnitude of the
// operands when a and b are themselves differences). Infinite values tie only when equal.
bool ties(double a, double b, double scale = 0);
// value >= observed, ties included.
inline bool atLeast(double value, double observed, double scale = 0) {
  return value >= observed || ties(value, observed, scale);
}
// value <= observed, ties included.
inline bool atMost(double value, double observed, double scale = 0) {
  return value <= observed || ties(value, observed, scale);
}
// A permuted difference as extreme as the observed one, on the observed side: d <= o when o <= 0,
// d >= o when o > 0, ties included.
inline bool asExtremeOnSide(double d, double o, double scale = 0) {
  return o <= 0 ? atMost(d, o, scale) : atLeast(d, o, scale);
}

// Population p exists in the data set and is selected.
bool populationUsable(const DataSet& ds, const Selection& sel, int p);

}  // namespace kiwora
