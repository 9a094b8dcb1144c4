#pragma once
// A file created whole or not at all. It is written to a temporary file beside the target and renamed over
// the target only when everything was written and flushed to the disk; after any failure the temporary
// file is removed and an earlier file of that name stays as it was. Every writer that creates a file in one
// go goes through this; a run that writes a result file in several sections uses files/result_draft.h.
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "base/file_mark.h"
#include "base/refusal.h"

namespace kiwora {

// Why no file may be made at `target`: something other than a regular file stands there (a device or a
// pipe is never replaced), or the file there may not be written by this user (a write-protected file is
// not swapped for a new one through the folder). No refusal when a file may be made there.
Refusal replaceRefusal(const std::string& target);
// The permissions a file made at `target` gets: those of the file it replaces, else 0666 less the umask.
mode_t newFileMode(const std::string& target);

// What stands at a path that is not a regular file, for a message ("it is a folder").
std::string notRegularText(mode_t mode);
// What a failed write or close tells the user, from its errno.
std::string writeErrorText(int err);

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile() { abandon(); }

  // Creates the temporary file; false when the folder cannot take it or replaceRefusal() refuses the target.
  bool open(const std::string& target);
  bool isOpen() const { return f_ != nullptr; }
  // False once any write has failed; later writes are skipped.
  bool write(std::string_view bytes);
  // Flushes, closes and renames over the target. False when anything failed; the target is then untouched.
  // `written`: the new file as it was written, noted from the file itself before it takes the target's
  // name (a result file: files/result_lock.h).
  bool commit(ResultFileMark* written = nullptr);
  // Why the last open or commit failed, for a message ("No space left on device").
  const Refusal& problem() const { return problem_; }
  // Drops the temporary file; the target is untouched.
  void abandon();

 private:
  std::FILE* f_ = nullptr;
  std::string target_, temp_;
  bool failed_ = false;
  int error_ = 0;  // errno of the failed write
  Refusal problem_;
};

}  // namespace kiwora
