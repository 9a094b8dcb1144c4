#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/dataset.h"
#include "model/test_groups.h"
#include "stats/differentiation_stats.h"
#include "stats/distance_tables.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;
  TestGroups test;  // survives every data load: a reference read keeps the groups, an input read leaves them

  // Result tables of the statistics, rebuilt by every run.
  DistanceTables dist;
  DifferentiationStats diff;

  // Empties every result table; the data set, the selection, the flags, the test groups and the options stay.
  void clearResults();
};

}  // namespace kiwora
