#pragma once
// The two-locus table of the report: every pair of loci that passes the three locus filters, one row each.
#include "analysis/report_progress.h"
#include "files/text_writer.h"
#include "analysis/analysis_results.h"

namespace kiwora {

// The section "#####   Two-Loci-Analysis   #####" when used.FlagTwoLocus is 1. It filters on the
// quality-check figures, computed here whether or not that section is printed. The model is only read:
// the selection, LocAvail and the analysis's multilocus tables stay as they are. `progress` receives the
// share of first loci begun ("10.0", "20.0", ...) once per first locus.
void printTwoLocusAnalysis(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used,
                           const ReportProgress& progress = {});

}  // namespace kiwora
