#include "files/result_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utility>


namespace kiwora {

std::string resultFileName(const std::string& dataPath) {
  const std::size_t slash = dataPath.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string out = dataPath.substr(0, nameStart);
  const std::string name = dataPath.substr(nameStart);
  if (name.find('.') == std::string::npos) return dataPath + "-out";
  for (char c : name) {
    if (c == '.') out += "-out.";
    else out += c;
  }
  return out;
}

bool resultPathUsable(const std::string& outPath) {
  struct stat st {};
  return ::stat(outPath.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

namespace {

// The program's name in block letters, six rows high, at column 4.
void writeNameInBlockLetters(LineWriter& out) {
  static const char* const K[6] = {"X   X", "X  X ", "XXX  ", "X X  ", "X  X ", "X   X"};
  static const char* const I[6] = {"XXX", " X ", " X ", " X ", " X ", "XXX"};
  static const char* const W[6] = {"X     X", "X     X", "X  X  X", "X X X X", "XX   XX", "X     X"};
  static const char* const O[6] = {" XXX ", "X   X", "X   X", "X   X", "X   X", " XXX "};
  static const char* const R[6] = {"XXXX ", "X   X", "XXXX ", "X X  ", "X  X ", "X   X"};
  static const char* const A[6] = {"  X  ", " X X ", "X   X", "XXXXX", "X   X", "X   X"};
  static const char* const* const word[6] = {K, I, W, O, R, A};
  for (int row = 0; row < 6; ++row) {
    std::string line;
    for (const char* const* letter : word) line += std::string(letter[row]) + "  ";
    line.erase(line.find_last_not_of(' ') + 1);
    out.tab(4).text(line).nl();
  }
}

const std::string kRule(53, '_');

}  // namespace

void writeResultBanner(LineWriter& out, const std::string& yearLine) {
  out.nl();
  writeNameInBlockLetters(out);
  out.nl();
  out.tab(4).text(yearLine).nl();
  out.tab(4).text(kRule).nl();
  out.nl();
  out.tab(4).text("          Developed and programmed by").nl();
  out.tab(4).text("          the Kiwora developers").nl();
  out.tab(4).text(kRule).nl();
}

void (*resultFileStartedHook)(const std::string& outPath) = nullptr;

Refusal createResultFile(const std::string& outPath, const std::string& date, const std::string& inFileName,
                         const std::string& title, ResultFileMark* started) {
  // The file is replaced under its lock, as every writer of it writes: a section another copy is writing
  // at this moment is finished first.
  const LockedFile held = openLocked(outPath, false);
  struct Release {
    int fd;
    ~Release() {
      if (fd >= 0) ::close(fd);
    }
  } release{held.fd};
  TextFile f;
  if (!f.open(outPath, TextFile::Mode::Create)) return f.problem();
  // The header block, lines 1 to 17: no year line (line 9 is empty) and no lines about the makers.
  f.nl();                          // line 1
  writeNameInBlockLetters(f);      // lines 2-7
  f.nl().nl();                     // lines 8 and 9
  f.tab(4).text(kRule).nl();       // line 10
  f.nl();                          // line 11
  f.tab(4).text(kRule).nl();       // line 12
  f.nl();                          // line 13
  f.tab(4).text("Date:  " + date).nl();
  f.tab(4).text("File:  " + inFileName).nl();
  f.tab(4).text("Titel: " + title).nl();
  f.nl();
  // The note is taken from the file written, before it takes the name: another copy that starts the
  // file afresh a moment later leaves a file this note does not name.
  ResultFileMark written;
  if (!f.close(&written)) return f.problem();
  if (resultFileStartedHook) resultFileStartedHook(outPath);
  if (started) *started = std::move(written);
  return {};
}

}  // namespace kiwora
