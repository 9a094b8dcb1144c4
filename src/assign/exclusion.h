#pragma once
// Exclusion probabilities of the test groups from the simulated groups: by LOD1 per group and population
// (the share of simulated groups that score strictly better than the group), or by delta per group (where
// the group's delta falls among the simulated deltas). A simulated value equal to the group's within the
// tie rule counts as at least as extreme as the group's, as in the permutation tests.
#include <vector>

#include "base/cell.h"
#include "base/table.h"

namespace kiwora {

// An exclusion probability at or above this excludes.
inline constexpr double kExclusionThreshold = 0.95;

// The probability lies below the threshold: it does not exclude. A value equal to the threshold within the
// tie rule excludes.
bool belowExclusionThreshold(double probability);

// 1 - k / n for n simulated deltas sorted ascending, k the number of them at or below `delta` (equal within
// the tie rule), at least 1: a group delta at or above every simulated one gives 0, one below them all
// 1 - 1/n. Undefined without simulated deltas.
Cell exclusionByDelta(const std::vector<double>& sortedSimDelta, double delta);

// Sorts SimDelta (1..n) ascending in place and sets DeltaProb (0..nGroups) of every group g = 1..nGroups
// from GrDelta(g); a group whose delta is undefined gets an undefined probability.
void Excl_Prob_Delta(Vec1<double>& SimDelta, const Vec1<Cell>& GrDelta, Vec1<Cell>& DeltaProb);

}  // namespace kiwora
