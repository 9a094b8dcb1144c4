#pragma once
// Self-assignment from counts: the reference tables are built once per run from every reference
// individual, together with the counts behind them (allele copies per population and locus, complete
// haplotypes per population). A test takes its members out of their own population's counts, scores the
// group against the tables as they would be without the members, and puts nothing back because it never
// changed the shared tables: what differs lives in the test's workspace.
#include <cstddef>
#include <vector>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "model/assignment_options.h"
#include "model/dataset.h"
#include "model/genotypes.h"

namespace kiwora {

class LeaveOutReference;

// What one thread keeps between tests: sized once for the run, reused by every test it scores.
struct LeaveOutWorkspace {
  GenotypeData group;   // the tested members as group 1
  GroupProfile profile;
  ProfileScratch scratch;
  std::vector<int> copies;      // (locus): typed copies of the tested population without the members
  std::vector<int> k;           // (locus): codes present, the tested members' own codes included
  std::vector<char> kChanged;   // (locus): k differs from the reference tables'
  std::vector<int> count;       // tested population's copies per present code without the members
  std::vector<double> freq;     // its frequencies, laid out like `count`
  std::vector<char> novel;      // (locus, code): a member's code no candidate carries
  std::vector<int> novelCodes;  // the cells set in `novel`, cleared after the test
  int matKey = 0, patKey = 0;   // the member's haplotype numbers (group size 1), 0 when none
  std::vector<double> scores;   // one per candidate

  void prepare(const LeaveOutReference& base, int groupSize);
};

class LeaveOutReference {
 public:
  // Builds the tables from every reference individual (populations and loci as selected) for the method
  // of `opt` and groups of `groupSize` members.
  LeaveOutReference(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt, int groupSize);

  // Whether the tests can be scored from the counts. Otherwise (the distance on genotypes, the distance
  // with maternal loci, groups of several members with haplotype loci) every test rebuilds the tables.
  bool fromCounts() const { return fromCounts_; }
  const ReferenceTables& tables() const { return ref_; }

  // The population the members (individuals of population p) are assigned to, scored against the
  // tables without them; 0 when none.
  int assign(int p, const std::vector<int>& members, LeaveOutWorkspace& ws) const;

 private:
  friend struct LeaveOutWorkspace;
  friend struct LeftOutReader;
  std::size_t codeCell(int l, int a) const {
    return static_cast<std::size_t>(l) * static_cast<std::size_t>(maxAllele_ + 1) + static_cast<std::size_t>(a);
  }

  const DataSet& ds_;
  AssignmentOptions opt_;
  ReferenceTables ref_;
  bool fromCounts_ = false;
  int nLoci_ = 0, maxAllele_ = 0;
  std::vector<int> presentIndex_;             // (locus, code): position among the locus's present codes
  std::vector<std::size_t> codeStart_;        // (locus): first slot of the locus in a population's counts
  std::size_t codesPerPop_ = 0;
  std::vector<int> count_;                    // (candidate population, locus, present code): copies
  std::vector<int> matKeyOf_, patKeyOf_;      // (population, member) flat: haplotype number, 0 none
  std::vector<std::size_t> memberStart_;      // (population): first member's slot in the key tables
  Table2<int> matCount_, patCount_;           // (population, haplotype): complete members with the key
};

}  // namespace kiwora
