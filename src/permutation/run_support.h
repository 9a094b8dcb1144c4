#pragma once
// What every permutation test shares around its resampling: the comparison of a permuted value with the
// observed one and which populations a test can use.
#include "model/dataset.h"
#include "base/tolerance.h"

namespace kiwora {

// A permuted difference as extreme as the observed one, on the observed side: d <= o when o <= 0,
// d >= o when o > 0, ties included. An observed difference that is 0 by the rule is 0, so the side does
// not follow the sign rounding leaves on it.
inline bool asExtremeOnSide(double d, double o, Rounding r) { return atMost(o, 0, r) ? atMost(d, o, r) : atLeast(d, o, r); }

// Population p exists in the data set and is selected.
bool populationUsable(const DataSet& ds, const Selection& sel, int p);

}  // namespace kiwora
