#include "analysis/report.h"

#include "analysis/kinship_report.h"
#include "analysis/report_frame.h"

namespace kiwora {

bool reportPrintsSelectionHeader(const WorkflowFlags& f) {
  return !(f.AnalysisDone == 1 && (f.LocSelChanged == 0 || f.PopSelChanged == 0));
}

void printPopulationReport(LineWriter& out, const Model& m, const AnalysisOptions& used, bool selectionHeader) {
  if (selectionHeader) printSelectionHeader(out, m);
  printKinshipSection(out, m, used);
}

}  // namespace kiwora
