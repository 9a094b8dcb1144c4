#pragma once
// The report section on genetic distance and kinship among the individuals of each population, with the
// simulated confidence intervals and the class shares when intervals were simulated.
#include "files/text_writer.h"
#include "analysis/analysis_results.h"

namespace kiwora {

// Prints the section from the record of the kinship run (m.kinship) when the kinship option was on in
// `used`; nothing otherwise.
void printKinshipSection(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used);

}  // namespace kiwora
