#pragma once
// The three permutation tests as runs. A run takes what it reads when it starts: the data set (genotypes,
// names, result file), the selection it works under (a copy its starter keeps unchanged until the run
// ends, such as the BusyGuard's), copies of the options, and a RunContext for its seed, progress, stop
// request and decimal sign. run() computes its record; appendReport() writes the report from that record
// to the result file as one whole section. A window only checks the options beforehand (with the same
// functions the run uses to read them) and shows what the run reports.
#include <string>
#include <utility>
#include <vector>

#include "base/run_context.h"
#include "files/text_writer.h"
#include "model/analysis_options.h"
#include "model/dataset.h"
#include "model/permutation_options.h"
#include "permutation/among_permutation.h"
#include "permutation/two_pop_permutation.h"
#include "permutation/within_permutation.h"

namespace kiwora {

// What the three runs share: their snapshot and the report's one writer.
class PermutationRun {
 public:
  PermutationRun(const DataSet& ds, const Selection& sel, const PermutationOptions& opt, const RunContext& context)
      : ds(ds), sel(sel), opt(opt), context(context) {}
  virtual ~PermutationRun() = default;
  PermutationRun(const PermutationRun&) = delete;
  PermutationRun& operator=(const PermutationRun&) = delete;

  // The report of the record run() left.
  virtual void printReport(LineWriter& out) const = 0;
  // Appends the report to `path` whole or not at all, only while it is still the file `began` noted when
  // the run started; refused, with what to tell the user, when it cannot be written completely or the
  // file changed.
  Refusal appendReport(const std::string& path, const ResultFileMark& began) const;

  const DataSet& ds;
  const Selection& sel;
  const PermutationOptions opt;  // as they stood when the run started
  const RunContext& context;
};

// 100 x perm / nPerm, whole, as the progress of the tests within and among populations shows it.
std::string permutationPercent(int perm, int nPerm);

// "Test between two populations" on the statistics ticked in the analysis window.
class TwoPopulationTestRun : public PermutationRun {
 public:
  TwoPopulationTestRun(const DataSet& ds, const Selection& sel, const PermutationOptions& opt,
                       const AnalysisOptions& analysis, const RunContext& context);

  // Every pair of usable populations when all are tested; otherwise the chosen pair in the order chosen
  // (the v differences read pop 1 - pop 2) when both are usable and differ. Empty: nothing to test.
  static std::vector<std::pair<int, int>> testedPairs(const DataSet& ds, const Selection& sel, const PermutationOptions& opt);
  static TwoPopStatistics statisticsOf(const AnalysisOptions& a);
  // True when the report would hold no statistic: the SUMMARY of all pairs reports the distances only,
  // the report of one pair the diversity v as well.
  static bool testsNothing(const PermutationOptions& opt, const TwoPopStatistics& stats);

  // Tests the pairs; each progress text is the share of the current pair's permutations done ("35 %").
  const std::vector<PairResult>& run();
  // The pair whose permutations the last progress step reported.
  std::pair<int, int> pairUnderTest() const { return underTest_; }
  // The report of the one pair, or the SUMMARY of all pairs.
  void printReport(LineWriter& out) const override;

  const std::vector<std::pair<int, int>> pairs;
  const TwoPopStatistics stats;
  std::vector<PairResult> results;

 private:
  std::pair<int, int> underTest_{0, 0};
};

// "Test within populations" on the statistics ticked in the analysis window.
class WithinTestRun : public PermutationRun {
 public:
  WithinTestRun(const DataSet& ds, const Selection& sel, const PermutationOptions& opt, const AnalysisOptions& analysis,
                const RunContext& context);

  // Every selected population when all are tested; otherwise the chosen one when the data have it.
  static std::vector<int> testedPopulations(const DataSet& ds, const Selection& sel, const PermutationOptions& opt);
  static WithinTestChoice choiceOf(const AnalysisOptions& a);

  // Tests the populations one after the other; progress texts read "Pop 3 35%".
  const std::vector<WithinTestResult>& run();
  // The population the run came to last (0 before it began).
  int populationReached() const { return reached_; }
  // One block per population, in the order tested.
  void printReport(LineWriter& out) const override;

  const std::vector<int> populations;
  const WithinTestChoice choice;
  std::vector<WithinTestResult> results;

 private:
  int reached_ = 0;
};

// "Test among all populations" over the selected populations.
class AmongTestRun : public PermutationRun {
 public:
  AmongTestRun(const DataSet& ds, const Selection& sel, const PermutationOptions& opt, const AnalysisOptions& analysis,
               const RunContext& context);

  // Permutes the individuals of the selected populations; progress texts read "35 %".
  const AmongTestResult& run();
  void printReport(LineWriter& out) const override;

  const bool dominant;
  AmongTestResult result;
};

}  // namespace kiwora
