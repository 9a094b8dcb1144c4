#include "files/result_draft.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/atomic_file.h"

namespace kiwora {

bool ResultDraft::begin(const std::string& target, bool create) {
  drop();
  problem_ = replaceRefusal(target);
  if (!problem_.empty()) return false;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  target_ = target;
  if (exists && !create) {
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    size_ = st.st_size;
    replacing_ = false;
    path_ = target;
    return true;
  }
  std::string tmpl = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    problem_ = std::strerror(errno);
    return false;
  }
  ::fchmod(fd, newFileMode(target));
  ::close(fd);
  replacing_ = true;
  path_ = tmpl;
  return true;
}

bool ResultDraft::keep() {
  if (!active()) {
    problem_ = "nothing was written";
    return false;
  }
  if (replacing_) {
    int err = 0;
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) err = errno ? errno : EIO;
    if (fd >= 0 && ::close(fd) != 0 && err == 0) err = errno ? errno : EIO;
    if (err == 0 && std::rename(path_.c_str(), target_.c_str()) != 0) err = errno;
    if (err != 0) {
      problem_ = std::strerror(err);
      drop();
      return false;
    }
  }
  path_.clear();
  return true;
}

void ResultDraft::drop() {
  if (!active()) return;
  if (replacing_) {
    ::unlink(path_.c_str());
  } else {
    // Only the file the run appended to is cut back, and only what it added.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_ && st.st_size > size_)
      if (::truncate(target_.c_str(), size_) != 0) problem_ = std::strerror(errno);
  }
  path_.clear();
}

}  // namespace kiwora
