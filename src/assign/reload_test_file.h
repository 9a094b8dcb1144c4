#pragma once
// Reading the test groups again before an assignment run that follows a self-assignment, so that the
// run scores the groups of the file as it stands now.
#include <string>

#include "assign/assignment_run.h"
#include "model/model.h"

namespace kiwora {

// Reads the file named by TestFileName through the same checks as the menu command. Returns the
// reader's message when the file is refused (the groups, the selection and the data set stay as they
// were), empty when the groups of the file have replaced the loaded ones.
std::string Reload_Test_File(Model& m);

// The step of the run "Assign test groups" before its header: after a self-assignment (AssignReRead) the
// test groups are read again. False, with `error`, when the file is refused: the run stops there.
bool assignStepReloadTestGroups(AssignmentRun& run);

}  // namespace kiwora
