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
  PermUnit unit = PermUnit::Alleles;
  bool smallestSize = false;
  TwoPopStatistics stats;
};

void printPairReport(LineWriter& w, const TwoPopReportInfo& info, const PairResult& r);
void printTwoPopSummary(LineWriter& w, const TwoPopReportInfo& info, const std::vector<PairResult>& results);

}  // namespace kiwora
