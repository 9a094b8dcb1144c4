#include "assign/reload_test_file.h"

#include "files/assignment_files.h"

namespace kiwora {

std::string Reload_Test_File(Model& m) {
  TestGroupRead read;
  if (const Refusal refused = readTestGroupFile(m.ds.TestFileName, m.ds, m.sel, m.test, read)) return refused.message();
  installTestGroups(std::move(read), m.ds, m.sel, m.test);
  return {};
}

bool assignStepReloadTestGroups(AssignmentRun& run) {
  Model& m = run.model;
  if (m.flags.AssignReRead != 1 || m.assignFile.AssignOutFile.empty()) return true;
  run.error = Reload_Test_File(m);
  return run.error.empty();
}

}  // namespace kiwora
