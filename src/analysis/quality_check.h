#pragma once
// The quality check of the selected loci: per locus the share of gene copies with data, the mean Fis, the
// mean diversity v, Dj, Fst and the correlation of the genetic with the spatial distances.
#include "files/text_writer.h"
#include "base/cell.h"
#include "analysis/analysis_results.h"
#include "base/table.h"

namespace kiwora {

// Per locus 0..NLoci; only selected loci get values. Every value is held as the section shows it (rounded
// to its printed decimals), so whoever filters on it compares what the reader sees. The analysis's own
// DjLoc and FstLoc stay untouched numbers.
struct QualityCheckTables {
  Vec1<Cell> DataShare;  // mean percent of gene copies with data over the populations with data, 2 decimals
  Vec1<Cell> MeanV;      // mean diversity v over the same populations, 3 decimals
  Vec1<int> PolyCount;   // selected populations with v > 1
  Vec1<Cell> MeanFis;    // mean Fis over those of them with a Fis, 3 decimals; 0 when PolyCount is 0
  Vec1<Cell> Dj, Fst;    // DjLoc and FstLoc rounded to 3 decimals; undefined where their sections print
                         // dashes (one selected population; Fst also where fewer than two have data)
};

// Computes the tables from the results of the analysis run in `m`. A locus without data in any selected
// population has share 0 and no v and no Fis.
QualityCheckTables Calc_Quality_Check(const AnalysisView& m);

// The section "#####  RESULTS QUALITY CHECK LOCI #####" when used.FlagCheckLoci is 1.
void printQualityCheck(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used);

}  // namespace kiwora
