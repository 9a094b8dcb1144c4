#pragma once
// One full population-analysis run on the current genotypes with the current options: every result
// table of the analysis is computed afresh, in a fixed order.
#include <functional>
#include <string>

#include "model/model.h"
#include "model/run_memory.h"
#include "platform/services.h"
#include "stats/genotype_view.h"

namespace kiwora {

// The data set's working genotypes with its selection, as the statistics take them.
GenotypeView dataView(Model& m);

// What the tables of a run with options `o` on the loaded data will take; the window refuses the run when
// memoryRefusal() finds them too large.
std::vector<TableNeed> analysisTableNeeds(const Model& m, const AnalysisOptions& o);

// Counts the selected loci, recomputes every enabled statistic into the model's result tables. The
// services carry its messages (the spatial warning, a pairs file that cannot be written) and let pending
// events through during the long loops; `progress` receives their progress texts. Of the files it writes
// only the pairs file, when its name is set and kinship is on.
void Run_Population_Analysis(Model& m, Services& services,
                             const std::function<void(const std::string&)>& progress = {});

}  // namespace kiwora
