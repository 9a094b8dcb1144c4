// SIGTERM, SIGINT and SIGHUP end the program as a stop: a section being appended is cut back to the length
// before it, the temporary file of an export is removed (an earlier export stays), and the program ends
// with a message on standard error and a non-zero exit, in the script player, at the terminal and on the
// desktop. First the writers and progress steps of this process with a signal sent to itself, then the
// real program with a signal sent from outside in the middle of a large section or export.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "base/run_context.h"
#include "base/stop_signal.h"
#include "files/atomic_file.h"
#include "files/export_text.h"
#include "files/text_writer.h"
#include "platform/scripted_services.h"
#include "support/app_fixture.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The program's handlers in this process while the object lives; afterwards the signal is forgotten and
// the handlers the test program had are back.
class StopSignalsInstalled {
 public:
  StopSignalsInstalled() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) ::sigaction(kStopSignals[i], nullptr, &before_[i]);
    installStopSignals();
  }
  ~StopSignalsInstalled() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) ::sigaction(kStopSignals[i], &before_[i], nullptr);
    clearStopSignal();
  }
  StopSignalsInstalled(const StopSignalsInstalled&) = delete;
  StopSignalsInstalled& operator=(const StopSignalsInstalled&) = delete;

 private:
  struct sigaction before_[std::size(kStopSignals)] {};
};

