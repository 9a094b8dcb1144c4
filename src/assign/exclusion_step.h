#pragma once
// The exclusion probabilities of a run, after the score tables: simulated groups by LOD1 or by delta,
// their tables appended to the result file.
#include "assign/assignment_run.h"

namespace kiwora {

// Simulates with a seed of the run, reports progress through run.progress, and appends the exclusion
// tables. False, with `error`, when the file cannot be written.
bool assignStepExclusion(AssignmentRun& run);

}  // namespace kiwora
