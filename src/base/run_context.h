#pragma once
// What a run needs of the world around it, handed in by whoever starts it: the seed, where progress and
// messages go, whether the user asked it to stop, and the decimal sign and date its report prints. A run
// never reaches the platform itself, so the same run serves a window, a script, a test and a benchmark.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "base/stop_signal.h"

namespace kiwora {

// A progress text ("35 %", "Population 3"); whoever shows it also lets pending events through.
using ProgressFn = std::function<void(const std::string&)>;

// Thrown by a progress step when the user asked the run to stop; it unwinds through the worker pool to
// the window that started the run.
struct RunStopped : std::exception {
  const char* what() const noexcept override { return "the run was stopped"; }
};

struct RunContext {
  // A fresh seed for the run (from the clock, or derived from a script's fixed seed). Asked only by a run
  // that draws random numbers, and once, so the seeds of later runs do not depend on runs that drew none.
  std::function<std::uint64_t()> seedSource;
  // Shows a progress text and lets pending events through; may be empty.
  ProgressFn progressSink;
  // Shows a message and returns when the user has read it; may be empty.
  std::function<void(const std::string&)> messageSink;
  // True once the user asked the run to stop; may be empty.
  std::function<bool()> stopRequest;
  // Today's date as the report prints it; asked only when a report prints it.
  std::function<std::string()> dateSource;
  char decimalSign = '.';

  std::uint64_t seed() const { return seedSource ? seedSource() : 0; }
  std::string date() const { return dateSource ? dateSource() : std::string(); }
  void message(const std::string& text) const {
    if (messageSink) messageSink(text);
  }
  // One progress step: shows the text, then stops the run when the user asked for it or a stop signal
  // came.
  void progress(const std::string& text) const {
    if (progressSink) progressSink(text);
    if ((stopRequest && stopRequest()) || stopSignalled()) throw RunStopped();
  }
  // The progress steps as a plain callback, for the statistics that take one.
  ProgressFn progressFn() const {
    return [this](const std::string& text) { progress(text); };
  }
};

}  // namespace kiwora
