#pragma once
// The run "Self assignment", in the shape of the run "Assign test groups": a snapshot of what it reads and a
// RunContext; run() computes the counts, writeReport() writes the report from them in one go, and the
// window checks the options (selfAssignmentRefusal) before the run and tells the model what a completed
// run leaves (completeSelfAssignment).
#include "assign/assignment_run.h"
#include "assign/self_assign_report.h"
#include "base/refusal.h"
#include "model/model.h"

namespace kiwora {

class SelfAssignmentRun : public AssignmentRunBase {
 public:
  using AssignmentRunBase::AssignmentRunBase;
  // Every test, seeded once from the run context; its progress steps show the percentage done ("35 %").
  const SelfAssignCounts& run();
  // After run(): in a new file the banner and the header, then the report. A refusal when the file cannot
  // be written or is no longer the one the run began in; then it is as it was.
  Refusal writeReport();

  SelfAssignCounts counts;  // what the tests found
};

// The options, the group size against every population and the individuals that can be tested: why no
// test can run, or none.
Refusal selfAssignmentRefusal(const Model& m, const AssignmentOptions& opt);

// What a completed run whose report was written leaves in the model: the result file's name and the
// workflow flags; the loci are listed again only after they change, and the next assignment run reads the
// test groups again.
void completeSelfAssignment(Model& m, const SelfAssignmentRun& run);

}  // namespace kiwora
