#pragma once
// One run at a time, for every window. The guard takes the run when no other holds it (Busy is 0): it sets
// Busy, which the windows' option handlers read, and clears it when it ends, however the run ended. (The
// front ends grey the controls by Forms::busy(), which runGuarded holds for the length of any run.) A guard that restores the selection keeps a private copy of it for the
// run to work on and puts it back at the end, whatever a list click changed meanwhile.
#include "model/dataset.h"

namespace kiwora {

class BusyGuard {
 public:
  // What the selection is when the run ends: as the run left it, or as it was when the run began.
  enum class SelectionAtEnd { Kept, Restored };
  BusyGuard(WorkflowFlags& flags, Selection& sel, SelectionAtEnd mode = SelectionAtEnd::Kept);
  ~BusyGuard();
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  bool acquired() const { return acquired_; }
  // The selection as it was when the run began (only kept by a guard that restores it).
  const Selection& selection() const { return saved_; }

 private:
  WorkflowFlags& flags_;
  Selection& sel_;
  Selection saved_;
  bool restore_ = false;
  bool acquired_ = false;
};

}  // namespace kiwora
