#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/analysis_options.h"
#include "model/assignment_options.h"
#include "model/assignment_results.h"
#include "model/dataset.h"
#include "model/imported_table.h"
#include "stats/allele_stats.h"
#include "model/locus_selection.h"
#include "model/test_groups.h"
#include "permutation/permutation_options.h"
#include "spatial/kinship.h"
#include "spatial/spatial_structure.h"
#include "stats/differentiation_stats.h"
#include "stats/distance_tables.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;
  AnalysisOptions options;
  PermutationOptions perm;  // the test windows' choices, kept like the analysis options
  LocusSelectionSettings locusSelection;  // kept for the whole run, also across data loads
  TestGroups test;  // survives every data load: a reference read keeps the groups, an input read leaves them
  // The last comma-separated table imported; it outlives every data load.
  ImportedTable imported;
  AssignmentOptions assignOptions;  // the assignment window's options, kept for the whole run
  AssignmentFileState assignFile;   // the assignment result file, named once

  // Result tables of the statistics, rebuilt by every run.
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  GenotypeTable genotypeTable;
  DistanceTables dist;
  DifferentiationStats diff;
  SpatialResults spatial;
  KinshipResults kinship;
  AssignmentResults assign;

  // Empties every result table; the data set, the selection, the flags, the test groups, every option
  // group (analysis, permutation, locus selection, assignment), the assignment result file and the import
  // stay.
  void clearResults();
};

}  // namespace kiwora
