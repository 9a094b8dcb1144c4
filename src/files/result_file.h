#pragma once
// The result file of a data file: its name, and the banner and header block it starts with.
#include <string>

#include "files/text_writer.h"

namespace kiwora {

// "." becomes "-out." in the file name only (never in the folders above it); a name without "." gets
// "-out" appended.
std::string resultFileName(const std::string& dataPath);

// The banner at the head of a new result file (lines 1 to 12 of the header block): an empty line, the
// program's name in block letters, two empty lines, a rule, an empty line and a rule; text at column 4.
void writeResultBanner(LineWriter& out);

// Creates (empties) the result file and writes the banner and the header block with the date, the data
// file and its title. False, with a reason, when the file cannot be created or written.
bool createResultFile(const std::string& outPath, const std::string& date, const std::string& inFileName,
                      const std::string& title, std::string& reason);

}  // namespace kiwora
