#pragma once
// One full population-analysis run on the current genotypes with the current options: every result
// table of the analysis is computed afresh, in a fixed order.
#include "model/model.h"
#include "platform/services.h"
#include "stats/genotype_view.h"

namespace kiwora {

// The data set's working genotypes with its selection, as the statistics take them.
GenotypeView dataView(Model& m);

// Counts the selected loci, recomputes every enabled statistic into the model's result tables. Touches
// no file; the services carry its messages and progress.
void Run_Population_Analysis(Model& m, Services& services);

}  // namespace kiwora
