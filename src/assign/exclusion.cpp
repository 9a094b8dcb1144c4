#include "assign/exclusion.h"

#include <algorithm>

#include "assign/scorers.h"
#include "base/tolerance.h"

namespace kiwora {

// A probability is a share of counts (one quotient), or one minus such a share.
bool belowExclusionThreshold(double probability) {
  return clearlyBelow(probability, kExclusionThreshold, Rounding{4, 1});
}

Cell exclusionByDelta(const std::vector<double>& sortedSimDelta, double delta) {
  if (sortedSimDelta.empty()) return std::nullopt;
  const auto n = static_cast<double>(sortedSimDelta.size());
  // A simulated delta equal to the group's within the tie rule counts with those below it.
  const auto atOrBelow = std::partition_point(sortedSimDelta.begin(), sortedSimDelta.end(),
                                              [delta](double x) { return atMost(x, delta, kScoreRounding); }) -
                         sortedSimDelta.begin();
  return 1 - static_cast<double>(std::max<std::ptrdiff_t>(atOrBelow, 1)) / n;
}

void Excl_Prob_Delta(Vec1<double>& SimDelta, const Vec1<Cell>& GrDelta, Vec1<Cell>& DeltaProb) {
  if (SimDelta.size() > 1) std::sort(SimDelta.begin() + 1, SimDelta.end());
  const std::vector<double> sorted(SimDelta.size() > 1 ? SimDelta.begin() + 1 : SimDelta.end(), SimDelta.end());
  DeltaProb.assign(GrDelta.size(), std::nullopt);
  for (std::size_t g = 1; g < GrDelta.size(); ++g)
    if (GrDelta[g]) DeltaProb[g] = exclusionByDelta(sorted, *GrDelta[g]);
}

}  // namespace kiwora
