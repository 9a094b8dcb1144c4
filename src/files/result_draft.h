#pragma once
// What one run writes to a result file over several sections, kept apart from the file until the run is
// complete. A run that creates (empties) the file, or finds none, writes a new file beside it, which keep()
// moves over the target; a run that appends to an existing file notes its length, and a draft dropped
// without keep() cuts its sections back out of that same file. So a run that is stopped, fails or throws
// leaves the file byte for byte as it was, and leaves no file where there was none.
#include <string>
#include <sys/types.h>

namespace kiwora {

class ResultDraft {
 public:
  ResultDraft() = default;
  ResultDraft(const ResultDraft&) = delete;
  ResultDraft& operator=(const ResultDraft&) = delete;
  ~ResultDraft() { drop(); }

  // Starts a run's writing to `target`, which it empties (`create`) or appends to. False, with problem(),
  // when the target may not be written (files/atomic_file.h) or no file can be made beside it.
  bool begin(const std::string& target, bool create);
  bool active() const { return !path_.empty(); }
  // Where the run's sections go until keep(): the new file beside the target, or the target itself.
  const std::string& path() const { return path_; }
  // The run is complete: a new file, flushed to the disk, takes the target's place. False, with
  // problem(), when that fails; the target is then as it was.
  bool keep();
  // Takes back what the run wrote: the target is as it was before begin().
  void drop();
  const std::string& problem() const { return problem_; }

 private:
  std::string target_, path_, problem_;
  bool replacing_ = false;  // path_ is a new file beside the target
  // Appending: the target as begin() found it.
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  off_t size_ = 0;
};

}  // namespace kiwora
