#pragma once
// The tallies of a self-assignment and its report "Results of Self-Assignment".
#include <string>

#include "files/text_writer.h"
#include "base/cell.h"
#include "model/dataset.h"
#include "base/table.h"

namespace kiwora {

// What the tests of a run found: per population the tests that ran and how many of them were assigned
// to each population (SelfCorrect and SelfAssFreq before they become percentages).
struct SelfAssignCounts {
  Vec1<long long> tests;       // 0..NPop
  Vec1<long long> correct;     // 0..NPop: tests of p assigned to p
  Table2<long long> assigned;  // (p, q): tests of p assigned to q

  explicit SelfAssignCounts(int nPop = 0);
  // One test of population p assigned to q (0: assigned nowhere).
  void count(int p, int q);
  long long totalTests() const;
};

// The percentages: undefined where a population has no test (or, in the details, no assigned test).
// Total pools every test that ran; Mean is the unweighted mean over the populations that have tests.
struct SelfAssignPercent {
  Vec1<Cell> correct;
  Cell total, mean;
  Table2<Cell> assigned;
};
SelfAssignPercent selfPercentages(const SelfAssignCounts& c);

struct SelfAssignReportHead {
  int groupSize = 1;
  int minBipLoci = 1;
  std::string method;      // "Bayesian Approach", ...
  bool listLoci = false;   // LociChanged: the selected loci and the weights are listed again
  double weightBip = 0.5, weightMat = 0.5;
};

// Appends the report: the run's settings, the per-population table with Total and Mean, and the details
// on assignment frequencies. Undefined percentages print "-".
void printSelfAssignReport(LineWriter& out, const DataSet& ds, const Selection& sel, const SelfAssignReportHead& head,
                           const SelfAssignCounts& counts);

// The two weight lines of the genetic distance.
void printWeights(LineWriter& out, double weightBip, double weightMat);

// The selected loci, one line each with its mode of inheritance at column 15.
void printSelectedLociModes(LineWriter& out, const DataSet& ds, const Selection& sel);

}  // namespace kiwora
