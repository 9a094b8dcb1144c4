// The real program under a file-size limit (`ulimit -f`, as shells and batch systems set one): a write
// past the limit fails as on a full disk. The file being written stays as it was, no temporary file is
// left, the user is told, and the program goes on to the end of its script.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "../bench/generate.h"
#include "support/app_fixture.h"
#include "support/played_process.h"

#ifdef KIWORA_BINARY

namespace kiwora {
namespace {

struct LimitCase {
  const char* what;
  const char* target;   // the file that the step writes past the limit
  const char* earlier;  // its text before the script; nullptr: there is none
  std::string before;   // the actions that lead up to the step (they stay under the limit)
  std::string step;     // the actions that write `target`
  std::string told;     // the start of the message the step shows
  std::string after;    // actions that show the program going on
  std::string limitedStep = {};  // the step as played under the limit, where a dialog opens again after the failure
};

// The files a play starts with (and the script); the others are written by the program.
const std::set<std::string> kInputs = {"data.txt", "ref.txt", "test.txt", "run.kws"};

// The same data in every folder, so that the files of different plays compare.
void writeData(const testing::TempDir& dir) {
  gen::Params p;
  p.nPop = 3;
  p.nInd = 30;
  p.nLoci = 6;
  p.nAlleles = 4;
  const std::string data = gen::inputFileText(gen::generate(p).ds);
  dir.write("data.txt", data);
  dir.write("ref.txt", data);
  p.nPop = 2;
  p.nInd = 5;
  p.seed = 2;
  dir.write("test.txt", gen::inputFileText(gen::generate(p).ds));
}

struct Played {
  testing::PlayedProcess process;
  std::vector<std::string> entries;
  std::string target;
  std::size_t targetBytes = 0;
  std::vector<std::string> written;  // the texts of the other files the program wrote, by name
  std::size_t largestWritten = 0;    // the bytes of the largest of them
};

// Plays `script` in a folder of its own, "<dir>" in it standing for the folder; the texts come back with
// the folder written "<folder>" and the day "<day>".
Played play(const LimitCase& c, std::string script, std::size_t fileSize) {
  testing::TempDir dir;
  writeData(dir);
  if (c.earlier) dir.write(c.target, c.earlier);
  for (std::size_t at; (at = script.find("<dir>")) != std::string::npos;) script.replace(at, 5, dir.path());
  const auto text = [&](const std::string& name) {
    return testing::inAnyFolder(std::regex_replace(testing::readFile(dir.file(name)), std::regex("Date: +\\S+"), "Date: <day>"),
                                dir.path());
  };
  Played p;
  p.process = testing::playInChild(dir.write("run.kws", script), 0, fileSize);
  p.entries = testing::folderEntries(dir.path());
  p.target = text(c.target);
  p.targetBytes = testing::readFile(dir.file(c.target)).size();
  for (const std::string& name : p.entries) {
    if (name == c.target || kInputs.contains(name)) continue;
    p.written.push_back(name + ": " + text(name));
    p.largestWritten = std::max(p.largestWritten, testing::readFile(dir.file(name)).size());
  }
  return p;
}

TEST(FileSizeLimit, AWritePastTheLimitFailsAsOnAFullDiskAndTheProgramGoesOn) {
  const std::string load = "file data.txt\nmenu OpenPopGen\n";
  const LimitCase cases[] = {
      {"an analysis section", "data-out.txt", nullptr, load, "menu Diploid\ntick Check5\ntick Check9\nclick Command1\n",
       "The results could not be written to <dir>/data-out.txt (File too large: the file size limit was reached)!", "expect-window frmStart\nmenu Diploid\nexpect-window frmDiplo\n"},
      // The dialog opens again after the failed write; the script cancels it.
      {"an export", "tarn.txt", "An earlier export\r\n", load, "file tarn.txt\nmenu Save_AS_Tarn\n",
       "The file <dir>/tarn.txt could not be written completely (File too large).",
       "expect-window frmStart\nmenu Diploid\nexpect-window frmDiplo\n", "file tarn.txt\ncancel\nmenu Save_AS_Tarn\n"},
      // The analysis goes on without the pairs file and writes its section.
      {"the pairs file", "pairs.csv", "Earlier pairs\r\n", load,
       "menu Diploid\nseed 3\ntick Check27\nfile pairs.csv\ntick Check26\ntype Text14 50\nclick Command1\n",
       "The pairs file <dir>/pairs.csv could not be written completely (File too large)!",
       "expect-window frmStart\nmenu Diploid\nexpect-window frmDiplo\n"},
      {"a first assignment run", "ref-out.txt", "Results of an earlier session\r\n",
       "file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
       "file test.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
       "menu AssisgnmentGr\nseed 4\n",
       "click Command2\n",
       "The results could not be written to <dir>/ref-out.txt (File too large: the file size limit was reached)!", "expect-window frmAssGr\nclick Command1\nexpect-window frmStart\n"},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.what);
    // Without a limit: the files as the step finds them, and as it leaves them when it completes.
    const Played ahead = play(c, c.before, 0);
    const Played complete = play(c, c.before + c.step, 0);
    ASSERT_EQ(complete.process.exitCode, 0) << complete.process.out << complete.process.err;
    // A limit that the files written before the step stay under and the step's file goes past.
    const std::size_t limit = (ahead.targetBytes + complete.targetBytes) / 2;
    ASSERT_GT(complete.targetBytes, ahead.targetBytes + 200);
    ASSERT_LT(complete.largestWritten, limit);

    const Played limited = play(c, c.before + (c.limitedStep.empty() ? c.step : c.limitedStep) + "expect-message " + c.told + "\n" + c.after, limit);
    EXPECT_TRUE(limited.process.exited) << "the program was ended by a signal";
    EXPECT_EQ(limited.process.exitCode, 0) << limited.process.out << limited.process.err;
    EXPECT_TRUE(limited.target == ahead.target) << limited.target.size() << " bytes where the file had "
                                                << ahead.target.size() << " before the step";
    EXPECT_EQ(limited.entries, ahead.entries) << "a file was left behind, or one went missing";
    // Nothing else is touched: every other file the program wrote is what the complete run left.
    EXPECT_EQ(limited.written, complete.written);
  }
}

}  // namespace
}  // namespace kiwora

#endif
