#include "base/stop_signal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace kiwora {
namespace {

// Read by every thread (a section may be written from a worker) and written by the handler: a lock-free
// atomic is safe in both places.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);
int wakePipe[2] = {-1, -1};

// What became of the run under way when a stop signal came, as the run's guard saw it end.
enum class StoppedRun { None, CutBack, Completed };
std::atomic<StoppedRun> stoppedRun{StoppedRun::None};
// The files the run under way has put in place (noteFileKeptByRun): written and read by the thread that
// runs the windows, never by the handler.
std::mutex keptMutex;
std::vector<std::string> keptFiles;

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void noteStopSignal(int signal) {
  const int savedErrno = errno;
  int none = 0;
  received.compare_exchange_strong(none, signal);
  if (wakePipe[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);  // a full pipe already wakes the loop
  }
  errno = savedErrno;
}

// Caught rather than ignored, so that a program started from here (an editor) gets it at its default.
extern "C" void passOverFileSizeSignal(int) {}

}  // namespace

void installStopSignals() {
  if (wakePipe[0] < 0 && ::pipe(wakePipe) == 0) {
    for (const int fd : wakePipe) {
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
  }
  struct sigaction action {};
  action.sa_handler = noteStopSignal;
  sigemptyset(&action.sa_mask);
  for (const int s : kStopSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = 0;  // no SA_RESTART: a blocked read of the terminal returns
  for (const int s : kStopSignals) {
    struct sigaction before {};
    if (::sigaction(s, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &action, nullptr);
  }
  catchFileSizeSignal();
}

void catchFileSizeSignal() {
  // A file-size limit (ulimit -f) would end the program at the first write past it, cutting a file
  // mid-line; with the signal caught the write fails with EFBIG and is handled as a full disk.
  struct sigaction action {};
  action.sa_handler = passOverFileSizeSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGXFSZ, &action, nullptr);
}

int stopSignal() noexcept { return received.load(std::memory_order_relaxed); }

void clearStopSignal() noexcept {
  received.store(0);
  stoppedRun.store(StoppedRun::None);
  if (wakePipe[0] >= 0) {
    char bytes[64];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
  }
}

int stopSignalPipe() noexcept { return wakePipe[0]; }

void noteRunStarting() {
  const std::lock_guard<std::mutex> lock(keptMutex);
  keptFiles.clear();
}

void noteFileKeptByRun(const std::string& path) {
  const std::lock_guard<std::mutex> lock(keptMutex);
  keptFiles.push_back(path);
}

void noteRunUnderStop(bool completed) noexcept {
  stoppedRun.store(completed ? StoppedRun::Completed : StoppedRun::CutBack);
}

std::string stopSignalMessage(int signal) {
  const char* name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : signal == SIGHUP ? "SIGHUP" : nullptr;
  const std::string which = name ? name : "signal " + std::to_string(signal);
  switch (stoppedRun.load()) {
    case StoppedRun::Completed:
      return "kiwora: ended by " + which +
             "; the run under way had completed before the signal took effect: what it wrote to the result file or "
             "the exports was kept.";
    case StoppedRun::CutBack: {
      std::string kept;
      {
        const std::lock_guard<std::mutex> lock(keptMutex);
        for (const std::string& path : keptFiles) kept += (kept.empty() ? "" : " and ") + path;
      }
      const std::string stopped =
          "kiwora: ended by " + which +
          "; the run under way was stopped: nothing of it was kept in the result file or the exports";
      if (kept.empty()) return stopped + ".";
      return stopped + " but " + kept + ", which it had completed before the signal took effect.";
    }
    case StoppedRun::None:
      break;
  }
  return "kiwora: ended by " + which + "; no run was under way: the files hold what the runs before wrote.";
}

}  // namespace kiwora
