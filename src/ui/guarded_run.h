#pragma once
// One way for a window to run a computation. A reader, a check, a writer or a run that fails returns a
// Refusal (base/refusal.h), which the window shows; only what cannot come back that way is thrown, and
// caught here at the top: a table the memory cannot hold, a stop (RunStopped), and, as a last guard, any
// other exception. The user gets a message (none after a stop), the window's own running guard is cleared
// (its BusyGuard clears Busy as it ends), and false comes back, so the caller sets no success flag and the
// window stays usable. A fault of what drives the program (DriverFault) is passed on. The data set and the
// selection are never touched by the catch; a run that builds new data beside the old and swaps them in at
// its end therefore leaves the old data in place.
// Before a run allocates large tables, refusedForMemory() checks them against the documented limit.
#include <functional>
#include <string>
#include <vector>

#include "base/run_context.h"
#include "model/run_memory.h"
#include "ui/app.h"

namespace kiwora {

inline constexpr const char* kRunStoppedMessage = "The run was stopped: ";
// What a progress box shows once its run has ended before completing.
inline constexpr const char* kRunStoppedProgress = "The run was stopped";
// Room for it in a progress box, in characters, so that the box does not widen when it comes.
inline constexpr int kRunStoppedProgressWidth = static_cast<int>(std::char_traits<char>::length(kRunStoppedProgress));

// A window's progress box during a run. A run that ends before completing leaves its last progress there,
// which would read as a run still under way: showStopped() then says the run was stopped, in a box the
// run wrote to (one it never reached keeps what it showed).
class RunProgressBox {
 public:
  explicit RunProgressBox(TextBox& box) : box_(box) {}
  ProgressFn sink() {
    return [this](const std::string& text) {
      shown_ = true;
      box_.setText(text);
    };
  }
  void showStopped() {
    if (shown_) box_.setText(kRunStoppedProgress);
  }

 private:
  TextBox& box_;
  bool shown_ = false;
};

// True when the run completed; false after a caught failure (its message already shown) or after the
// user stopped it (RunStopped from a progress step: no message). What the run had written is undone by
// the run itself as it unwinds.
bool runGuarded(App& app, const std::function<void()>& body, bool* guard = nullptr);

// True, after showing the refusal, when the tables `needs` describes exceed kRunMemoryLimit.
bool refusedForMemory(App& app, const std::vector<TableNeed>& needs);

}  // namespace kiwora
