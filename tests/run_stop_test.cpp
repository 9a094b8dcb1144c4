// A run the user stops ends at its next progress step: nothing of it reaches the result file, no flag is
// set, the selection is as before, Busy is clear and the window stays open and usable.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "support/app_fixture.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

// Asks for a stop while processing the pending events of the `stopAt`-th progress step, as the
// desktop's close box does when the user confirms.
class StoppingServices : public ScriptedServices {
 public:
  void doEvents() override {
    ScriptedServices::doEvents();
    if (forms && forms->busy()) ++busySteps;
    if (++steps == stopAt) requestStop();
  }
  const Forms* forms = nullptr;
  long busySteps = 0;
  long steps = 0;
  long stopAt = 0;  // 0: never
};

auto flagsOf(const WorkflowFlags& f) {
  return std::tuple(f.DataLoaded, f.TestLoaded, f.AnalysisDone, f.AssignRunDone, f.CanTestWithin, f.CanTestTwo,
                    f.CanTestAll, f.PopSelChanged, f.LocSelChanged, f.LociChanged, f.NoSortMLG, f.AssignReRead, f.Busy);
}

struct StopSession : testing::Program<StoppingServices> {
  StopSession() {
    const std::string scripts = std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/";
    for (const char* f : {"demo.txt", "permutation_stands.txt", "ref_oaks.txt", "test_trees.txt"})
      dir.write(f, testing::readFile(scripts + f));
    services.forms = &app.forms;
  }
  // The result file's content, or "(none)" when there is none yet.
  std::string result(const std::string& name) const {
    return std::filesystem::exists(dir.file(name)) ? testing::readFile(dir.file(name)) : "(none)";
  }
};

struct LongRun {
  const char* what;
  const char* prepare;  // ends in the run's window
  const char* window;
  const char* start;
  const char* result;
};

const LongRun kLongRuns[] = {
    {"analysis with simulated intervals",
     "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5\ntick Check9\ntick Check27\ntick Check16\ntype Text14 40",
     "frmDiplo", "click Command1", "demo-out.txt"},
    {"analysis with the two-locus table",
     "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check25\ntype Text6 0.01\nleave Text6\ntype Text7 0.5\nleave Text7",
     "frmDiplo", "click Command1", "demo-out.txt"},
    {"test within a population",
     "file permutation_stands.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check8\nclick Command1\nmenu WS\n"
     "pick List1 2  - East\ntype Text1 20",
     "frmWTest", "click Command1", "permutation_stands-out.txt"},
    {"test between two populations",
     "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check9\nclick Command1\nmenu BTS\ntype Text1 20", "frmTest",
     "click Command2", "demo-out.txt"},
    {"test among all populations",
     "file permutation_stands.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check11\ntick Check13\nclick Command1\n"
     "menu BAS\ntype Text1 20",
     "frmTest_all", "click Command1", "permutation_stands-out.txt"},
    {"assignment with exclusion",
     "file ref_oaks.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
     "file test_trees.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
     "menu AssisgnmentGr\nchoose Option9\ntype Text2 50",
     "frmAssGr", "click Command2", "ref_oaks-out.txt"},
    {"self-assignment",
     "file ref_oaks.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
     "file test_trees.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
     "menu AssisgnmentGr",
     "frmAssGr", "click Command4", "ref_oaks-out.txt"},
};

TEST(RunStop, EveryLongRunStopsAtItsFirstOrLastProgressStepLeavingNoTrace) {
  for (const LongRun& r : kLongRuns) {
    // How many progress steps a whole run takes: the last one comes after the results are computed,
    // where some runs have already begun to write.
    long steps = 0;
    {
      StopSession s;
      s.run(r.prepare);
      s.services.steps = 0;
      s.run(std::string(r.start) + "\nexpect-window frmStart");
      steps = s.services.steps;
    }
    ASSERT_GE(steps, 1) << r.what << ": the run reports no progress, so it cannot be stopped";
    for (long stopAt : {1L, steps}) {
      SCOPED_TRACE(std::string(r.what) + ", stopped at step " + std::to_string(stopAt) + " of " + std::to_string(steps));
      StopSession s;
      s.run(r.prepare);
      const std::string before = s.result(r.result);
      const auto flags = flagsOf(s.app.model.flags);
      const Selection sel = s.app.model.sel;
      s.services.steps = 0;
      s.services.stopAt = stopAt;
      s.run(r.start);
      EXPECT_EQ(s.services.steps, stopAt) << "the run went on after the stop";
      EXPECT_EQ(s.services.pendingMessages(), 0u) << "a stop the user chose is not reported as a failure";
      EXPECT_EQ(s.result(r.result), before);
      EXPECT_EQ(flagsOf(s.app.model.flags), flags);
      EXPECT_EQ(s.app.model.sel.PopSel, sel.PopSel);
      EXPECT_EQ(s.app.model.sel.LocSel, sel.LocSel);
      EXPECT_FALSE(s.app.forms.busy());
      EXPECT_FALSE(s.services.stopRequested());
      // The window is still open and runs again to its end.
      s.services.stopAt = 0;
      s.run(std::string("expect-window ") + r.window + "\n" + r.start + "\nexpect-window frmStart");
      EXPECT_NE(s.result(r.result), before);
    }
  }
}

// A stop asked for after a run has ended does not stop the next one.
TEST(RunStop, ALeftOverRequestDoesNotStopTheNextRun) {
  StopSession s;
  s.run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5");
  s.services.requestStop();
  s.run("click Command1\nexpect-window frmStart");
  EXPECT_EQ(s.app.model.flags.AnalysisDone, 1);
}

TEST(RunStop, TheWindowsAreBusyExactlyWhileARunIsUnderWay) {
  StopSession s;
  s.run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5\ntick Check27\ntick Check16");
  EXPECT_FALSE(s.app.forms.busy());
  s.run("click Command1\nexpect-window frmStart");
  EXPECT_GE(s.services.steps, 1);
  EXPECT_EQ(s.services.busySteps, s.services.steps);
  EXPECT_FALSE(s.app.forms.busy());
}

}  // namespace
}  // namespace kiwora
