#pragma once
// Average-distance chain clustering: the closest pair starts one cluster, then each step adds the
// population with the smallest unweighted mean distance to all members.
#include "base/table.h"
#include "stats/distance_tables.h"

namespace kiwora {

// Dist holds the distances (0..1; NaN: undefined, never the smallest) of every ordered pair of selected
// populations. Ties go to the pair or candidate found first (smallest numbers). Sizes the result afresh;
// with fewer than two selected populations it does not run and returns false (NClusterSteps 0, no
// population joined).
bool Cluster_Average_Chain(int nPop, const Vec1<int>& popSel, const Table2<double>& Dist, ClusterSteps& out);

}  // namespace kiwora
