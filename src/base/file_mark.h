#pragma once
#include <cstdint>
#include <memory>
#include <sys/types.h>
#include <unistd.h>

namespace kiwora {

// A read-only descriptor kept open on a noted file. Nothing is written through it: it only keeps the
// file's inode from going to another file while the note lives.
class HeldFile {
 public:
  explicit HeldFile(int fd) : fd_(fd) {}
  ~HeldFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// A result file as a run found it: which file it is (device and inode), its length and a digest of its
// header block and of the end of its last section, read under the lock, so that no other writer is
// half-way through a section. A device and an inode alone do not name a file for good: a file system
// gives a removed file's inode to the next new one. So the note holds the file open (`held`, shared by its
// copies), and keeps the file's birth time where the file system gives one.
struct ResultFileMark {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::uint64_t digest = 0;
  bool hasBirth = false;
  std::int64_t birthSec = 0;
  std::uint32_t birthNsec = 0;
  std::shared_ptr<const HeldFile> held;
};

}  // namespace kiwora
