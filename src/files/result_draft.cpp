#include "files/result_draft.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/run_context.h"
#include "files/atomic_file.h"

namespace kiwora {
namespace {

const char* const kChanged = "it is no longer the file the run began in";

}  // namespace

bool ResultDraft::begin(const std::string& target) {
  drop();
  changed_ = false;
  written_ = {};
  problem_ = replaceRefusal(target);
  if (problem_) return false;
  problem_ = markResultFile(target, began_);
  if (problem_) return false;
  std::string tmpl = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    problem_ = Refusal(std::strerror(errno));
    return false;
  }
  // The draft becomes the file: it has the file's permissions.
  ::fchmod(fd, newFileMode(target));
  ::close(fd);
  target_ = target;
  path_ = tmpl;
  return true;
}

bool ResultDraft::keep() {
  if (!active()) {
    problem_ = Refusal("nothing was written");
    return false;
  }
  const bool kept = replace();
  drop();
  return kept;
}

bool ResultDraft::replace() {
  // The draft is on the disk before it takes the file's place.
  int err = 0;
  const int draft = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (draft < 0 || ::fsync(draft) != 0) err = errno ? errno : EIO;
  // The draft keeps its inode when it takes the file's place: this is the file as the run leaves it.
  if (err == 0 && !markOpenFile(draft, written_)) err = errno ? errno : EIO;
  if (draft >= 0 && ::close(draft) != 0 && err == 0) err = errno ? errno : EIO;
  if (err != 0) {
    problem_ = Refusal(std::strerror(err));
    return false;
  }
  if (stopSignalled()) throw RunStopped();  // the draft is removed as the run unwinds
  if (!began_.exists) {
    // Only where there is still no file: one made meanwhile belongs to another writer.
    if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
      path_.clear();
      return true;
    }
    const int err = errno;
    const bool unsupported = err == EINVAL || err == ENOSYS;
    struct stat st {};
    if (err == EEXIST || (unsupported && ::stat(target_.c_str(), &st) == 0)) {
      changed_ = true;
      problem_ = Refusal(kChanged);
      return false;
    }
    if (!unsupported) {
      problem_ = Refusal(std::strerror(err));
      return false;
    }
    // A file system without an exclusive rename: the check just made has to do.
    if (std::rename(path_.c_str(), target_.c_str()) != 0) {
      problem_ = Refusal(std::strerror(errno));
      return false;
    }
    path_.clear();
    return true;
  }
  LockedFile locked = openLocked(target_, false);
  if (locked.fd < 0) {
    changed_ = locked.missing;
    problem_ = locked.missing ? Refusal(kChanged) : std::move(locked.refusal);
    return false;
  }
  const int file = locked.fd;
  // Replaced under the lock, so no writer adds a section to the file between the check and the rename;
  // one waiting for the lock then finds the new file in its place.
  bool kept = stillAsMarked(file, began_, true);
  if (!kept) {
    changed_ = true;
    problem_ = Refusal(kChanged);
  } else if (std::rename(path_.c_str(), target_.c_str()) != 0) {
    problem_ = Refusal(std::strerror(errno));
    kept = false;
  } else {
    path_.clear();
  }
  ::close(file);
  return kept;
}

void ResultDraft::drop() {
  if (!active()) return;
  ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace kiwora
