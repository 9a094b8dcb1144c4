#include "files/result_lock.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/run_context.h"
#include "files/atomic_file.h"

namespace kiwora {
namespace {

// Takes the lock on `fd`; refused, with `fd` closed, when that fails.
Refusal lockFile(int fd, int how) {
  while (::flock(fd, how) != 0) {
    if (errno == EINTR && stopSignalled()) {
      ::close(fd);
      throw RunStopped();  // the program is ending: no use waiting for the other writer
    }
    if (errno == EINTR) continue;
    if (errno == ENOLCK || errno == EOPNOTSUPP) return {};  // a file system without locks is still written
    Refusal refused(std::strerror(errno));
    ::close(fd);
    return refused;
  }
  return {};
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `path` still names the file open at `fd`.
bool pathNames(const std::string& path, int fd) {
  struct stat open {}, named {};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && sameFile(open, named);
}

// The birth time of the file open at `fd`, where the file system gives one.
bool birthOf(int fd, std::int64_t& sec, std::uint32_t& nsec) {
#ifdef STATX_BTIME
  struct statx sx {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME)) {
    sec = sx.stx_btime.tv_sec;
    nsec = sx.stx_btime.tv_nsec;
    return true;
  }
#else
  (void)fd, (void)sec, (void)nsec;
#endif
  return false;
}

// Whether the file open at `fd` (whose status is `st`) is the file `mark` noted. Where the note holds
// the file open, its inode is compared with the held one, which no other file can have meanwhile.
bool isMarkedFile(int fd, const struct stat& st, const ResultFileMark& mark) {
  if (mark.held) {
    struct stat held {};
    if (::fstat(mark.held->fd(), &held) != 0 || !sameFile(st, held)) return false;
  } else if (st.st_dev != mark.dev || st.st_ino != mark.ino) {
    return false;
  }
  std::int64_t sec = 0;
  std::uint32_t nsec = 0;
  return !mark.hasBirth || !birthOf(fd, sec, nsec) || (sec == mark.birthSec && nsec == mark.birthNsec);
}

// A digest of the file at `fd` as far as `size`: its head (the header block and more) and the bytes just
// before `size`, where the last section ended. Reading only these keeps a check cheap on a file of many
// sections; a file started afresh or replaced is told apart by its inode anyway. False when the file
// holds fewer bytes or cannot be read.
bool digestOf(int fd, off_t size, std::uint64_t& digest) {
  constexpr off_t kPiece = 64 * 1024;
  std::string buf(static_cast<std::size_t>(kPiece), '\0');
  std::uint64_t h = 0xcbf29ce484222325ULL ^ static_cast<std::uint64_t>(size);
  const auto take = [&](off_t from, off_t to) {
    while (from < to) {
      const ssize_t n = ::pread(fd, buf.data(), static_cast<std::size_t>(to - from), from);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      h = (h ^ std::hash<std::string_view>{}(std::string_view(buf.data(), static_cast<std::size_t>(n)))) *
          0x100000001b3ULL;
      from += n;
    }
    return true;
  };
  const off_t head = std::min(size, kPiece);
  if (!take(0, head) || !take(std::max(head, size - kPiece), size)) return false;
  digest = h;
  return true;
}

}  // namespace

Refusal markResultFile(const std::string& path, ResultFileMark& mark, const ResultFileMark* header, bool* under,
                       bool* changedInPlace) {
  mark = {};
  if (under) *under = header == nullptr || !header->exists;
  if (changedInPlace) *changedInPlace = false;
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) {
        if (under) *under = header == nullptr;
        return {};
      }
      return Refusal(std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return Refusal(notRegularText(st.st_mode));
    }
    if (Refusal unlocked = lockFile(fd, LOCK_SH)) return unlocked;
    if (!pathNames(path, fd)) {
      ::close(fd);  // replaced while this waited: note what stands there now
      continue;
    }
    if (under && header && header->exists) {
      // A link standing in the file's place is another file, even when it leads to the noted one.
      *under = pathIsOpenFile(path, fd) && stillAsMarked(fd, *header, false, changedInPlace);
    }
    const Refusal unread = markOpenFile(fd, mark) ? Refusal() : Refusal(std::strerror(errno ? errno : EIO));
    ::close(fd);
    return unread;
  }
}

