#pragma once
// The memory a run's tables may take. A run adds up what its population-pair, per-locus and simulation
// tables will need before it allocates any of them, and is refused with a message when the sum is above
// the limit: the data stay loaded and nothing is calculated. The sizes are counted in double, so that
// absurd counts cannot overflow.
#include <string>
#include <vector>

#include "base/refusal.h"

namespace kiwora {

// 4 GB: the largest sum of the result tables of one run.
inline constexpr double kRunMemoryLimit = 4.0 * 1024 * 1024 * 1024;

// A table, or a group of tables, a run is about to allocate.
struct TableNeed {
  double bytes = 0;
  // What makes it large, in words the user can act on: the option and its value, or the data size
  // ("\"N Sim\" 2000000000 simulations for each of 3 populations").
  std::string what;
};

// No refusal when the needs fit within `limit`; otherwise the message for the user, naming the largest need.
Refusal memoryRefusal(const std::vector<TableNeed>& needs, double limit = kRunMemoryLimit);

}  // namespace kiwora
