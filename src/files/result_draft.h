#pragma once
// What one run writes to a result file over several sections, gathered in a file beside it until the run
// is complete, so that the result file changes at one moment, under its lock (files/result_lock.h):
//  - a run that creates (empties) the file moves its draft over the file, provided the file is still
//    exactly as the run found it (or still missing), so no other writer's section is swept away;
//  - a run that appends copies its draft to the end of the file it began in: the same file, no shorter,
//    with the same header block and end of its last section (other writers' sections may follow them).
// Otherwise the run writes nothing there and fileChanged() says why. A run that is stopped, fails or
// throws leaves only its draft to remove, and a stop during the final copy cuts that copy back under the
// lock: the result file never loses another writer's section.
#include <string>

#include "files/result_lock.h"

namespace kiwora {

class ResultDraft {
 public:
  ResultDraft() = default;
  ResultDraft(const ResultDraft&) = delete;
  ResultDraft& operator=(const ResultDraft&) = delete;
  ~ResultDraft() { drop(); }

  // Starts a run's writing to `target`, which it empties (`create`) or appends to. False, with problem(),
  // when the target may not be written (files/atomic_file.h), cannot be read, or no draft can be made beside it.
  bool begin(const std::string& target, bool create);
  bool active() const { return !path_.empty(); }
  // The draft the run's sections go to until keep().
  const std::string& path() const { return path_; }
  // The run is complete: its draft takes the target's place, or is appended to it. False, with problem(),
  // when that fails or fileChanged(); the target is then as it was, less nothing and plus nothing.
  bool keep();
  // Removes the draft: the target is as other writers left it.
  void drop();
  const Refusal& problem() const { return problem_; }
  // keep() found the target no longer the file the run began in.
  bool fileChanged() const { return changed_; }

 private:
  bool replace();
  bool append();
  // Opens and locks the target (files/result_lock.h); -1, with problem(), when that fails.
  int lockTarget(bool create);

  std::string target_, path_;
  Refusal problem_;
  bool replacing_ = false;
  bool changed_ = false;
  ResultFileMark began_;  // the target as begin() found it
};

}  // namespace kiwora
