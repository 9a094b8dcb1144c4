// An input file read a small piece at a time, so that line ends, fields and long lines fall across the
// pieces' edges, reads as the whole text does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/input_file.h"
#include "support/app_fixture.h"
#include "support/same_reading.h"

namespace kiwora {
namespace {

const std::size_t kPieceSizes[] = {1, 2, 3, 7, 64, kInputPieceBytes};

std::string fileText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the whole-text parser makes of a sample, so that a case meant to read is not refused by both.
enum class Outcome { Reads, Refused, Either };

struct Sample {
  std::string what;
  std::string text;
  Outcome outcome = Outcome::Either;
  std::string (*forPiece)(std::size_t piece) = nullptr;  // a text made for each piece size instead
};

// The text files the played scripts load: input, reference and test-group files, and loci-selection
// files, which the reader must refuse as the whole-text parser does.
std::vector<Sample> sampleFiles() {
  std::vector<std::filesystem::path> paths = {std::filesystem::path(KIWORA_SOURCE_DIR) / "examples" / "demo.txt"};
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(KIWORA_SOURCE_DIR) / "tests" / "scripts"))
    if (e.path().extension() == ".txt") paths.push_back(e.path());
  std::sort(paths.begin(), paths.end());
  std::vector<Sample> out;
  for (const auto& p : paths) out.push_back({p.filename().string(), fileText(p), Outcome::Either});
  return out;
}

// Line ends `eol`, with the title, the locus names and the population names padded so that the first
// character of each of their line ends is the last byte of a piece of `piece` bytes: a CR there may be
// the first half of a CR LF or a line end of its own.
std::string lineEndsAtTheEdges(std::size_t piece, const std::string& eol) {
  std::string text;
  auto padded = [&](std::string head, const std::string& tail) {
    while ((text.size() + head.size() + tail.size()) % piece != piece - 1) head += '_';
    text += head + tail + eol;
  };
  padded("Title", "");
  text += "2,4,3" + eol;
  for (int l = 1; l <= 4; ++l) padded("Locus" + std::to_string(l), "");
  padded("Pop", ",1.5,-2.25");
  text += "1,2,3,3,-1,1,2,2" + eol + "-1,-1,1,1,2,3,3,3" + eol + eol;
  padded("\"Pop, 2", "\",0,7");  // padded inside its quotes: text after them is refused
  text += "3,3,3,3,2,2,1,1" + eol + "END" + eol;
  return text;
}

std::string manyLoci(int nLoci, const char* eol) {
  std::string text = std::string(150, 't') + eol + "2," + std::to_string(nLoci) + ",3" + eol;
  for (int l = 1; l <= nLoci; ++l) text += "Locus number " + std::to_string(l) + eol;
  for (int p = 1; p <= 2; ++p) {
    text += "\"Stand, " + std::to_string(p) + "\",12.5," + std::to_string(p) + eol;
    for (int j = 1; j <= 3; ++j) {
      std::string line;
      for (int l = 1; l <= nLoci; ++l) line += std::to_string((l + j + p) % 3 + 1) + "," + (l % 5 == 0 ? "-1," : "2,");
      line.pop_back();
      text += line + eol;
    }
    text += p == 2 ? "END" : "";
    text += eol;
  }
  return text;
}

std::string badCodeInTheLastLine() {
  std::string text = manyLoci(40, "\r\n");
  text[text.rfind(",2,") + 1] = 'x';
  return text;
}

std::vector<Sample> craftedFiles() {
  const std::string demo = testing::kDemoFile;  // line ends CR LF
  std::string lfDemo = demo;
  std::erase(lfDemo, '\r');
  std::string crDemo = demo;
  std::erase(crDemo, '\n');
  std::string noFinalEol = demo;
  while (!noFinalEol.empty() && (noFinalEol.back() == '\n' || noFinalEol.back() == '\r')) noFinalEol.pop_back();
  const std::string head = "T\n1,2,3\nL1\nL2\nP,0,0\n";
  return {
      {"CR LF split between two pieces", "", Outcome::Reads, [](std::size_t piece) { return lineEndsAtTheEdges(piece, "\r\n"); }},
      {"CR alone at the end of a piece", "", Outcome::Reads, [](std::size_t piece) { return lineEndsAtTheEdges(piece, "\r"); }},
      {"the example with LF alone", lfDemo, Outcome::Reads},
      {"lines far longer than a piece, CR LF", manyLoci(40, "\r\n"), Outcome::Reads},
      {"lines far longer than a piece, LF", manyLoci(40, "\n"), Outcome::Reads},
      {"a byte-order mark before the title", "\xEF\xBB\xBF" + demo, Outcome::Reads},
      {"the last line without a line end", noFinalEol, Outcome::Reads},
      {"the last line a CR without its LF", noFinalEol + "\r", Outcome::Reads},
      {"the example with CR alone", crDemo, Outcome::Reads},
      {"CR, LF and CR LF mixed", "T\r1,1,3\nL\r\nP,0,0\r1,2\nEND\r", Outcome::Reads},
      {"lines after the last END are not read", demo + "Pop_4,0,0\n9,9,9\n", Outcome::Reads},
      {"a file ending inside an individual line", head + "1,2,3", Outcome::Refused},
      {"a file ending inside the header of a population", "T\n2,1,3\nL\nP,0,0\n1,1\n\nP2,0", Outcome::Refused},
      {"a bad code far into the file", badCodeInTheLastLine(), Outcome::Refused},
      {"an individual line one code short", head + "1,2,3\nEND\n", Outcome::Refused},
      {"the last population ending with an empty line", head + "1,2,3,3\r\n\r\n", Outcome::Refused},
      {"an empty file", "", Outcome::Refused},
      {"a file of one line end", "\r\n", Outcome::Refused},
      {"only the title", "title without a line end", Outcome::Refused},
  };
}

TEST(InputPieces, FilesReadInSmallPiecesAsTheWholeText) {
  testing::TempDir dir;
  std::vector<Sample> samples = sampleFiles();
  ASSERT_GT(samples.size(), 10u) << "the sample files were not found";
  for (auto& c : craftedFiles()) samples.push_back(std::move(c));
  for (const auto& s : samples)
    for (const std::size_t piece : kPieceSizes) {
      // Padding lines to the edges of 1 MB pieces would make files of megabytes; a test of its own has that.
      if (s.forPiece && piece > 64) continue;
      const std::string text = s.forPiece ? s.forPiece(piece) : s.text;
      const testing::BlockReading want = testing::readThroughBlocks(text);
      if (s.outcome != Outcome::Either) {
        ASSERT_EQ(want.result.ok(), s.outcome == Outcome::Reads) << s.what << ": " << want.result.message();
      }
      const std::string path = dir.write("in.txt", text);
      DataSet ds;
      Selection sel;
      const ParseResult got = readInputFileInto(path, ds, sel, {}, piece);
      EXPECT_EQ(testing::readingDifference(want, got, ds, sel), "") << s.what << ", pieces of " << piece << " bytes";
    }
}

}  // namespace
}  // namespace kiwora
