#pragma once
// A run's report for a result file it starts afresh (or makes), written to a file beside it until the run
// is complete, so that the result file changes at one moment, under its lock (files/result_lock.h): keep()
// moves the draft over the file, provided the file is still exactly as the run found it (or still
// missing), so no other writer's section is swept away. Otherwise the run writes nothing there and
// fileChanged() says why. A run that is stopped, fails or throws leaves only its draft to remove. (A run
// that appends writes its section straight into the file: appendSection.)
#include <string>

#include "files/result_lock.h"

namespace kiwora {

class ResultDraft {
 public:
  ResultDraft() = default;
  ResultDraft(const ResultDraft&) = delete;
  ResultDraft& operator=(const ResultDraft&) = delete;
  ~ResultDraft() { drop(); }

  // Starts a run's writing of a new `target`. False, with problem(), when the target may not be written
  // (files/atomic_file.h), cannot be read, or no draft can be made beside it.
  bool begin(const std::string& target);
  bool active() const { return !path_.empty(); }
  // The draft the run's sections go to until keep().
  const std::string& path() const { return path_; }
  // The run is complete: its draft takes the target's place. False, with problem(), when that fails or
  // fileChanged(); the target is then as it was.
  bool keep();
  // Removes the draft: the target is as other writers left it.
  void drop();
  const Refusal& problem() const { return problem_; }
  // After keep(): the file as the draft left it.
  const ResultFileMark& written() const { return written_; }
  // keep() found the target no longer the file the run began in.
  bool fileChanged() const { return changed_; }

 private:
  bool replace();

  std::string target_, path_;
  Refusal problem_;
  bool changed_ = false;
  ResultFileMark began_;  // the target as begin() found it
  ResultFileMark written_;
};

}  // namespace kiwora
