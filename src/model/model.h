#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/dataset.h"
#include "model/imported_table.h"
#include "stats/differentiation_stats.h"
#include "stats/distance_tables.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;
  // The last comma-separated table imported; it outlives every data load.
  ImportedTable imported;

  // Result tables of the statistics, rebuilt by every run.
  DistanceTables dist;
  DifferentiationStats diff;

  // Empties every result table; the data set, the selection, the flags, the options and the import stay.
  void clearResults();
};

}  // namespace kiwora
