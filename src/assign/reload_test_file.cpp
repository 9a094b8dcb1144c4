#include "assign/reload_test_file.h"

#include "files/assignment_files.h"

namespace kiwora {

Refusal Reload_Test_File(Model& m) {
  TestGroupRead read;
  if (Refusal refused = readTestGroupFile(m.ds.TestFileName, m.ds, m.sel, m.test, read)) return refused;
  installTestGroups(std::move(read), m.ds, m.sel, m.test);
  return {};
}

Refusal reloadTestGroupsAfterSelfAssignment(Model& m) {
  if (m.flags.AssignReRead != 1 || m.assignFile.AssignOutFile.empty()) return {};
  return Reload_Test_File(m);
}

}  // namespace kiwora
