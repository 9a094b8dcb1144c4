#pragma once
// The tables of the exclusion probabilities in the assignment result file: by LOD1 the exclusion table,
// the assignment table with the smallest exclusion probability below 0.95 and the summary; by delta the
// delta table and the summary.
#include "assign/assignment_report.h"
#include "assign/assignment_results.h"
#include "files/text_writer.h"

namespace kiwora {

// E(g, p): the exclusion probabilities of the LOD1 branch, undefined where nothing was simulated.
void writeExclusionLod1Tables(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt,
                              const AssignmentResults& r, const Table2<Cell>& E);
void writeExclusionDeltaTable(LineWriter& out, const AssignmentData& m, const AssignmentResults& r);

}  // namespace kiwora
