#pragma once
// The one data model of a running program: every window and run reads and writes it.
#include "model/dataset.h"

namespace kiwora {

struct Model {
  DataSet ds;
  Selection sel;
  WorkflowFlags flags;
};

}  // namespace kiwora
