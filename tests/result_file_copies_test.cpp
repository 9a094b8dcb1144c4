// Two copies of the real program on one result file. An assignment run of copy A is under way while copy
// B adds a section of its own, opens the data file afresh (which starts the result file anew), or the file
// is removed; then A is stopped or completes. What B wrote stays byte for byte, A's sections come whole
// after B's or not at all, and A says when its results could not go to the file it began in.
#ifdef KIWORA_BINARY
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../bench/generate.h"
#include "support/real_program.h"

namespace kiwora {
namespace {

using testing::readFile;

std::string fileOrNone(const std::string& path) {
  return std::filesystem::exists(path) ? readFile(path) : std::string("(no file)");
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// A copy of the program at the terminal, its input a pipe the test types into.
class Copy {
 public:
  Copy(const testing::TempDir& dir, const std::string& name) {
    int typed[2];
    if (::pipe(typed) != 0) throw std::runtime_error("no pipe");
    program_ = std::make_unique<testing::RealProgram>(std::vector<std::string>{"--terminal"}, dir, typed[0], false, name);
    ::close(typed[0]);
    input_ = typed[1];
  }
  ~Copy() { endInput(); }
  Copy(const Copy&) = delete;
  Copy& operator=(const Copy&) = delete;

  void type(const std::string& lines) {
    lines_ += static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
    ASSERT_EQ(::write(input_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  }
  // Waiting for the next line once every line typed has been carried out.
  bool idle() { return count(program_->out(), "> ") > lines_; }
  bool waitIdle() {
    return program_->runsUntil([&] { return idle(); });
  }
  void endInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }
  testing::RealProgram& program() { return *program_; }

 private:
  std::unique_ptr<testing::RealProgram> program_;
  int input_ = -1;
  std::size_t lines_ = 0;
};

// Whether a file was read since the watch began: a run notes its result file, reading it, as it begins.
class FileReads {
 public:
  explicit FileReads(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0) ::inotify_add_watch(fd_, path.c_str(), IN_CLOSE_NOWRITE);
  }
  ~FileReads() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileReads(const FileReads&) = delete;
  FileReads& operator=(const FileReads&) = delete;
  bool seen() {
    alignas(inotify_event) char events[4096];
    while (fd_ >= 0 && ::read(fd_, events, sizeof events) > 0) seen_ = true;
    return seen_;
  }

 private:
  int fd_;
  bool seen_ = false;
};

// What happens to the result file while A's run is under way. B's analysis appends under B's own header
// block, so B opens the data file before A's run; the user's note goes after whatever the file holds.
enum class During { Appends, UserAppends, Reopens, Removes };

TEST(ResultFileCopies, WhatAnotherCopyWroteStaysAndARunWritesOnlyToTheFileItBeganIn) {
  const struct {
    const char* what;
    bool firstRun;  // A's run creates the result file; otherwise an earlier run of A named it
    During during;
    bool stopped;  // A is stopped by SIGTERM; otherwise it completes
  } cases[] = {
      {"later run stopped after the user appended a note", false, During::UserAppends, true},
      {"later run completed after the user appended a note", false, During::UserAppends, false},
      {"later run completed after B opened the data file afresh", false, During::Reopens, false},
      {"later run completed after the file was removed", false, During::Removes, false},
      {"first run completed after B appended a section", true, During::Appends, false},
      {"first run completed after B opened the data file afresh", true, During::Reopens, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    gen::Params p;
    p.nPop = 5;
    p.nInd = 30;
    p.nLoci = 20;
    p.nAlleles = 6;
    p.seed = 3;
    const std::string data = dir.write("ref.txt", gen::inputFileText(gen::generate(p).ds));
    p.nPop = 2;
    p.nInd = 5;
    p.seed = 4;
    const std::string groups = dir.write("groups.txt", gen::inputFileText(gen::generate(p).ds));
    const std::string result = dir.file("ref-out.txt");
    const auto assignment = [&](int simulated) {
      return "menu AssisgnmentGr\nchoose Option9\ntype Text2 " + std::to_string(simulated) + "\nclick Command2\n";
    };
    const std::string open = "file " + data + "\nmenu OpenPopGen\n";

    Copy a(dir, "a-"), b(dir, "b-");
    a.type("seed 5\nfile " + data + "\nmenu OpenRefFile\nfile " + groups + "\nmenu OpenTestFile\n");
    if (!c.firstRun) a.type(assignment(50));
    ASSERT_TRUE(a.waitIdle()) << a.program().out();
    if (c.during == During::Appends) {
      // B's own header block, under which it appends.
      b.type(open);
      ASSERT_TRUE(b.waitIdle()) << b.program().out();
    }

    // A long run of A, under way once it has noted its file: a first run makes its draft beside it, a
    // later one reads the file it will append to.
    const std::string before = fileOrNone(result);
    FileReads reads(result);
    a.type(assignment(c.stopped ? 4000000 : 200000));
    const auto underWay = [&] {
      for (const std::string& name : testing::folderEntries(dir.path()))
        if (name.rfind("ref-out.txt.tmp-", 0) == 0) return true;
      return !c.firstRun && reads.seen();
    };
    ASSERT_TRUE(a.program().runsUntil(underWay)) << a.program().out();
    // A later run needs no room beside the file (a folder it may not write, a disk nearly full): it
    // appends its report straight to the file at its end.
    if (!c.firstRun) {
      for (const std::string& name : testing::folderEntries(dir.path()))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " beside the file of a later run";
    }

    if (c.during == During::Appends) {
      b.type("menu Diploid\nclick Command1\n");
      ASSERT_TRUE(b.waitIdle()) << b.program().out();
    } else if (c.during == During::UserAppends) {
      std::ofstream(result, std::ios::binary | std::ios::app) << "A note of the user's\r\n";
    } else if (c.during == During::Reopens) {
      const std::string script = dir.write("reopen.kws", open);
      testing::RealProgram reopen({"--play", script}, dir, 0, false, "reopen-");
      ASSERT_EQ(reopen.wait(), 0) << reopen.out() << reopen.err();
    } else {
      std::filesystem::remove(result);
    }
    const std::string afterB = fileOrNone(result);
    ASSERT_FALSE(a.idle()) << "A's run ended before B was done: nothing was tested";

    if (c.stopped) {
      a.program().send(SIGTERM);
      const int status = a.program().wait();
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    } else {
      ASSERT_TRUE(a.waitIdle()) << a.program().out();
    }
    const std::string after = fileOrNone(result);
    const std::string out = a.program().out();
    const bool refused = !c.stopped && (c.firstRun || c.during != During::UserAppends);
    if (!c.stopped && !refused) {
      // The note and A's section, each whole: A's method block and score tables after the note.
      ASSERT_GT(after.size(), afterB.size());
      EXPECT_TRUE(after.compare(0, afterB.size(), afterB) == 0) << "the note was changed";
      EXPECT_EQ(count(after.substr(afterB.size()), "Selected loci"), 1u) << "A's sections were split around the note";
      EXPECT_EQ(count(after, "Selected loci"), count(before, "Selected loci") + 1);
    } else {
      EXPECT_TRUE(after == afterB) << after.size() << " bytes afterwards, " << afterB.size() << " as B left it";
    }
    const std::string message = "The result file " + result + " was started afresh";
    EXPECT_EQ(out.find(message) != std::string::npos, refused) << out;
    for (const std::string& name : testing::folderEntries(dir.path()))
      EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " was left";
  }
}

// A run begun after the result file was started afresh by another copy would land under that copy's
// header block; one begun after this copy's own reopening lands under its own.
TEST(ResultFileCopies, ARunWritesOnlyUnderTheHeaderBlockOfItsOwnLoad) {
  const char* const analysis = "menu Diploid\ntick Check9\ntick Check11\ntick Check13\nclick Command1\n";
  const struct {
    const char* what;
    const char* first;  // what A does first, after opening the data file
    std::string run;    // A's run once the data file was opened again
    bool otherCopyReopens;  // otherwise A itself opens the data file again
  } cases[] = {
      {"analysis after B reopened", analysis, "menu Diploid\nclick Command1\n", true},
      {"permutation test after B reopened", analysis, "menu BAS\ntype Text1 20\nclick Command1\n", true},
      {"analysis after A reopened", analysis, "menu Diploid\nclick Command1\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    gen::Params p;
    p.nPop = 3;
    p.nInd = 10;
    p.nLoci = 4;
    p.nAlleles = 4;
    p.seed = 3;
    const std::string data = dir.write("data.txt", gen::inputFileText(gen::generate(p).ds));
    const std::string result = dir.file("data-out.txt");
    const std::string open = "file " + data + "\nmenu OpenPopGen\n";

    Copy a(dir, "a-");
    a.type("seed 5\n" + open + c.first);
    ASSERT_TRUE(a.waitIdle()) << a.program().out();
    if (c.otherCopyReopens) {
      const std::string script = dir.write("reopen.kws", open);
      testing::RealProgram reopen({"--play", script}, dir, 0, false, "reopen-");
      ASSERT_EQ(reopen.wait(), 0) << reopen.out() << reopen.err();
    } else {
      a.type(open);
      ASSERT_TRUE(a.waitIdle()) << a.program().out();
    }
    const std::string before = fileOrNone(result);
    a.type(c.run);
    ASSERT_TRUE(a.waitIdle()) << a.program().out();
    const std::string after = fileOrNone(result);
    const std::string message = "The result file " + result + " was started afresh";
    EXPECT_EQ(a.program().out().find(message) != std::string::npos, c.otherCopyReopens) << a.program().out();
    if (c.otherCopyReopens) {
      EXPECT_TRUE(after == before) << after.size() << " bytes afterwards, " << before.size() << " before";
    } else {
      ASSERT_GT(after.size(), before.size());
      EXPECT_EQ(after.compare(0, before.size(), before), 0);
    }
  }
}

}  // namespace
}  // namespace kiwora
#endif