bool markOpenFile(int fd, ResultFileMark& mark) {
  mark = {};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !digestOf(fd, st.st_size, mark.digest)) return false;
  mark.exists = true;
  mark.dev = st.st_dev;
  mark.ino = st.st_ino;
  mark.size = st.st_size;
  mark.hasBirth = birthOf(fd, mark.birthSec, mark.birthNsec);
  // A descriptor of its own on the file, not a copy of `fd`, which would keep `fd`'s lock for as long
  // as the note lives.
  const int held = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat hs {};
  if (held >= 0 && ::fstat(held, &hs) == 0 && sameFile(hs, st)) mark.held = std::make_shared<const HeldFile>(held);
  else if (held >= 0) ::close(held);
  return true;
}

bool pathIsOpenFile(const std::string& path, int fd) {
  struct stat open {}, named {};
  return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 && sameFile(open, named);
}

bool stillHeld(const ResultFileMark& mark) {
  struct stat st {};
  return mark.held && ::fstat(mark.held->fd(), &st) == 0 && st.st_nlink > 0;
}

bool stillAsMarked(int fd, const ResultFileMark& mark, bool whole, bool* changedInPlace) {
  if (changedInPlace) *changedInPlace = false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (!mark.exists) return st.st_size == 0;
  if (!isMarkedFile(fd, st, mark)) return false;
  std::uint64_t digest = 0;
  const bool same = st.st_size >= mark.size && (!whole || st.st_size == mark.size) &&
                    digestOf(fd, mark.size, digest) && digest == mark.digest;
  if (changedInPlace) *changedInPlace = !same;
  return same;
}

LockedFile openLocked(const std::string& path, bool create) {
  LockedFile refused;
  for (;;) {
    // Anything but a regular file is refused before it is opened for writing; the open does not block,
    // so a pipe that takes its place meanwhile is refused too instead of waiting for a reader.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      refused.refusal = Refusal(notRegularText(st.st_mode));
      return refused;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0) {
      refused.missing = errno == ENOENT;
      refused.refusal = Refusal(errno == EISDIR ? std::string("it is a folder")
                                : errno == ENXIO ? std::string("it is not a regular file but a pipe (FIFO) or a device")
                                                 : std::string(std::strerror(errno)));
      return refused;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      refused.refusal = Refusal(notRegularText(st.st_mode));
      return refused;
    }
    if (Refusal unlocked = lockFile(fd, LOCK_EX)) {
      refused.refusal = std::move(unlocked);
      return refused;
    }
    if (pathNames(path, fd)) return LockedFile{fd, false, {}};
    ::close(fd);  // replaced or removed while this waited: lock what stands there now
  }
}

std::string resultFileChangedMessage(const std::string& path, bool replacing) {
  const std::string how = replacing ? "was started afresh, replaced, removed or written to" : "was started afresh, replaced or removed";
  return "The result file " + path + " " + how + " while the run was under way: the results of this run were not written to it!";
}

std::string resultFileChangedSinceMessage(const std::string& path, bool changedInPlace) {
  return "The result file " + path + (changedInPlace ? " was changed" : " was started afresh, replaced or removed") +
         " since it was opened: nothing was calculated and nothing was written to it!";
}

std::string assignmentFileChangedMessage(const std::string& path, bool changedInPlace) {
  return "The result file " + path +
         (changedInPlace ? " was changed" : " was started afresh, replaced (by another file or a link) or removed") +
         " since the last assignment run wrote to it: nothing was calculated and nothing was written to it! Read "
         "the reference file again: the next run then starts the file afresh.";
}

}  // namespace kiwora
