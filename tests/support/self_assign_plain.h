#pragma once
// One test of a self-assignment done the plain way, to check the run's counted way against: the tested
// individuals taken out of their population (in a working copy of the reference genotypes), put into a
// test group of their own, the reference tables built without them and the group scored.
#include <vector>

#include "model/assignment_options.h"
#include "model/dataset.h"
#include "model/genotypes.h"
#include "model/test_groups.h"

namespace kiwora {

// While alive, the members (individuals of population p) are missing at every locus of `genotypes`, so
// the reference tables built from it leave them out; the destructor puts their alleles back.
class LeftOut {
 public:
  LeftOut(GenotypeData& genotypes, int p, const std::vector<int>& members);
  ~LeftOut();
  LeftOut(const LeftOut&) = delete;
  LeftOut& operator=(const LeftOut&) = delete;

 private:
  GenotypeData& g_;
  int p_;
  const std::vector<int>& members_;
  std::vector<int> saved_;  // a1, a2 per member and locus
};

// The members' genotypes as test group 1 of `out`, taken before they are left out of `reference`.
void fillSelfGroup(const GenotypeData& reference, int p, const std::vector<int>& members, TestGroups& out);

// One test (Self_Assign_Run): the members (individuals of population p) leave `work` for the time of the
// test; the reference tables are built without them (their gene copies are not counted, so n is the
// remaining gene count) and the group of the members is scored with the chosen method. Returns the
// population the group is assigned to, 0 when none. A run scores its tests from counts instead
// (LeaveOutReference), with the same result bit for bit.
int Self_Assign_Run(GenotypeData& work, const DataSet& ds, const Selection& sel, const AssignmentOptions& opt, int p,
                    const std::vector<int>& members);

}  // namespace kiwora
