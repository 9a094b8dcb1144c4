#pragma once
// What every permutation test shares around its resampling: the random stream of each permutation, the
// comparison of a permuted value with the observed one, the checks of the user's choices, and the guard
// that keeps one run at a time.
#include <cstdint>
#include <optional>
#include <string>

#include "model/dataset.h"
#include "base/random.h"
#include "base/tolerance.h"

namespace kiwora {

// The message when a test has no usable population to work on.
inline constexpr const char* kSelectPopulation = "Please, select population!";

// The stream of permutation `perm` of test unit `unit` (a pair, a population, ...) in a run seeded with
// runSeed. Each permutation owns its stream, so results do not depend on how the permutations are spread
// over threads.
inline Random permutationStream(std::uint64_t runSeed, int unit, int perm) {
  return Random::stream(runSeed, (static_cast<std::uint64_t>(static_cast<std::uint32_t>(unit)) << 32) |
                                     static_cast<std::uint32_t>(perm));
}

// A permuted difference as extreme as the observed one, on the observed side: d <= o when o <= 0,
// d >= o when o > 0, ties included.
inline bool asExtremeOnSide(double d, double o, double scale = 0) {
  return o <= 0 ? atMost(d, o, scale) : atLeast(d, o, scale);
}

// The permutation count typed into a box: its leading number when that is a whole number of at least 1
// (and fits an int); nothing otherwise.
std::optional<int> permutationCount(const std::string& text);

// Population p exists in the data set and is selected.
bool populationUsable(const DataSet& ds, const Selection& sel, int p);

// The result file can be opened for appending (it is created when missing and left as it was).
bool canAppendTo(const std::string& path);

// One run at a time. The guard takes the run when no other holds it (flags.Busy == 0), sets Busy and
// keeps a private copy of the selection; the run works on that copy. When the guard ends, the model's
// selection is put back from its copy, whatever happened meanwhile, and Busy is cleared.
class RunGuard {
 public:
  RunGuard(WorkflowFlags& flags, Selection& sel);
  ~RunGuard();
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  bool acquired() const { return acquired_; }
  // The selection as it was when the run began.
  const Selection& selection() const { return saved_; }

 private:
  WorkflowFlags& flags_;
  Selection& sel_;
  Selection saved_;
  bool acquired_ = false;
};

}  // namespace kiwora
