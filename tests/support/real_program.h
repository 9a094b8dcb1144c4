#pragma once
// The real program (KIWORA_BINARY) in a child process, as a shell starts it, for tests that send it
// signals or run two copies of it on one file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/app_fixture.h"

namespace kiwora::testing {

inline constexpr int kProgramStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The real program, started as a shell starts a job in the foreground: the stop signals at their
// defaults, standard output and error into files of `dir` (`NAMEstdout`, `NAMEstderr`), standard input
// from `input` (a pipe the test writes).
class RealProgram {
 public:
  RealProgram(const std::vector<std::string>& args, const TempDir& dir, int input, bool desktop = false,
          const std::string& name = "")
      : out_(dir.file(name + "stdout")), err_(dir.file(name + "stderr")) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    for (const int s : kProgramStopSignals) std::signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(input, 0);
    ::dup2(::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    if (desktop) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else ::unsetenv("QT_QPA_PLATFORM");
    std::vector<char*> argv{const_cast<char*>(KIWORA_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KIWORA_BINARY, argv.data());
    ::_exit(127);
  }
  ~RealProgram() {
    if (!ended_ && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  RealProgram(const RealProgram&) = delete;
  RealProgram& operator=(const RealProgram&) = delete;

  // Waits, while the program runs, until `ready` holds; false when the program ended first.
  template <class F>
  bool runsUntil(F ready) {
    while (!ready()) {
      if (ended()) return false;
      ::usleep(200);
    }
    return !ended();
  }
  bool ended() {
    if (!ended_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return ended_;
  }
  // The program has put its stop handlers in place (it would die of the signal before).
  bool catchesStopSignals() {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("SigCgt:", 0) == 0) {
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        for (const int s : kProgramStopSignals)
          if (!(caught >> (s - 1) & 1)) return false;
        return true;
      }
    return false;
  }
  // Asleep (waiting for something), not running.
  bool sleeping() {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    ::usleep(1000);
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S';
  }
  void send(int signal) { ASSERT_EQ(::kill(pid_, signal), 0); }
  // The wait status once the program has ended.
  int wait() {
    if (!ended_) ::waitpid(pid_, &status_, 0);
    ended_ = true;
    return status_;
  }
  std::string out() const { return readFile(out_); }
  std::string err() const { return readFile(err_); }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

}  // namespace kiwora::testing
