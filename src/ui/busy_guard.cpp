#include "ui/busy_guard.h"

namespace kiwora {

BusyGuard::BusyGuard(WorkflowFlags& flags, Selection& sel, SelectionAtEnd mode)
    : flags_(flags), sel_(sel), restore_(mode == SelectionAtEnd::Restored) {
  if (flags_.Busy == 1) return;
  acquired_ = true;
  flags_.Busy = 1;
  if (restore_) saved_ = sel_;
}

BusyGuard::~BusyGuard() {
  if (!acquired_) return;
  if (restore_) sel_ = saved_;
  flags_.Busy = 0;
}

}  // namespace kiwora
