#pragma once
// The result text of the test between two populations: the report of one pair and the SUMMARY of all
// pairs with their probability matrices and ";" tables.
#include <vector>

#include "files/text_writer.h"
#include "model/dataset.h"
#include "permutation/two_pop_permutation.h"

namespace kiwora {

// What the report says about the run besides its results.
struct TwoPopReportInfo {
  const DataSet* ds = nullptr;
  const Selection* sel = nullptr;  // the selection the run used
  int nPerm = 0;
  ResamplingUnit unit = ResamplingUnit::Alleles;
  bool smallestSize = false;
  TwoPopStatistics stats;
};

// The results of the SUMMARY by pair: a table over the populations the pairs name (not every population
// of the data set), holding the place of each pair's result; a pair tested twice reads its last result.
class SummaryIndex {
 public:
  explicit SummaryIndex(const std::vector<PairResult>& results);
  const PairResult* find(int pop1, int pop2) const;
  // What the index of these pairs takes.
  static double bytesFor(const std::vector<std::pair<int, int>>& pairs);

 private:
  const std::vector<PairResult>& results_;
  std::vector<int> place_;  // population -> its place among those named, -1 for the others
  std::size_t named_ = 0;
  std::vector<int> at_;     // (place of pop1, place of pop2) -> index into results_, -1 untested
};

void printPairReport(LineWriter& w, const TwoPopReportInfo& info, const PairResult& r);
void printTwoPopSummary(LineWriter& w, const TwoPopReportInfo& info, const std::vector<PairResult>& results);

}  // namespace kiwora
