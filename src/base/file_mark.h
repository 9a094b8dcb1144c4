#pragma once
#include <cstdint>
#include <sys/types.h>

namespace kiwora {

// A result file as a run found it: which file it is (device and inode), its length and a digest of its
// header block and of the end of its last section, read under the lock, so that no other writer is
// half-way through a section.
struct ResultFileMark {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::uint64_t digest = 0;
};

}  // namespace kiwora
