// The result file of the loaded data when the load could not write its header block: a file the user may
// not write is left alone and the load says that results cannot be saved; the runs that follow write that
// load's header block first, as the load would have, and never append under another load's header.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::readFile;

const char* const kSecondTitle = "Demo Populations, counted again";

std::string secondDemoFile() {
  std::string text = testing::kDemoFile;
  return kSecondTitle + text.substr(text.find("\r\n"));
}

// A run from the main window, with the options the first analysis set: the window, its run button and
// its "Go back" button.
struct RunCase {
  const char* what;
  const char* open;
  const char* start;
  const char* back;
  bool needsEarlierAnalysis;  // its menu item is there only after an analysis with its option
};

const RunCase kRuns[] = {
    {"analysis", "menu Diploid", "click Command1", "click Command2", false},
    {"test between two populations", "menu BTS\ntype Text1 20", "click Command2", "click Command1", true},
    {"test among all populations", "menu BAS\ntype Text1 20", "click Command1", "click Command2", true},
};

std::string completeRun(const RunCase& r) {
  return std::string("seed 5\n") + r.open + "\n" + r.start + "\nexpect-window frmStart";
}

// Before the second load: an analysis of the first data set under the same file name, or nothing.
struct Earlier {
  const char* what;
  bool firstLoad;
};

const Earlier kEarlier[] = {
    {"the first data set's results stand in the file", true},
    {"no result file stands there", false},
};

const char* const kFirstAnalysis =
    "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check9\ntick Check11\ntick Check13\nclick Command1\n"
    "expect-window frmStart\n";

// Loads the data file anew (same name, another title); with `full`, the disk cannot take the header block.
void secondLoad(testing::Program<ScriptedServices>& p, bool full) {
  p.dir.write("demo.txt", secondDemoFile());
  p.services.setDate("02/02/2026");
  if (full) {
    testing::FileSizeLimit limit(100);
    p.run("file demo.txt\nmenu OpenPopGen\nexpect-message The data are loaded, but the result file");
  } else {
    p.run("file demo.txt\nmenu OpenPopGen");
  }
  // The main window comes back anew, with the test menus the first analysis enabled.
  p.run("menu Diploid\nclick Command2\nexpect-window frmStart");
  p.services.setDate("03/02/2026");
}

TEST(ResultHeader, ARunAfterALoadThatCouldNotWriteTheHeaderWritesItFirst) {
  for (const Earlier& e : kEarlier) {
    for (const RunCase& r : kRuns) {
      if (r.needsEarlierAnalysis && !e.firstLoad) continue;
      SCOPED_TRACE(std::string(e.what) + "; " + r.what);
      // What the run leaves when the load could write the header.
      std::string expected;
      {
        testing::Program<ScriptedServices> p;
        p.dir.write("demo.txt", testing::kDemoFile);
        if (e.firstLoad) p.run(kFirstAnalysis);
        secondLoad(p, false);
        p.run(completeRun(r));
        expected = testing::inAnyFolder(readFile(p.dir.file("demo-out.txt")), p.dir.path());
      }
      ASSERT_NE(expected.find(std::string("Titel: ") + kSecondTitle), std::string::npos);

      testing::Program<ScriptedServices> p;
      p.dir.write("demo.txt", testing::kDemoFile);
      if (e.firstLoad) p.run(kFirstAnalysis);
      const auto result = [&p] {
        const std::string out = p.dir.file("demo-out.txt");
        return std::filesystem::exists(out) ? readFile(out) : "(none)";
      };
      const std::string before = result();
      secondLoad(p, true);
      EXPECT_EQ(result(), before);
      // While the header still cannot be written, the run refuses and the file stays as it was.
      {
        testing::FileSizeLimit limit(100);
        p.run(std::string(r.open) + "\n" + r.start + "\nexpect-message The result file\n" + r.back +
              "\nexpect-window frmStart");
      }
      EXPECT_EQ(result(), before);
      // Once there is room: the load's header block, then the run's results, and nothing of the file before.
      p.run(completeRun(r));
      EXPECT_EQ(testing::inAnyFolder(result(), p.dir.path()), expected);
      EXPECT_EQ(p.services.pendingMessages(), 0u);
    }
  }
}

// Plays `script` as the user `uid` (an unprivileged user when `uid` is not 0) in a program of its own;
// true when every line of it passed. False with `skip` when that user cannot be taken on.
bool playAs(uid_t uid, const std::string& script, bool& skip) {
  skip = false;
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (uid != ::geteuid()) {
      const gid_t gid = static_cast<gid_t>(uid);
      if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(77);
    }
    if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) ::dup2(null, 1);  // the player's log
    ::execl(KIWORA_BINARY, KIWORA_BINARY, "--play", script.c_str(), static_cast<char*>(nullptr));
    ::_exit(78);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && (WEXITSTATUS(status) == 77 || WEXITSTATUS(status) == 78)) skip = true;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

constexpr uid_t kNobody = 65534;

// A result file this user may not write (write-protected, or owned by another user) is left as it is, with
// its mode; a file the user may write is replaced by the new header.
TEST(ResultHeader, AResultFileTheUserMayNotWriteIsLeftAlone) {
  const bool root = ::geteuid() == 0;
  const uid_t user = root ? kNobody : ::geteuid();
  struct Case {
    const char* what;
    mode_t mode;
    bool ownedByUser;
    bool mayWrite;
  };
  const Case cases[] = {
      {"write-protected for its owner", 0444, true, false},
      {"another user's file that others may only read", 0644, false, false},
      {"a file its owner may write", 0644, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.ownedByUser && !root) continue;  // only root can give the file to another user
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0777);  // the user may make files in the folder
    dir.write("demo.txt", testing::kDemoFile);
    const std::string earlier = "Results of an earlier day\r\n";
    const std::string out = dir.write("demo-out.txt", earlier);
    if (root) {
      ASSERT_EQ(::chown(out.c_str(), c.ownedByUser ? user : 0, c.ownedByUser ? user : 0), 0);
    }
    ASSERT_EQ(::chmod(out.c_str(), c.mode), 0);
    const std::string script = c.mayWrite
                                   ? "file demo.txt\nmenu OpenPopGen\nexpect-enabled Diploid\n"
                                   : "file demo.txt\nmenu OpenPopGen\n"
                                     "expect-message The data are loaded, but the result file\n"
                                     "menu Diploid\nclick Command1\nexpect-message The result file\n";
    dir.write("play.kws", script);
    bool skip = false;
    const bool passed = playAs(user, dir.file("play.kws"), skip);
    if (skip) GTEST_SKIP() << "cannot play as an unprivileged user here";
    EXPECT_TRUE(passed);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode) << "the file keeps its mode";
    if (c.mayWrite) {
      EXPECT_NE(readFile(out).find("Titel: Demo Populations"), std::string::npos);
    } else {
      EXPECT_EQ(readFile(out), earlier);
      EXPECT_EQ(testing::folderEntries(dir.path()), (std::vector<std::string>{"demo-out.txt", "demo.txt", "play.kws"}));
    }
  }
}

}  // namespace
}  // namespace kiwora
