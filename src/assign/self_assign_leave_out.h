#pragma once
// Self-assignment from counts: the reference tables are built once per run from every reference
// individual, together with the counts behind them (allele copies per population and locus, genotype and
// haplotype counts with the individuals that carry each key). A test takes its members out of their own
// population's counts, scores the group against the tables as they would be without the members, and
// puts nothing back because it never changed the shared tables: what differs lives in the test's
// workspace.
//
// A rebuild without the members also reorders the genotype and haplotype lists (a key whose first
// carrier is a member moves to its first other carrier, a key only members carry goes), and sums over
// those lists add in that order. The carriers of every key tell that order without a rebuild.
#include <cstddef>
#include <utility>
#include <vector>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "model/assignment_options.h"
#include "model/dataset.h"
#include "model/genotypes.h"

namespace kiwora {

class LeaveOutReference;
struct LeftOutReader;

// The keys of a genotype or haplotype list with the individuals that carry each, by position in the data
// set (populations, then individuals, in order). A list numbers its keys by their first carrier.
struct KeyCarriers {
  std::vector<std::size_t> start;  // [k], k 1..size()+1: key k's carriers are at[start[k] .. start[k+1])
  std::vector<int> at;             // positions, ascending within a key

  int size() const { return start.size() < 2 ? 0 : static_cast<int>(start.size()) - 2; }
  int first(int k) const { return at[start[static_cast<std::size_t>(k)]]; }
};

// What one thread keeps between tests: sized once for the run, reused by every test it scores. Aligned
// to a cache line, so that the workspaces of two threads never share one.
struct alignas(64) LeaveOutWorkspace {
  GenotypeData group;   // the tested members as group 1
  // The group's profile; its haplotypes as the tables rebuilt without the members list them (keys by
  // their number in the shared tables, in the rebuilt order).
  GroupProfile profile;
  ProfileScratch scratch;
  std::vector<int> copies;      // (locus): typed copies of the tested population without the members
  std::vector<int> k;           // (locus): codes present, the tested members' own codes included
  std::vector<char> kChanged;   // (locus): k differs from the reference tables'
  std::vector<int> count;       // tested population's copies per present code without the members
  std::vector<double> share;    // its copies over their number, laid out like `count`
  std::vector<double> shareSum; // (locus): the sum of `share`, which divides it into frequencies
  // (locus, code) of the members' codes that no candidate carries, ascending once the counts are left.
  std::vector<std::pair<int, int>> novel;
  std::vector<int> members;     // the tested members (individuals of `pop`)
  int pop = 0;                  // the tested population
  std::vector<int> memberAt;    // the members' positions in the data set, ascending
  // Complete haplotypes that leave the tested population: how many, and (key, members) per key.
  int matLeft = 0, patLeft = 0;
  std::vector<std::pair<int, int>> matLeaving, patLeaving;
  // Scratch of the rebuilt orders.
  std::vector<int> order, gone, memberKeys;
  std::vector<std::pair<int, int>> moved;   // (first carrier left, key or its place in a list)
  std::vector<char> mark;                   // (key): moved or gone
  std::vector<double> keyShare;             // (key): the group's share of the genotype or haplotype
  std::vector<int> genoLeaving;             // (key): members with the genotype at the locus
  std::vector<double> scores, lanes;        // one per candidate

  bool prepared = false;

  void prepare(const LeaveOutReference& base, int groupSize);
};

class LeaveOutReference {
 public:
  // Builds the tables from every reference individual (populations and loci as selected) for the method
  // of `opt` and groups of `groupSize` members.
  LeaveOutReference(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt, int groupSize);

  const ReferenceTables& tables() const { return ref_; }

  // The population the members (individuals of population p) are assigned to, scored against the
  // tables without them; 0 when none. The scores against every candidate are left in ws.scores.
  int assign(int p, const std::vector<int>& members, LeaveOutWorkspace& ws) const;

 private:
  friend struct LeaveOutWorkspace;
  friend struct LeftOutReader;
  // Position of code a among the present codes of locus l, -1 when absent.
  int presentIndex(int l, int a) const { return presentCodes_.slot(l, a) - 1; }
  // Row of a present code in the candidate-major tables, and a row's values for the candidates.
  std::size_t codeRow(int l, int a) const {
    return codeStart_[static_cast<std::size_t>(l)] + static_cast<std::size_t>(presentIndex(l, a));
  }
  const double* lanes(const std::vector<double>& table, std::size_t row) const { return table.data() + row * nc_; }

  void leaveCounts(int p, bool own, LeaveOutWorkspace& ws) const;
  void rebuiltHaplotypes(const KeyCarriers& list, const HaplotypeTable& table,
                         const std::vector<std::pair<int, int>>& leaving, GroupProfile::Haplotypes& h,
                         LeaveOutWorkspace& ws) const;
  void rebuiltOrder(const KeyCarriers& list, LeaveOutWorkspace& ws) const;
  void bayesScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const;
  void freqScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const;
  void distanceScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const;
  void genotypeLanes(const GroupProfile::Locus& L, int ownLane, LeaveOutWorkspace& ws) const;
  void maternalLanes(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const;

  const DataSet& ds_;
  AssignmentOptions opt_;
  ReferenceTables ref_;
  int nLoci_ = 0, maxAllele_ = 0;
  std::size_t nc_ = 0;                        // candidates
  LocusCodes presentCodes_;                   // the codes present at each bi-parental locus
  std::vector<std::size_t> codeStart_;        // (locus): first slot of the locus in a population's counts
  std::size_t codesPerPop_ = 0;
  std::vector<int> count_;                    // (candidate population, locus, present code): copies
  std::vector<int> popStart_;                 // (population): position of its first individual
  std::vector<double> logDenomOf_;            // (copies): log10((n + 1)(n + 2))
  Table2<int> matCount_, patCount_;           // (population, haplotype): complete members with the key
  KeyCarriers matCarriers_, patCarriers_;
  // The distance on genotypes: per locus its list's carriers, the first row of its keys, and the copies
  // per population and key.
  std::vector<KeyCarriers> genoCarriers_;
  std::vector<std::size_t> genoRow_;          // (locus): row of key 1
  std::size_t genoRows_ = 0;
  std::vector<int> genoCount_;                // (population, row)
  // Candidate-major copies of what the scores read, one row per (locus, present code), genotype key or
  // haplotype: a test reads every candidate's value of a cell from one short row instead of one cache
  // line per candidate.
  std::vector<double> priorT_, prior1T_, denomT_, logFreqT_, freqT_, genoT_, hapT_;
};

}  // namespace kiwora
