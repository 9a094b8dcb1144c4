#pragma once
// The run "Self assignment" as a sequence of steps over one SelfAssignmentRun, like the run "Assign test
// groups": the options are copied once at the start; every refusal comes before anything is written.
#include <cstdint>
#include <functional>
#include <string>

#include "assign/assignment_run.h"
#include "assign/self_assign_report.h"
#include "model/model.h"

namespace kiwora {

struct SelfAssignmentRun : AssignmentRunBase {
  using AssignmentRunBase::AssignmentRunBase;
  SelfAssignCounts counts;  // what the tests found
};

// The options, the group size against every population and the individuals that can be tested; false,
// with `error`, when no test can run. Nothing is written and no flag is set then.
bool selfStepCheck(SelfAssignmentRun& run);
// Names and creates the result file with its banner and header when no run has named it yet, otherwise
// checks that it can be appended to. False, with `error`, when the file cannot be written.
bool selfStepResultFile(SelfAssignmentRun& run);
// Every test, seeded once from the run context; its progress steps show the percentage done ("35 %").
void selfStepTests(SelfAssignmentRun& run);
// Appends the report. False, with `error`, when the file cannot be written.
bool selfStepReport(SelfAssignmentRun& run);
// The flags of a completed run: the next assignment run reads the test groups again.
void selfStepFinish(SelfAssignmentRun& run);

// The whole run; false with run.error when a step failed.
bool runSelfAssignment(SelfAssignmentRun& run);

}  // namespace kiwora
