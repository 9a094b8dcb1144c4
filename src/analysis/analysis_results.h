#pragma once
// Everything one population-analysis run computes: its report reads these tables, and the frequency
// exports read the allele frequencies of the last run.
#include "model/model.h"
#include "spatial/kinship.h"
#include "spatial/spatial_structure.h"
#include "stats/allele_stats.h"
#include "stats/differentiation_stats.h"
#include "stats/distance_tables.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {

struct AnalysisResults {
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  GenotypeTable genotypeTable;
  DistanceTables dist;
  DifferentiationStats diff;
  SpatialResults spatial;
  KinshipResults kinship;
};

// What the report of one analysis reads: the data, selection and options it ran on, and its results.
// The sections name them as they name the data (m.ds, m.sel, m.alleles, ...).
struct AnalysisView {
  AnalysisView(const Model& model, const AnalysisResults& r)
      : ds(model.ds), sel(model.sel), flags(model.flags), options(model.options), alleles(r.alleles),
        variation(r.variation), mlg(r.mlg), genotypeTable(r.genotypeTable), dist(r.dist), diff(r.diff),
        spatial(r.spatial), kinship(r.kinship) {}
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
};

}  // namespace kiwora
