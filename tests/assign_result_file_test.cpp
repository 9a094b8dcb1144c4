// The assignment result file after a run that does not complete (stopped by the user, a failed write, a
// failure thrown inside the run): byte for byte as it was, with no file left where there was none and no
// temporary file beside it; and the next complete run writes what it would have written had the broken
// run never been started.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <tuple>

#include "support/app_fixture.h"

namespace kiwora {
namespace {

// Ends a run at its `endAt`-th progress step: with a stop, as the desktop's close box does when the user
// confirms, or with a failure thrown from inside the run, as when a worker thread cannot be started.
class EndingServices : public ScriptedServices {
 public:
  enum class How { Stop, Throw };
  void doEvents() override {
    ScriptedServices::doEvents();
    if (++steps != endAt) return;
    if (how == How::Stop) requestStop();
    else throw std::system_error(EAGAIN, std::generic_category(), "a worker thread could not be started");
  }
  long steps = 0;
  long endAt = 0;  // 0: never
  How how = How::Stop;
};

auto flagsOf(const WorkflowFlags& f) {
  return std::tuple(f.DataLoaded, f.TestLoaded, f.AnalysisDone, f.AssignRunDone, f.LociChanged, f.AssignReRead, f.Busy);
}

const char* const kResult = "self_ref_4x8-out.txt";

struct Session : testing::Program<EndingServices> {
  Session() {
    const std::string scripts = std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/";
    for (const char* f : {"self_ref_4x8.txt", "self_test_2groups.txt"}) dir.write(f, testing::readFile(scripts + f));
  }
  bool exists() const { return std::filesystem::exists(dir.file(kResult)); }
  std::string result() const { return exists() ? testing::readFile(dir.file(kResult)) : "(none)"; }
  // The result with the session's folder named "<folder>", to compare the files of two sessions.
  std::string resultInAnyFolder() const { return testing::inAnyFolder(result(), dir.path()); }
};

const char* const kLoadAssignmentFiles =
    "file self_ref_4x8.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
    "file self_test_2groups.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n";

// What stands before the run that is broken off; each ends in the assignment window.
struct History {
  const char* what;
  const char* earlierFile;  // written before the program reads anything; null: none
  const char* script;
};

const History kHistories[] = {
    {"first run, no result file yet", nullptr, ""},
    {"first run, a result file from an earlier use of the program", "Results of an earlier day\r\n\r\n  1.000\r\n", ""},
    {"first run, the results of the data file that is also the reference file", nullptr,
     "file self_ref_4x8.txt\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart\n"},
    {"a run after a completed assignment", nullptr, "menu AssisgnmentGr\nclick Command2\nexpect-window frmStart\n"},
    {"a run after a completed self-assignment", nullptr, "menu AssisgnmentGr\nclick Command4\nexpect-window frmStart\n"},
};

struct RunCase {
  const char* what;
  const char* choices;  // made in the window before the run
  const char* start;
};

const RunCase kRuns[] = {
    {"assignment, LOD1", "", "click Command2"},
    {"assignment, delta", "choose Option9", "click Command2"},
    // The distance takes LOD1 whatever was chosen, and only a completed run leaves that behind.
    {"assignment, distance chosen after delta", "choose Option9\nchoose Option10", "click Command2"},
    {"self-assignment in groups of three", "type Text4 3\ntype Text5 2000", "click Command4"},
};

void prepare(Session& s, const History& h) {
  if (h.earlierFile) s.dir.write(kResult, h.earlierFile);
  s.run("seed 3");  // the runs of the history repeat from session to session
  s.run(std::string(h.script).find("OpenPopGen") != std::string::npos ? std::string(h.script) + kLoadAssignmentFiles
                                                                      : std::string(kLoadAssignmentFiles) + h.script);
  // Enough simulated groups that even the delta criterion takes several progress steps (the groups of
  // the self-assignment are set by its run).
  s.run("menu AssisgnmentGr\ntype Text2 7000");
}

// The complete run as it goes when nothing breaks it off: its result file and its number of progress steps.
std::pair<std::string, long> completeRun(const History& h, const RunCase& r) {
  Session s;
  prepare(s, h);
  s.run(r.choices);
  s.services.steps = 0;
  s.run(std::string("seed 17\n") + r.start + "\nexpect-window frmStart");
  return {s.resultInAnyFolder(), s.services.steps};
}

struct Ending {
  std::string what;
  EndingServices::How how;
  long endAt;         // the progress step; 0: none (the write fails)
  long sizeLimit;     // while the run goes, no file may grow past this many bytes; 0: no limit
};

TEST(AssignResultFile, ARunThatDoesNotCompleteLeavesTheFileAsItWas) {
  for (const History& h : kHistories) {
    for (const RunCase& r : kRuns) {
      const auto [completed, steps] = completeRun(h, r);
      ASSERT_GE(steps, 3) << h.what << ", " << r.what;
      const long finalSize = static_cast<long>(completed.size());
      const std::vector<Ending> endings = {
          {"stopped at the first progress step", EndingServices::How::Stop, 1, 0},
          {"stopped at the middle progress step", EndingServices::How::Stop, steps / 2, 0},
          {"stopped at the last progress step", EndingServices::How::Stop, steps, 0},
          {"a failure thrown at the middle progress step", EndingServices::How::Throw, steps / 2, 0},
          {"the disk full before the last lines", EndingServices::How::Stop, 0, finalSize - 40},
      };
      for (const Ending& e : endings) {
        SCOPED_TRACE(std::string(h.what) + "; " + r.what + "; " + e.what);
        Session s;
        prepare(s, h);
        s.run(r.choices);
        const std::string before = s.result();
        const auto entries = testing::folderEntries(s.dir.path());
        const AssignmentFileState file = s.app.model.assignFile;
        const auto flags = flagsOf(s.app.model.flags);
        const int criterion = s.app.model.assignOptions.LodCriterion;
        s.services.steps = 0;
        s.services.endAt = e.endAt;
        s.services.how = e.how;
        {
          std::optional<testing::FileSizeLimit> full;
          if (e.sizeLimit > 0) full.emplace(static_cast<rlim_t>(e.sizeLimit));
          s.run(std::string("seed 17\n") + r.start);
        }
        s.services.endAt = 0;
        EXPECT_EQ(s.result(), before);
        EXPECT_EQ(testing::folderEntries(s.dir.path()), entries) << "a file was left behind";
        EXPECT_EQ(s.app.model.assignFile.AssignOutFile, file.AssignOutFile);
        EXPECT_EQ(s.app.model.assignFile.headerIdentity, file.headerIdentity);
        EXPECT_EQ(flagsOf(s.app.model.flags), flags);
        EXPECT_EQ(s.app.model.assignOptions.LodCriterion, criterion);
        // A stop is the user's choice and says nothing; a failure is reported.
        EXPECT_EQ(s.services.pendingMessages(), e.how == EndingServices::How::Stop && e.sizeLimit == 0 ? 0u : 1u);
        while (s.services.takeMessage()) {
        }
        // The window stays, and its next run writes what it would have written without the broken one.
        s.run(std::string("expect-window frmAssGr\nseed 17\n") + r.start + "\nexpect-window frmStart");
        EXPECT_EQ(s.resultInAnyFolder(), completed);
      }
    }
  }
}

}  // namespace
}  // namespace kiwora
