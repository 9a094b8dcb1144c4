#include "support/played_process.h"

#ifdef KIWORA_BINARY
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

namespace kiwora::testing {
namespace {

std::string wholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

PlayedProcess playInChild(const std::string& script, std::size_t addressSpace, std::size_t fileSize) {
  const std::string outPath = script + ".stdout", errPath = script + ".stderr";
  PlayedProcess r;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    if (addressSpace > 0 && kAddressSpaceLimitApplies) {
      const rlimit limit{addressSpace, addressSpace};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(126);
    }
    if (fileSize > 0) {
      std::signal(SIGXFSZ, SIG_DFL);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = fileSize;
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    ::execl(KIWORA_BINARY, KIWORA_BINARY, "--play", script.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return r;
  r.exited = WIFEXITED(status);
  r.exitCode = r.exited ? WEXITSTATUS(status) : -1;
  r.peakKilobytes = usage.ru_maxrss;
  r.out = wholeFile(outPath);
  r.err = wholeFile(errPath);
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  return r;
}

}  // namespace kiwora::testing
#endif
