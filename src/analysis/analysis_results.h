#pragma once
// Everything one population-analysis run computes: its report reads these tables, and the frequency
// exports read the allele frequencies of the last run.
#include "base/cell.h"
#include "base/table.h"
#include "model/model.h"
#include "kinship/kinship.h"
#include "spatial/spatial_structure.h"
#include "two_locus/two_locus.h"
#include "stats/allele_stats.h"
#include "stats/differentiation_stats.h"
#include "stats/distance_tables.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {

// The quality check of the selected loci, per locus 0..NLoci; only selected loci get values. Every value is
// held as its section shows it (rounded to its printed decimals), so the two-locus filters compare what the
// reader sees. The analysis's own DjLoc and FstLoc stay untouched numbers.
struct QualityCheckTables {
  Vec1<Cell> DataShare;  // mean percent of gene copies with data over the populations with data, 2 decimals
  Vec1<Cell> MeanV;      // mean diversity v over the same populations, 3 decimals
  Vec1<int> PolyCount;   // selected populations with v > 1
  Vec1<Cell> MeanFis;    // mean Fis over those of them with a Fis, 3 decimals; 0 when PolyCount is 0
  Vec1<Cell> Dj, Fst;    // DjLoc and FstLoc rounded to 3 decimals; undefined where their sections print
                         // dashes (one selected population; Fst also where fewer than two have data)
};

struct AnalysisResults {
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  GenotypeTable genotypeTable;
  DistanceTables dist;
  DifferentiationStats diff;
  SpatialResults spatial;
  KinshipResults kinship;
  QualityCheckTables quality;  // when the quality check or the two-locus table was asked for
  TwoLocusTable twoLocus;      // when the two-locus table was asked for
};

// What the report of one analysis reads: the data, selection and options it ran on, and its results.
// The sections name them as they name the data (m.ds, m.sel, m.alleles, ...).
struct AnalysisView {
  AnalysisView(const Model& model, const AnalysisResults& r)
      : ds(model.ds), sel(model.sel), flags(model.flags), options(model.options), alleles(r.alleles),
        variation(r.variation), mlg(r.mlg), genotypeTable(r.genotypeTable), dist(r.dist), diff(r.diff),
        spatial(r.spatial), kinship(r.kinship), quality(r.quality), twoLocus(r.twoLocus) {}
  const DataSet& ds;
  const Selection& sel;
  const WorkflowFlags& flags;
  const AnalysisOptions& options;
  const AlleleStats& alleles;
  const VariationStats& variation;
  const MultilocusGenotypes& mlg;
  const GenotypeTable& genotypeTable;
  const DistanceTables& dist;
  const DifferentiationStats& diff;
  const SpatialResults& spatial;
  const KinshipResults& kinship;
  const QualityCheckTables& quality;
  const TwoLocusTable& twoLocus;
};

}  // namespace kiwora
