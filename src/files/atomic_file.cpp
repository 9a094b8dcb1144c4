#include "files/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/run_context.h"
#include "files/result_lock.h"

namespace kiwora {

std::string writeErrorText(int err) {
  // Past `ulimit -f` the system says "File too large", which reads as a fault of the file itself.
  if (err == EFBIG) return "File too large: the file size limit was reached";
  return std::strerror(err);
}

std::string notRegularText(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is not a regular file but a pipe (FIFO)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is not a regular file but a device";
  if (S_ISSOCK(mode)) return "it is not a regular file but a socket";
  return "it is not a regular file";
}

Refusal replaceRefusal(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return {};
  if (!S_ISREG(st.st_mode)) return Refusal(S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
  // Opening it for writing, without emptying it, asks the system itself: the permission bits, a
  // read-only mount or an immutable file, and whatever the user may do beyond the bits (root may write).
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Refusal(std::strerror(errno));
  ::close(fd);
  return {};
}

mode_t newFileMode(const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool AtomicFile::open(const std::string& target) {
  abandon();
  failed_ = false;
  error_ = 0;
  target_ = target;
  problem_ = replaceRefusal(target);
  if (problem_) return false;
  std::string tmpl = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    problem_ = Refusal(std::strerror(errno));
    return false;
  }
  temp_ = tmpl;
  ::fchmod(fd, newFileMode(target));
  f_ = ::fdopen(fd, "wb");
  if (!f_) {
    problem_ = Refusal(std::strerror(errno));
    ::close(fd);
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  return true;
}

bool AtomicFile::write(std::string_view bytes) {
  if (!f_ || failed_) return false;
  if (stopSignalled()) throw RunStopped();  // the owner drops the temporary file as it unwinds
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) {
    failed_ = true;
    error_ = errno ? errno : EIO;
  }
  return !failed_;
}

bool AtomicFile::commit(ResultFileMark* written) {
  if (!f_) {
    problem_ = Refusal("the file was not open");
    return false;
  }
  // A file cut off by a stop signal never replaces the target.
  if (stopSignalled()) {
    abandon();
    throw RunStopped();
  }
  int err = failed_ ? error_ : 0;
  if (err == 0 && (std::fflush(f_) != 0 || ::fsync(::fileno(f_)) != 0)) err = errno ? errno : EIO;
  // The note of the new file is taken from the file written, under its lock, which is held until the
  // file stands at the target's name: what another writer finds there afterwards is never taken for it.
  int locked = -1;
  if (err == 0 && written) {
    locked = ::dup(::fileno(f_));
    if (locked < 0 || (::flock(locked, LOCK_EX) != 0 && errno != ENOLCK && errno != EOPNOTSUPP) ||
        !markOpenFile(locked, *written))
      err = errno ? errno : EIO;
  }
  if (std::fclose(f_) != 0 && err == 0) err = errno ? errno : EIO;
  f_ = nullptr;
  if (err == 0 && std::rename(temp_.c_str(), target_.c_str()) != 0) err = errno;
  if (locked >= 0) ::close(locked);  // releases the lock
  if (err != 0) {
    if (written) *written = {};
    problem_ = Refusal(std::strerror(err));
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void AtomicFile::abandon() {
  if (f_) {
    std::fclose(f_);
    f_ = nullptr;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace kiwora
