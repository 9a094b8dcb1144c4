#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/dataset.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;

  // Empties every result table; the data set, the selection, the flags and the options stay.
  void clearResults();
};

}  // namespace kiwora
