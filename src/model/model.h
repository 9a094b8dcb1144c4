#pragma once
// The one data model of a running program: the data set, the selection, the workflow flags and the
// options every window keeps. Results are not kept here: each run returns its own.
#include <vector>

#include "base/file_mark.h"
#include "model/analysis_options.h"
#include "model/assignment_options.h"
#include "model/dataset.h"
#include "model/imported_table.h"
#include "model/locus_selection.h"
#include "model/permutation_options.h"
#include "model/test_groups.h"

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
  PendingResultHeader resultHeader;  // the loaded data's result file still lacks its header block
  // The loaded data's result file just after this program wrote its header block there: runs append only
  // under that header block, not under the one another copy wrote when it opened the data file afresh.
  ResultFileMark resultFileHeader;
  // Every result file this program started for a data file it loaded, as its header block left it: an
  // assignment's first run adds to such a file instead of starting it afresh.
  std::vector<ResultFileMark> startedResultFiles;
};

}  // namespace kiwora
