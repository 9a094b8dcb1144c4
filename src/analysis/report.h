#pragma once
// The report of a population-analysis run, appended to the result file.
#include <string>

#include "files/text_writer.h"
#include "analysis/analysis_results.h"
#include "base/run_context.h"

namespace kiwora {

// Whether the list of selected populations heads this run's report.
bool reportPrintsSelectionHeader(const WorkflowFlags& f);

// Prints the header block (when asked) and every section whose option was on in `used`, in their fixed order,
// from the run's record: nothing is computed here, so a report of `used` needs a run with the same options.
void printPopulationReport(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used, bool selectionHeader,
                           const ProgressFn& progress = {});

}  // namespace kiwora
