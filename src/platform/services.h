#pragma once
// What the windows need of the platform beyond their widgets: dialogs, messages, the event loop,
// the editor, the date, the locale's decimal sign and the seeds of the runs.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/run_context.h"

namespace kiwora {

// A fault of whatever drives the program (a script that left a dialog unanswered), not of the run it
// started: runGuarded passes it on untouched, so the driver can name its own line.
struct DriverFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Services {
 public:
  virtual ~Services() = default;

  // The open-file dialog. Empty when cancelled.
  virtual std::string openFileDialog(const std::string& title) = 0;
  // The dialog that chooses a file to be written, opened at `proposed` (the path of an attempt that could
  // not be written; empty: where the platform opens it); a desktop asks before an existing file is
  // replaced. Platforms without such a dialog use the open dialog.
  virtual std::string saveFileDialog(const std::string& title, const std::string& proposed) {
    (void)proposed;
    return openFileDialog(title);
  }
  // A message box with an OK button; returns when the user has pressed OK.
  virtual void messageBox(const std::string& text) = 0;
  // Lets the platform process pending events during a long loop (progress texts become visible).
  virtual void doEvents() = 0;
  // A run's progress step: pending events first (where the user may ask to stop), then RunStopped
  // when a stop was asked for.
  void progressStep() {
    doEvents();
    if (stopRequested()) throw RunStopped();
  }
  // Asks the run under way to end at its next progress step (the desktop's close box, after asking).
  void requestStop() { stopRequested_ = true; }
  // Asked by the user, or by a stop signal, which holds for every run after it: the program is ending.
  bool stopRequested() const { return stopRequested_ || stopSignalled(); }
  // A request left over from a run that ended before its next step must not stop the next run.
  void clearStopRequest() { stopRequested_ = false; }
  // Starts the user's text editor on `file`, or without a file when it is empty; the outcome is not
  // looked at.
  virtual void startEditor(const std::string& file) = 0;
  // Today's date in the short date format of the platform.
  virtual std::string today() = 0;
  // The decimal sign of the user's locale.
  virtual char decimalSign() = 0;

  // A seed for one run, or for one random draw of a window: from the clock, or from the fixed seed that a
  // script or test set. Every draw takes a generator of its own seeded from here; there is no shared one.
  virtual std::uint64_t clockSeed() = 0;

 private:
  bool stopRequested_ = false;
};

// The context of a run started by a window or a script: seeds from clockSeed(), messages in a message box,
// the date and decimal sign of the platform, and each progress text handed to `show` followed by a chance
// for the platform to process pending events.
inline RunContext runContextOf(Services& s, ProgressFn show = {}) {
  RunContext c;
  c.seedSource = [&s] { return s.clockSeed(); };
  c.messageSink = [&s](const std::string& text) { s.messageBox(text); };
  c.dateSource = [&s] { return s.today(); };
  c.progressSink = [&s, show = std::move(show)](const std::string& text) {
    if (show) show(text);
    s.doEvents();
  };
  c.stopRequest = [&s] { return s.stopRequested(); };
  c.decimalSign = s.decimalSign();
  return c;
}

}  // namespace kiwora
