// The permutation tests as run objects: started without any window they give the record and the report
// the windows give, and a run's report reaches the result file whole or not at all, also when it tests
// several populations one after the other.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "permutation/permutation_run.h"
#include "platform/services.h"
#include "support/app_fixture.h"
#include "support/clicking_services.h"

namespace kiwora {
namespace {

using testing::readFile;

// The beech stands after an analysis with every statistic the three tests read; East is deselected, so
// the runs must work under the selection they are given.
struct Stands : testing::Program<testing::ClickingServices> {
  Stands() {
    dir.write("stands.txt", readFile(std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/permutation_stands.txt"));
    run("file stands.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check2\ntick Check7\ntick Check9\ntick Check10\n"
        "tick Check8\ntick Check3\ntick Check4\ntick Check11\ntick Check13\nclick Command1\nexpect-window frmStart");
    app.model.sel.PopSel[2] = 0;
  }
  std::string result() const { return readFile(dir.file("stands-out.txt")); }
};

// Starts a run object on what the model holds now and runs it to its end.
using RunOf = std::function<std::unique_ptr<PermutationRun>(const Model&, const RunContext&)>;

template <class R>
RunOf runOf() {
  return [](const Model& m, const RunContext& c) {
    auto run = std::make_unique<R>(m.ds, m.sel, m.perm, m.options, c);
    run->run();
    return run;
  };
}

TEST(PermutationRunObject, WithoutAWindowGivesTheReportOfTheWindow) {
  const struct {
    const char* what;
    const char* window;  // opens the window and sets its options
    const char* start;
    RunOf make;
    const char* lastProgress;
  } cases[] = {
      {"between two populations, one pair", "menu BTS\ntype Text1 60\nchoose Option2\npick List1 3 South\npick List2 1 North",
       "click Command2", runOf<TwoPopulationTestRun>(), "100 %"},
      {"between two populations, all pairs", "menu BTS\ntype Text1 60\nchoose Option3\nchoose Option5", "click Command2",
       runOf<TwoPopulationTestRun>(), "100 %"},
      {"within one population", "menu WS\ntype Text1 60\npick List1 3  - South", "click Command1", runOf<WithinTestRun>(),
       "Pop 3 100%"},
      {"within all populations", "menu WS\ntype Text1 60\ntick Check3", "click Command1", runOf<WithinTestRun>(), "Pop 4 100%"},
      {"among all populations", "menu BAS\ntype Text1 60", "click Command1", runOf<AmongTestRun>(), "100 %"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Stands s;
    s.run(c.window);
    const std::size_t before = s.result().size();
    s.run(std::string("seed 17\n") + c.start + "\nexpect-window frmStart");
    const std::string byWindow = s.result().substr(before);
    ASSERT_FALSE(byWindow.empty());

    // The same options, selection and seed, and no window: the run object alone.
    s.services.seed(17);
    std::string lastProgress;
    const RunContext context = runContextOf(s.services, [&](const std::string& text) { lastProgress = text; });
    const std::unique_ptr<PermutationRun> run = c.make(s.app.model, context);
    EXPECT_EQ(lastProgress, c.lastProgress);
    EXPECT_EQ(s.result().size(), before + byWindow.size()) << "only appendReport writes";
    const std::string own = s.dir.file("own.txt");
    ASSERT_EQ(run->appendReport(own, ResultFileMark{}).message(), "");
    EXPECT_EQ(readFile(own), byWindow);
    EXPECT_EQ(s.app.model.flags.Busy, 0);
  }
}

// The pair label follows the pair whose permutations the progress reports.
TEST(PermutationRunObject, TheTwoPopulationRunNamesThePairUnderTest) {
  Stands s;
  s.run("menu BTS\ntype Text1 30");
  std::vector<std::pair<int, int>> seen;
  RunContext context;
  TwoPopulationTestRun run(s.app.model.ds, s.app.model.sel, s.app.model.perm, s.app.model.options, context);
  context.progressSink = [&](const std::string&) {
    if (seen.empty() || seen.back() != run.pairUnderTest()) seen.push_back(run.pairUnderTest());
  };
  run.run();
  EXPECT_EQ(seen, run.pairs);
  EXPECT_EQ(run.pairs, (std::vector<std::pair<int, int>>{{1, 3}, {1, 4}, {3, 4}})) << "East is not selected";
}

// Testing every population, a stop in the second or a full disk leaves the result file as it was: the
// first population's block is not written on its own.
TEST(PermutationRunObject, SeveralPopulationsWithinAreOneWholeSection) {
  for (const bool stop : {true, false}) {
    SCOPED_TRACE(stop ? "stopped in the second population" : "the disk is full");
    Stands s;
    s.run("menu WS\ntype Text1 40\ntick Check3");
    const std::string before = s.result();
    TextBox& progress = s.window("frmWTest").get<TextBox>("Text2");
    s.services.duringEvents = [&] {
      if (stop && progress.text().rfind("Pop 3 ", 0) == 0) s.services.requestStop();
    };
    if (stop) {
      s.run("click Command1\nexpect-window frmWTest");
      EXPECT_EQ(s.app.model.perm.TestPop1, 3) << "the options name the population the run came to";
    } else {
      testing::FileSizeLimit full(before.size() + 200);
      s.run("click Command1");
    }
    if (!stop) s.run("expect-message The results could not be written to");
    EXPECT_TRUE(s.result() == before) << "the result file grew by " << s.result().size() - before.size() << " bytes";
    EXPECT_EQ(s.app.model.flags.Busy, 0);
    EXPECT_EQ(s.app.model.sel.PopSel, (Vec1<int>{0, 1, 0, 1, 1}));
  }
}

// The data file opened afresh by another copy of the program while a run is under way: its new result
// file, though it holds the same bytes, is not the file the run began in, and the run's section does not
// go under that load's header. The population analysis and the three tests alike.
TEST(PermutationRunObject, ARunDoesNotWriteUnderTheHeaderOfALoadMadeDuringIt) {
  const struct {
    const char* what;
    const char* run;
  } cases[] = {
      {"population analysis", "menu Diploid\ntick Check27\nclick Command1"},
      {"between two populations", "menu BTS\ntype Text1 60\nchoose Option3\nchoose Option5\nclick Command2"},
      {"within all populations", "menu WS\ntype Text1 60\ntick Check3\nclick Command1"},
      {"among all populations", "menu BAS\ntype Text1 60\nclick Command1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Stands s;
    const std::string path = s.dir.file("stands-out.txt");
    const std::string restarted = s.result();
    bool done = false;
    s.services.duringEvents = [&] {
      if (done) return;
      done = true;
      std::filesystem::rename(s.dir.write("new.txt", restarted), path);
    };
    s.run(c.run);
    s.services.duringEvents = nullptr;
    ASSERT_TRUE(done) << "the run let no events through";
    EXPECT_TRUE(s.result() == restarted) << s.result().size() - restarted.size() << " bytes went under the new header";
    s.run("expect-message The result file " + path + " was started afresh");
  }
}

}  // namespace
}  // namespace kiwora
