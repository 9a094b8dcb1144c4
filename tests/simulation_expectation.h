#pragma once
// What the frequency generator of simulated groups should give, computed from its rule rather than by it.
#include <algorithm>
#include <cmath>

namespace kiwora::testing {

// Share of homozygotes 1/1 that the frequency generator gives a population with frequencies 3/4 and
// 1/4 from N = 4 copies, computed from its own rule: the first code moves by d = 2.576 sqrt(f(1-f)/N) u,
// u uniform, down or up with equal chance, the second code the other way, both at least 0, renormalised.
inline double expectedHomozygoteShare() {
  const double f = 0.75, half = 2.576 * std::sqrt(f * (1 - f) / 4);
  const int steps = 200000;
  double sum = 0;
  for (int s = 0; s < steps; ++s) {
    const double d = half * (s + 0.5) / steps;
    for (double sign : {-1.0, 1.0}) {
      const double f1 = std::max(0.0, f - sign * d), f2 = std::max(0.0, 1 - f + sign * d);
      const double share = f1 / (f1 + f2);
      sum += share * share / 2;
    }
  }
  return sum / steps;
}

}  // namespace kiwora::testing
