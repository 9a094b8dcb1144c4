#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/dataset.h"
#include "stats/allele_stats.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  GenotypeTable genotypeTable;
};

}  // namespace kiwora
