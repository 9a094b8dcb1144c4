#pragma once
// The quality check of the selected loci: per locus the share of gene copies with data, the mean Fis, the
// mean diversity v, Dj, Fst and the correlation of the genetic with the spatial distances.
#include "files/text_writer.h"
#include "analysis/analysis_results.h"

namespace kiwora {

// Computes the tables from the results of the analysis run in `m` (everything but m.quality). A locus
// without data in any selected population has share 0 and no v and no Fis. The analysis run computes them
// once; the section and the two-locus filters read that record.
QualityCheckTables Calc_Quality_Check(const AnalysisView& m);

// The section "#####  RESULTS QUALITY CHECK LOCI #####" from m.quality when used.FlagCheckLoci is 1.
void printQualityCheck(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used);

}  // namespace kiwora
