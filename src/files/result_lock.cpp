#include "files/result_lock.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/run_context.h"

namespace kiwora {
namespace {

const char* const kNotRegular = "it is not a regular file (a folder, a pipe or a device)";

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

Refusal markResultFile(const std::string& path, ResultFileMark& mark, const ResultFileMark* header, bool* under) {
  mark = {};
  if (under) *under = header == nullptr || !header->exists;
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
      return Refusal(kNotRegular);
    }
    if (Refusal unlocked = lockFile(fd, LOCK_SH)) return unlocked;
    if (!pathNames(path, fd)) {
      ::close(fd);  // replaced while this waited: note what stands there now
      continue;
    }
    if (under && header && header->exists) *under = stillAsMarked(fd, *header, false);
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
  return true;
}

bool stillAsMarked(int fd, const ResultFileMark& mark, bool whole) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (!mark.exists) return st.st_size == 0;
  if (st.st_dev != mark.dev || st.st_ino != mark.ino || st.st_size < mark.size) return false;
  if (whole && st.st_size != mark.size) return false;
  std::uint64_t digest = 0;
  return digestOf(fd, mark.size, digest) && digest == mark.digest;
}

LockedFile openLocked(const std::string& path, bool create) {
  LockedFile refused;
  for (;;) {
    // Anything but a regular file is refused before it is opened for writing; the open does not block,
    // so a pipe that takes its place meanwhile is refused too instead of waiting for a reader.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      refused.refusal = Refusal(kNotRegular);
      return refused;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0) {
      refused.missing = errno == ENOENT;
      refused.refusal = Refusal(errno == ENXIO || errno == EISDIR ? kNotRegular : std::strerror(errno));
      return refused;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      refused.refusal = Refusal(kNotRegular);
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

std::string resultFileChangedSinceMessage(const std::string& path) {
  return "The result file " + path +
         " was started afresh, replaced or removed since it was opened: nothing was calculated and nothing was written to it!";
}

}  // namespace kiwora
