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
        std::string message;
        writeFile(path, [&](LineWriter& out) { printWithSignal(out, c.signal, 3 * kMiB, 8 * kMiB); }, message);
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

}  // namespace
}  // namespace kiwora

#ifdef KIWORA_BINARY
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "../bench/generate.h"

namespace kiwora {
namespace {

const char* signalName(int s) { return s == SIGTERM ? "SIGTERM" : s == SIGINT ? "SIGINT" : "SIGHUP"; }

long long sizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// The real program, started as a shell starts a job in the foreground: the stop signals at their
// defaults, standard output and error into files, standard input from `input` (a pipe the test writes).
class Program {
 public:
  Program(const std::vector<std::string>& args, const testing::TempDir& dir, int input, bool desktop = false)
      : out_(dir.file("stdout")), err_(dir.file("stderr")) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    for (const int s : kStopSignals) std::signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(input, 0);
    ::dup2(::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    if (desktop) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else ::unsetenv("QT_QPA_PLATFORM");
    std::vector<char*> argv{const_cast<char*>(KIWORA_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KIWORA_BINARY, argv.data());
    ::_exit(127);
  }
  ~Program() {
    if (!ended_ && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Waits, while the program runs, until `ready` holds; false when the program ended first.
  template <class F>
  bool runsUntil(F ready) {
    while (!ready()) {
      if (ended()) return false;
      ::usleep(200);
    }
    return !ended();
  }
  bool ended() {
    if (!ended_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return ended_;
  }
  // The program has put its stop handlers in place (it would die of the signal before).
  bool catchesStopSignals() {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("SigCgt:", 0) == 0) {
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        for (const int s : kStopSignals)
          if (!(caught >> (s - 1) & 1)) return false;
        return true;
      }
    return false;
  }
  // Asleep (waiting for something), not running.
  bool sleeping() {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    ::usleep(1000);
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S';
  }
  void send(int signal) { ASSERT_EQ(::kill(pid_, signal), 0); }
  // The wait status once the program has ended.
  int wait() {
    if (!ended_) ::waitpid(pid_, &status_, 0);
    ended_ = true;
    return status_;
  }
  std::string out() const { return testing::readFile(out_); }
  std::string err() const { return testing::readFile(err_); }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

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
