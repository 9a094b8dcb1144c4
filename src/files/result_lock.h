#pragma once
// A result file is shared: by the runs of one program, by other copies of the program on the same data
// file and by the user. Whoever writes to it takes its lock (flock), and a run writes there only once, at
// its end, and only if the file is still the one it began in: a run notes the file when it begins
// (ResultFileMark) and checks the note under the lock before it writes.
#include <string>

#include "base/file_mark.h"
#include "base/refusal.h"

namespace kiwora {

// Notes the file at `path` (exists false when there is none). Refused, with what is wrong, when it cannot
// be read. `header`, when given, is the mark taken just after this program wrote the file's header block:
// `under` tells whether the file is still that one with that header block (its own later sections may
// follow), not a link to it; `changedInPlace`, whether it is that file with that text changed.
Refusal markResultFile(const std::string& path, ResultFileMark& mark, const ResultFileMark* header = nullptr,
                       bool* under = nullptr, bool* changedInPlace = nullptr);

// Notes the file open at `fd` (under its lock) as it stands, and holds it open; false when it cannot be
// read.
bool markOpenFile(int fd, ResultFileMark& mark);

// Whether the file open at `fd` (under the lock) is still the file `mark` noted, at least as long, with
// the noted header block and section end unchanged. `whole`: nothing may have been added after them
// either. Where no file was noted, the file must be empty. `changedInPlace`: it is the noted file, but
// its text is not as noted.
bool stillAsMarked(int fd, const ResultFileMark& mark, bool whole, bool* changedInPlace = nullptr);

// Whether `path` itself (not a link there) names the file open at `fd`.
bool pathIsOpenFile(const std::string& path, int fd);
// Whether the noted file still has a name (it was not removed or replaced); false for a note that does
// not hold its file open.
bool stillHeld(const ResultFileMark& mark);

// A result file open for writing at its end, under its lock; fd -1 with the refusal when it could not be.
struct LockedFile {
  int fd = -1;
  bool missing = false;  // there was no file to open
  Refusal refusal;
};

// Opens `path` for writing at its end and takes its lock, waiting for another writer to finish. Once
// locked, the path is checked to still name the locked file (a writer that replaced it under the lock
// leaves a new file there, which is then locked in its turn). `create`: a missing file is made; otherwise a
// missing file is refused with `missing`. Anything but a regular file is refused without waiting on it. A
// stop signal while waiting throws RunStopped.
LockedFile openLocked(const std::string& path, bool create);

// What the user is told when a run's results were not written because its result file was started
// afresh, replaced or removed while the run was under way; `replacing`: a run that was to replace the file,
// which another writer's section also keeps from doing so.
std::string resultFileChangedMessage(const std::string& path, bool replacing);
// What the user is told when a run was not begun because its result file no longer holds the header block
// this program wrote there; `changedInPlace`: it is that file, its text changed.
std::string resultFileChangedSinceMessage(const std::string& path, bool changedInPlace = false);
// The same for a later assignment or self-assignment run, whose file the user did not open: it says how the
// user goes on.
std::string assignmentFileChangedMessage(const std::string& path, bool changedInPlace);

}  // namespace kiwora
