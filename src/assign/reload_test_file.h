#pragma once
// Reading the test groups again before an assignment run that follows a self-assignment, so that the
// run scores the groups of the file as it stands now.
#include "base/refusal.h"
#include "model/model.h"

namespace kiwora {

// Reads the file named by TestFileName through the same checks as the menu command. The reader's refusal
// when the file is refused (the groups, the selection and the data set stay as they were); none when the
// groups of the file have replaced the loaded ones.
Refusal Reload_Test_File(Model& m);

// Before an assignment run: after a self-assignment (AssignReRead) into a named result file the test
// groups are read again. The reader's refusal when the file is refused: the run does not start.
Refusal reloadTestGroupsAfterSelfAssignment(Model& m);

}  // namespace kiwora
