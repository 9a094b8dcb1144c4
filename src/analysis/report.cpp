#include "analysis/report.h"

#include "analysis/quality_check.h"
#include "analysis/report_frame.h"
#include "analysis/two_locus_section.h"

namespace kiwora {

bool reportPrintsSelectionHeader(const WorkflowFlags& f) {
  return !(f.AnalysisDone == 1 && (f.LocSelChanged == 0 || f.PopSelChanged == 0));
}

void printPopulationReport(LineWriter& out, const Model& m, const AnalysisOptions& used, bool selectionHeader,
                           const ReportProgress& progress) {
  if (selectionHeader) printSelectionHeader(out, m);
  printQualityCheck(out, m, used);
  printTwoLocusAnalysis(out, m, used, progress);
}

}  // namespace kiwora
