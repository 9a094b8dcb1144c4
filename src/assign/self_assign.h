#pragma once
// The self-assignment test: reference individuals (or random groups of them) are taken out of their
// population, assigned with the chosen method against the reference populations without them, and
// tallied by the population they are assigned to.
#include <cstdint>
#include <string>
#include <vector>

#include "assign/self_assign_report.h"
#include "base/refusal.h"
#include "base/run_context.h"
#include "model/assignment_options.h"
#include "model/dataset.h"
#include "model/genotypes.h"

namespace kiwora {

// Why no run can start, or none: a population too small for the group size, or (single individuals) no
// individual with the data the test needs.
Refusal selfAssignRefusal(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt);

// Every test of a run, spread over the cores: single individuals when SelfGroupSize is 1, otherwise
// SelfNTests groups per population drawn with a stream per test from `runSeed`. A test that would take
// every member out of its population does not run and is not counted. The counts do not depend on the
// number of threads. The share of tests done shows through the context's progress ("35 %"), where a stop
// request ends the run (RunStopped).
SelfAssignCounts selfAssignTests(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt,
                                 std::uint64_t runSeed, const RunContext& context = RunContext{});

// "Bayesian Approach", "Frequency Approach" or "Genetic Distance - based on ..." for the report.
std::string selfMethodText(const AssignmentOptions& opt);

}  // namespace kiwora
