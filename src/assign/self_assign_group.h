#pragma once
// One test of a self-assignment: the tested individuals taken out of their population (in a working copy
// of the reference genotypes) and put into a test group of their own.
#include <vector>

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

}  // namespace kiwora
