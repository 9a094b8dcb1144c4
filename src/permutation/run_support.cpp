#include "permutation/run_support.h"

#include <algorithm>
#include <cmath>

namespace kiwora {

bool ties(double a, double b, double scale) {
  if (!std::isfinite(a) || !std::isfinite(b)) return a == b;  // an infinite distance ties only with itself
  const double m = std::max({std::fabs(a), std::fabs(b), std::fabs(scale)});
  return std::fabs(a - b) <= kTieTolerance * m;
}

bool populationUsable(const DataSet& ds, const Selection& sel, int p) {
  return p >= 1 && p <= ds.NPop && p < static_cast<int>(sel.PopSel.size()) &&
         sel.PopSel[static_cast<std::size_t>(p)] == 1;
}

}  // namespace kiwora
