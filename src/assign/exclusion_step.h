#pragma once
// The exclusion probabilities of a run, after the scores: simulated groups by LOD1 or by delta.
#include "assign/assignment_run.h"

namespace kiwora {

// The delta criterion runs: chosen, and not under the genetic distance, which always takes LOD1.
bool exclusionByDelta(const AssignmentOptions& opt);

// Simulates with a seed of the run and reports progress through its context: into run.results and, by
// LOD1, run.exclusion.
void assignStepExclusion(AssignmentRun& run);

}  // namespace kiwora
