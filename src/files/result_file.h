#pragma once
// The result file of a data file: its name, and the banner and header block it starts with.
#include <string>

#include "base/file_mark.h"
#include "base/refusal.h"
#include "files/text_writer.h"

namespace kiwora {

// "." becomes "-out." in the file name only (never in the folders above it); a name without "." gets
// "-out" appended.
std::string resultFileName(const std::string& dataPath);

// The banner at the head of a new assignment result file, every line at column 4: an empty line, the
// program's name in block letters, an empty line, the year line, a rule, an empty line, the makers' lines
// and a closing rule.
void writeResultBanner(LineWriter& out, const std::string& yearLine);

// False when something other than a regular file (a folder, a pipe, a device) stands at the result
// file's path: appending to a pipe would wait for a reader for ever, so such a name is refused up front.
// A missing file is fine (it is created).
bool resultPathUsable(const std::string& outPath);

// Creates (empties) the result file of a data file and writes its header block of 17 lines: the name in
// block letters between empty lines, two rules, the date, the data file and its title. The file it
// replaces is locked meanwhile, so a section another writer is appending is finished first. Refused, with
// the reason ("No space left on device"), when the file cannot be created or written. `started`: the new
// file just as this header block left it, noted from the file written while it was still locked.
Refusal createResultFile(const std::string& outPath, const std::string& date, const std::string& inFileName,
                         const std::string& title, ResultFileMark* started = nullptr);

// Tests only: called once a new result file stands at its name, before its writer goes on, where another
// copy of the program could start it afresh.
extern void (*resultFileStartedHook)(const std::string& outPath);

}  // namespace kiwora
