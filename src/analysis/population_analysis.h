#pragma once
// One full population-analysis run on the current genotypes with the current options: every result
// table of the analysis is computed afresh, in a fixed order.
#include <functional>
#include <string>

#include "analysis/analysis_results.h"
#include "base/run_context.h"
#include "model/model.h"
#include "model/run_memory.h"
#include "stats/genotype_view.h"

namespace kiwora {

// The data set's working genotypes with its selection, as the statistics take them.
GenotypeView dataView(Model& m);

// What the tables of a run with options `o` on the loaded data will take; the window refuses the run when
// memoryRefusal() finds them too large.
std::vector<TableNeed> analysisTableNeeds(const Model& m, const AnalysisOptions& o);

// Counts the selected loci, recomputes every enabled statistic into `r`, kinship with its intervals
// (Run_Kinship), the quality check and the two-locus table included: the report only prints `r`. The run
// context carries its messages (the spatial warning, a pairs file that cannot be written), the progress
// steps of the long loops, where a stop request ends the run, and the seed of the simulated intervals.
// `showPairs`, when set, shows the two-locus table's progress texts in place of the context's own sink (the
// window has a box of its own for them), and `showKinship` those of kinship and its intervals. Of the files
// it writes only the pairs file, when its name is set and kinship is on.
void Run_Population_Analysis(Model& m, AnalysisResults& r, const RunContext& run, const ProgressFn& showPairs = {},
                             const ProgressFn& showKinship = {});

}  // namespace kiwora