// Prints lines of report text; after `signalAfter` bytes the process sends itself `signal`, as the user
// would at that moment, and goes on printing as a run does until something stops it.
void printWithSignal(LineWriter& out, int signal, std::size_t signalAfter, std::size_t total) {
  const std::string row = "   Pop_1      0.125      0.250      0.375      0.500      0.625      0.750";
  std::size_t written = 0;
  bool sent = false;
  while (written < total) {
    out.text(row).nl();
    written += row.size() + 2;
    if (!sent && written >= signalAfter) {
      ::raise(signal);
      sent = true;
    }
  }
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A signal while a section or a new file is being written: the writer stops at its next piece, the
// result file is as before the section, and a file being created leaves neither itself nor its
// temporary file, the earlier file of that name untouched.
TEST(StopSignalWrites, ASignalStopsTheWriteAndLeavesTheFilesAsBefore) {
  const StopSignalsInstalled installed;
  const std::string before = "\r\n   Titel: earlier results\r\n\r\n   a section of an earlier run\r\n";
  struct Case {
    const char* what;
    int signal;
    bool create;  // an export created whole, else a section appended to the result file
  };
  const Case cases[] = {
      {"section appended, SIGTERM", SIGTERM, false},
      {"section appended, SIGINT", SIGINT, false},
      {"section appended, SIGHUP", SIGHUP, false},
      {"export created, SIGTERM", SIGTERM, true},
      {"export created, SIGHUP", SIGHUP, true},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string path = dir.write("oak-out.txt", before);
    bool stopped = false;
    try {
      if (c.create) {
        writeFile(path, [&](LineWriter& out) { printWithSignal(out, c.signal, 3 * kMiB, 8 * kMiB); });
      } else {
        appendSection(path, '.', [&](LineWriter& out) { printWithSignal(out, c.signal, 3 * kMiB, 8 * kMiB); });
      }
    } catch (const RunStopped&) {
      stopped = true;
    }
    EXPECT_TRUE(stopped) << c.what;
    EXPECT_EQ(stopSignal(), c.signal) << c.what;
    EXPECT_EQ(testing::readFile(path), before) << c.what;
    EXPECT_EQ(testing::folderEntries(dir.path()), std::vector<std::string>{"oak-out.txt"}) << c.what;
    clearStopSignal();
  }
}

// A file written piece by piece without the print rules (the pairs file) is dropped the same way, also when
// the signal comes after its last piece, before it would replace the earlier file.
TEST(StopSignalWrites, AFileWrittenInPiecesIsDroppedAtTheNextPieceOrAtItsEnd) {
  const StopSignalsInstalled installed;
  for (const bool atEnd : {false, true}) {
    testing::TempDir dir;
    const std::string path = dir.write("pairs.csv", "Pop,Ind_1\r\nearlier,1\r\n");
    bool stopped = false;
    try {
      AtomicFile file;
      ASSERT_TRUE(file.open(path));
      ASSERT_TRUE(file.write("Pop,Ind_1,Ind_2\r\n"));
      ::raise(SIGTERM);
      if (!atEnd) file.write("Pop_1,1,2\r\n");
      file.commit();
    } catch (const RunStopped&) {
      stopped = true;
    }
    EXPECT_TRUE(stopped) << (atEnd ? "at its end" : "at the next piece");
    EXPECT_EQ(testing::readFile(path), "Pop,Ind_1\r\nearlier,1\r\n");
    EXPECT_EQ(testing::folderEntries(dir.path()), std::vector<std::string>{"pairs.csv"});
    clearStopSignal();
  }
}

// Every progress step stops the run once a signal came: a run's own context (even one that was given no
// way to ask for a stop) and the services' steps, whose stop request a new run cannot clear.
TEST(StopSignalProgress, EveryProgressStepStopsTheRunAfterASignal) {
  const StopSignalsInstalled installed;
  ScriptedServices services;
  const RunContext bare{};
  const RunContext ofServices = runContextOf(services);
  const auto stops = [](const std::function<void()>& step) {
    try {
      step();
    } catch (const RunStopped&) {
      return true;
    }
    return false;
  };
  const struct {
    const char* what;
    std::function<void()> step;
  } steps[] = {
      {"a context without a stop request", [&] { bare.progress("35 %"); }},
      {"a context of the services", [&] { ofServices.progress("Population 3"); }},
      {"the services' own step", [&] { services.progressStep(); }},
      {"the services' step after a new run cleared the request", [&] {
         services.clearStopRequest();
         services.progressStep();
       }},
  };
  for (const auto& s : steps) EXPECT_FALSE(stops(s.step)) << s.what << " stopped without a signal";
  ::raise(SIGINT);
  for (const auto& s : steps) EXPECT_TRUE(stops(s.step)) << s.what << " went on after the signal";
}

// The program's last words say what became of the run under way: one the signal stopped left nothing
// but a file it had put in place before (the pairs file), and one whose last write had gone out before
// the signal took effect keeps its section whole.
TEST(StopSignalMessage, SaysWhetherTheRunUnderWayWasKeptOrCutBack) {
  enum class When { NoRun, WhileThePrinting, AfterTheLastPiece };
  const struct {
    const char* what;
    When when;
    bool putAFileInPlace;
    const char* says;
  } cases[] = {
      {"no run under way", When::NoRun, false, "; no run was under way: the files hold what the runs before wrote."},
      {"no run under way after one that put a file in place", When::NoRun, true,
       "; no run was under way: the files hold what the runs before wrote."},
      {"a signal while the section is printed", When::WhileThePrinting, false,
       "; the run under way was stopped: nothing of it was kept in the result file or the exports."},
      {"a signal while the section is printed, after a file was put in place", When::WhileThePrinting, true,
       "; the run under way was stopped: nothing of it was kept in the result file or the exports but pairs.csv, "
       "which it had completed before the signal took effect."},
      {"a signal after the section's last piece", When::AfterTheLastPiece, false,
       "; the run under way had completed before the signal took effect: what it wrote to the result file or the "
       "exports was kept."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StopSignalsInstalled installed;
    testing::Program<ScriptedServices> program;
    const std::string path = program.dir.write("out.txt", "Earlier\r\n");
    if (c.putAFileInPlace && c.when == When::NoRun) runGuarded(program.app, [] { noteFileKeptByRun("pairs.csv"); });
    const bool completed = runGuarded(program.app, [&] {
      if (c.when == When::NoRun) return;
      if (c.putAFileInPlace) noteFileKeptByRun("pairs.csv");
      EXPECT_EQ(appendSection(path, '.', [&](LineWriter& out) {
                  out.text("The section").nl();
                  if (c.when == When::WhileThePrinting) ::raise(SIGTERM);
                }).message(),
                "");
      if (c.when == When::AfterTheLastPiece) ::raise(SIGTERM);
    });
    if (c.when == When::NoRun) ::raise(SIGTERM);
    EXPECT_EQ(completed, c.when != When::WhileThePrinting);
    EXPECT_EQ(testing::readFile(path), c.when == When::AfterTheLastPiece ? "Earlier\r\nThe section\r\n" : "Earlier\r\n");
    EXPECT_EQ(stopSignalMessage(SIGTERM), std::string("kiwora: ended by SIGTERM") + c.says);
  }
}

}  // namespace
}  // namespace kiwora

