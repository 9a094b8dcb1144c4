#pragma once
// Thrown at a run's progress step when the user has asked to stop the run. It unwinds through the run
// (and the worker pool, which rethrows on the calling thread) to the window's guarded run, which treats
// it as an ending the user chose: no message, nothing appended, no success flag.
#include <stdexcept>

namespace kiwora {

struct RunStopped : std::runtime_error {
  RunStopped() : std::runtime_error("the run was stopped by the user") {}
};

}  // namespace kiwora
