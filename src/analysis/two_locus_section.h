#pragma once
// The two-locus table of an analysis run: every pair of loci that passes the three locus filters, one row
// each, computed by the run and printed from its record.
#include <vector>

#include "analysis/analysis_results.h"
#include "base/run_context.h"
#include "files/text_writer.h"

namespace kiwora {

// The selected loci whose quality-check figures (m.quality, as the section shows them) pass the filters:
// mean v above 1, Dj above used.TwoLocMinDj, share with data at least used.TwoLocMinData. Ascending.
std::vector<int> twoLocusLoci(const AnalysisView& m, const AnalysisOptions& used);

// The run step: the rows of every pair of twoLocusLoci, with a progress step per first locus (see
// Two_Locus_Table). Only reads the data set, its selection and the results in `m`.
TwoLocusTable Run_Two_Locus_Table(const AnalysisView& m, const AnalysisOptions& used, const RunContext& run);

// The section "#####   Two-Loci-Analysis   #####" from m.twoLocus, with the Fis columns of m.quality, when
// used.FlagTwoLocus is 1.
void printTwoLocusAnalysis(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used);

}  // namespace kiwora