#ifdef KIWORA_BINARY
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "../bench/generate.h"
#include "support/real_program.h"

namespace kiwora {
namespace {

using Program = testing::RealProgram;

const char* signalName(int s) { return s == SIGTERM ? "SIGTERM" : s == SIGINT ? "SIGINT" : "SIGHUP"; }

long long sizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// An input file whose distance sections are long (about 100 MB): enough populations that the tables of
// every two of them take a while to write, at few loci and individuals, so reading and computing are quick.
std::string writeBigInput(const testing::TempDir& dir) {
  gen::Params p;
  p.nPop = 700;
  p.nInd = 4;
  p.nLoci = 12;
  p.nAlleles = 4;
  return dir.write("big.txt", gen::inputFileText(gen::generate(p).ds));
}

const char* const kLongAnalysis = "menu Diploid\ntick Check9\ntick Check10\nclick Command1\n";

// The program ended for the signal as it should: a non-zero exit, and standard error says why.
void expectEndedBy(Program& program, int signal, const std::string& what) {
  const int status = program.wait();
  ASSERT_TRUE(WIFEXITED(status)) << what << ": ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << what;
  EXPECT_NE(program.err().find(std::string("kiwora: ended by ") + signalName(signal)), std::string::npos)
      << what << ": " << program.err();
}

// A signal in the middle of a large section: the result file is byte for byte as before the run, no
// temporary file is left, the program says why it ended and exits non-zero. Played and typed at the
// terminal (Ctrl-C there sends SIGINT), for each of the three signals.
TEST(StopSignalProgram, ASignalInTheMiddleOfASectionLeavesTheResultFileAsBeforeTheRun) {
  const struct {
    int signal;
    bool terminal;
  } cases[] = {{SIGTERM, false}, {SIGINT, false}, {SIGHUP, false}, {SIGINT, true}, {SIGTERM, true}};
  for (const auto& c : cases) {
    const std::string what = std::string(signalName(c.signal)) + (c.terminal ? " at the terminal" : " in a script");
    testing::TempDir dir;
    const std::string input = writeBigInput(dir);
    const std::string result = dir.file("big-out.txt");
    const std::string actions = "file " + input + "\nmenu OpenPopGen\n" + kLongAnalysis;
    int typed[2];
    ASSERT_EQ(::pipe(typed), 0);
    std::vector<std::string> args{"--terminal"};
    if (!c.terminal) args = {"--play", dir.write("run.kws", actions)};
    Program program(args, dir, typed[0]);
    ::close(typed[0]);
    if (c.terminal) {
      ASSERT_EQ(::write(typed[1], actions.data(), actions.size()), static_cast<ssize_t>(actions.size()));
    }
    // The header block comes whole (the file is created under another name and renamed); what follows it
    // is the run's section.
    ASSERT_TRUE(program.runsUntil([&] { return sizeOf(result) > 0; })) << what << program.out() << program.err();
    const std::string headerEnd = "Titel: Generated data\r\n\r\n";
    std::string beforeRun = testing::readFile(result);
    ASSERT_NE(beforeRun.find(headerEnd), std::string::npos) << what;
    beforeRun.resize(beforeRun.find(headerEnd) + headerEnd.size());
    ASSERT_TRUE(program.runsUntil([&] { return sizeOf(result) > static_cast<long long>(beforeRun.size()); }))
        << what << program.out() << program.err();
    program.send(c.signal);
    expectEndedBy(program, c.signal, what);
    EXPECT_NE(program.err().find("the run under way was stopped: nothing of it was kept"), std::string::npos)
        << what << ": " << program.err();
    ::close(typed[1]);
    // Compared whole, but reported by length: a cut-off section is megabytes of table.
    const std::string after = testing::readFile(result);
    EXPECT_TRUE(after == beforeRun) << what << ": " << after.size() << " bytes after the signal, " << beforeRun.size()
                                    << " before the run";
    std::vector<std::string> files{"big-out.txt", "big.txt", "stderr", "stdout"};
    if (!c.terminal) files.insert(files.begin() + 2, "run.kws");
    EXPECT_EQ(testing::folderEntries(dir.path()), files)        << what;
  }
}

// A signal while an export is written: its temporary file goes, the earlier file of that name stays as
// it was, and the program ends as above.
TEST(StopSignalProgram, ASignalWhileAnExportIsWrittenLeavesTheEarlierFile) {
  testing::TempDir dir;
  gen::Params p;
  p.nPop = 40;
  p.nInd = 1500;
  p.nLoci = 60;
  const std::string input = dir.write("many.txt", gen::inputFileText(gen::generate(p).ds));
  const std::string earlier = "An earlier export for Tarn\r\n 2 \r\n 1 \r\nL1\r\n";
  const std::string saved = dir.write("saved.txt", earlier);
  const std::string script =
      dir.write("save.kws", "file many.txt\nmenu OpenPopGen\nfile saved.txt\nmenu Save_AS_Tarn\n");
  Program program({"--play", script}, dir, 0);
  // The export is under way once its temporary file holds some of it.
  const auto temporaryWritten = [&] {
    for (const std::string& name : testing::folderEntries(dir.path()))
      if (name.rfind("saved.txt.tmp-", 0) == 0 && sizeOf(dir.file(name)) > 0) return true;
    return false;
  };
  ASSERT_TRUE(program.runsUntil(temporaryWritten)) << program.out() << program.err();
  program.send(SIGTERM);
  expectEndedBy(program, SIGTERM, "export");
  EXPECT_EQ(testing::readFile(saved), earlier);
  EXPECT_EQ(testing::folderEntries(dir.path()),
            (std::vector<std::string>{"many-out.txt", "many.txt", "save.kws", "saved.txt", "stderr", "stdout"}));
}

// Waits that are no run: the terminal waiting for a line, the desktop waiting for the user. The program
// ends at once with its message and a non-zero exit.
TEST(StopSignalProgram, ASignalWhileTheProgramWaitsEndsIt) {
  const struct {
    int signal;
    bool desktop;
  } cases[] = {{SIGHUP, false}, {SIGINT, false}, {SIGTERM, true}, {SIGHUP, true}};
  for (const auto& c : cases) {
    const std::string what = std::string(signalName(c.signal)) + (c.desktop ? " on the desktop" : " at the terminal");
    testing::TempDir dir;
    int typed[2];
    ASSERT_EQ(::pipe(typed), 0);
    Program program(c.desktop ? std::vector<std::string>{} : std::vector<std::string>{"--terminal"}, dir, typed[0],
                    c.desktop);
    ::close(typed[0]);
    if (c.desktop) {
      // Waiting for the user once it sleeps for a while in its event loop.
      int asleep = 0;
      ASSERT_TRUE(program.runsUntil([&] {
        asleep = program.sleeping() ? asleep + 1 : 0;
        return asleep >= 20;
      })) << what << program.err();
    } else {
      ASSERT_TRUE(program.runsUntil([&] { return program.out().find("> ") != std::string::npos; })) << what;
    }
    EXPECT_TRUE(program.catchesStopSignals()) << what;
    program.send(c.signal);
    expectEndedBy(program, c.signal, what);
    ::close(typed[1]);
  }
}

}  // namespace
}  // namespace kiwora
#endif
