// Runs that are too large for the memory or that fail half-way leave the program usable and the data
// as they were.
#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "analysis/population_analysis.h"
#include "model/run_memory.h"
#include "support/app_fixture.h"
#include "ui/busy_guard.h"
#include "ui/guarded_run.h"

namespace kiwora {
namespace {

using testing::kDemoFile;

TEST(RunMemory, RefusesAboveTheLimitNamingTheLargestNeed) {
  const double gb = 1024.0 * 1024 * 1024;
  const struct { std::vector<TableNeed> needs; const char* message; } cases[] = {
      {{}, ""},
      {{{3 * gb, "a"}, {1 * gb, "b"}}, ""},  // exactly at the limit
      {{{3 * gb, "a"}, {1.5 * gb, "the big one"}},
       "This run would need about 4.5 GB of memory for its tables, more than the 4.0 GB the program allows; "
       "3.0 GB of it for a. Nothing was calculated; the data are unchanged."},
      {{{1e300, "absurd counts"}, {1e300, "more"}}, "absurd counts"},
  };
  for (const auto& c : cases) {
    const std::string m = memoryRefusal(c.needs).message();
    if (std::string(c.message).empty()) EXPECT_EQ(m, "");
    else EXPECT_NE(m.find(c.message), std::string::npos) << m;
  }
}

TEST(RunMemory, TheAnalysisCountsItsPairAndSimulationTables) {
  Model m;
  m.ds.NPop = 12000;
  m.ds.NLoci = 2;
  m.ds.MaxAllele = 4;
  m.ds.NInd = makeVec1<int>(12000, 1);
  AnalysisOptions o;
  const auto refusal = [&] { return memoryRefusal(analysisTableNeeds(m, o)).message(); };
  EXPECT_NE(refusal().find("for the tables of every two of 12000 populations"), std::string::npos);
  m.ds.NPop = 3;
  m.ds.NInd = makeVec1<int>(3, 10);
  EXPECT_EQ(refusal(), "");
  o.FlagKinship = o.FlagSimulateCI = 1;
  o.NSim = 5000;
  EXPECT_EQ(refusal(), "");
  o.NSim = 2'000'000'000;
  EXPECT_NE(refusal().find("\"N Sim\" 2000000000 simulations for each of 3 populations"), std::string::npos);
  o.FlagSimulateCI = 0;  // no simulation, no simulation table
  EXPECT_EQ(refusal(), "");
  // The two-locus table keeps a row for every two selected loci until the report prints it.
  m.ds.NLoci = 20000;
  m.sel.LocSel = makeVec1<int>(20000, 1);
  o.FlagTwoLocus = 1;
  EXPECT_NE(refusal().find("\"Two-Locus-Analysis\" of every two of 20000 selected loci"), std::string::npos);
  m.sel.LocSel = makeVec1<int>(20000, 0);
  for (int l = 1; l <= 2000; ++l) m.sel.LocSel[static_cast<std::size_t>(l)] = 1;
  EXPECT_EQ(refusal(), "");
}

// Frequencies keep cells only for the codes a locus carries, so large codes alone are no reason to refuse.
TEST(RunMemory, LargeAlleleCodesCountOnlyTheCodesCarried) {
  Model m;
  m.ds.NPop = 300;
  m.ds.NLoci = 100;
  m.ds.MaxAllele = 90001;
  m.ds.NInd = makeVec1<int>(300, 2);
  m.ds.Allele.resize(300, 100, m.ds.NInd);
  for (int p = 1; p <= 300; ++p)
    for (int l = 1; l <= 100; ++l) {
      m.ds.Allele.a1(p, l, 1) = 1;
      m.ds.Allele.a2(p, l, 1) = 90001;
      m.ds.Allele.a1(p, l, 2) = m.ds.Allele.a2(p, l, 2) = kMissing;
    }
  EXPECT_EQ(memoryRefusal(analysisTableNeeds(m, AnalysisOptions{})).message(), "");
}

class RunGuard : public testing::AppFixture {
 protected:
  void open(const std::string& data) {
    dir.write("data.txt", data);
    run("file data.txt\nmenu OpenPopGen\nmenu Diploid\nexpect-window frmDiplo");
  }
};

// Many populations at many loci in a small file: the distance tables alone would take about 6 GB.
TEST_F(RunGuard, ALargeDataSetIsRefusedBeforeTheRunAndStaysLoaded) {
  std::string data = "Wide\n12000,2,2\nL1\nL2\n";
  for (int p = 1; p <= 12000; ++p) data += "P" + std::to_string(p) + ",0,0\n1,2,1,2\n" + (p == 12000 ? "END\n" : "\n");
  open(data);
  run("tick Check9\nclick Command1");
  const std::string m = *services.takeMessage();
  EXPECT_NE(m.find("of it for the tables of every two of 12000 populations."), std::string::npos) << m;
  run("expect-window frmDiplo\nclick Command2\nexpect-window frmStart\nexpect-enabled Analysis");
  EXPECT_EQ(model().ds.NPop, 12000);
  EXPECT_EQ(model().flags.DataLoaded, 1);
  EXPECT_EQ(model().flags.AnalysisDone, 0);
  EXPECT_EQ(model().flags.Busy, 0);
}

// Services that throw when asked for the decimal sign or to process events while armed (every run does
// one or the other), standing in for any failure inside a run.
class FailingServices : public ScriptedServices {
 public:
  char decimalSign() override {
    if (armed) throw std::runtime_error("the disk went away");
    return ScriptedServices::decimalSign();
  }
  void doEvents() override {
    if (armed) throw std::runtime_error("the disk went away");
  }
  bool armed = false;
};

// A program on the FailingServices, driven line by line.
struct FailingSession {
  testing::TempDir dir;
  FailingServices services;
  App app{services};
  std::ostringstream log;
  ScriptPlayer player{app, services, log, dir.path()};
  FailingSession() {
    registerWindows(app);
    startProgram(app);
  }
  void run(const std::string& lines) {
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line)) ASSERT_TRUE(player.execute(line).ok) << line << "\n" << log.str();
  }
};

TEST(RunGuardThrown, AFailedRunShowsAMessageClearsBusyAndTheGuardAndSetsNoSuccess) {
  testing::Program<FailingServices> p;
  testing::TempDir& dir = p.dir;
  FailingServices& services = p.services;
  App& app = p.app;
  auto run = [&p](const std::string& lines) { p.run(lines); };
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5\nclick Command1\nexpect-window frmStart");
  ASSERT_EQ(app.model.flags.AnalysisDone, 1);
  const DataSet before = app.model.ds;

  run("menu Diploid\ntick Check9");
  services.armed = true;
  run("click Command1");
  run("expect-message The run was stopped: the disk went away. The loaded data are unchanged.");
  EXPECT_EQ(app.model.flags.Busy, 0);
  EXPECT_EQ(app.model.flags.AnalysisDone, 0);  // the earlier results are half overwritten: none is offered
  EXPECT_EQ(app.model.ds.Allele, before.Allele);
  EXPECT_EQ(app.model.ds.NPop, before.NPop);
  EXPECT_EQ(app.analysis.alleles.AlleleFreq.n1(), 0) << "no half-built table remains";
  // Both buttons work again: Calculate runs once the failure is gone, and Go back returns.
  services.armed = false;
  run("expect-window frmDiplo\nclick Command1\nexpect-window frmStart\nexpect-enabled Results");
  EXPECT_EQ(app.model.flags.AnalysisDone, 1);
  run("menu Diploid\nclick Command2\nexpect-window frmStart");

  // A reader that fails keeps the loaded data: here the failure comes from inside the guarded body.
  bool guard = true;
  {
    BusyGuard busy(app.model.flags, app.model.sel);
    EXPECT_FALSE(runGuarded(app, [] { throw std::bad_alloc(); }, &guard));
    EXPECT_FALSE(guard);
  }
  EXPECT_EQ(app.model.flags.Busy, 0);
  EXPECT_EQ(*services.takeMessage(), "The run was stopped: there is not enough memory for it. The loaded data are unchanged.");
  // Under a memory limit a thread gets no stack: the system's EAGAIN (or ENOMEM) is the memory too. Any
  // other system error keeps its own words.
  const struct {
    int code;
    const char* why;
  } systemErrors[] = {{EAGAIN, "there is not enough memory for it"}, {ENOMEM, "there is not enough memory for it"}};
  for (const auto& e : systemErrors) {
    EXPECT_FALSE(runGuarded(app, [&] { throw std::system_error(e.code, std::generic_category()); }));
    EXPECT_EQ(*services.takeMessage(), std::string("The run was stopped: ") + e.why + ". The loaded data are unchanged.");
  }
  EXPECT_FALSE(runGuarded(app, [] { throw std::system_error(EPERM, std::generic_category(), "no thread"); }));
  EXPECT_NE(services.takeMessage()->find("no thread"), std::string::npos);
  EXPECT_TRUE(runGuarded(app, [] {}));
  // An unanswered file dialog is the script's fault and still reaches the player.
  EXPECT_THROW(runGuarded(app, [&] { services.openFileDialog("x"); }), NoDialogAnswer);
}

// The permutation-test windows: a run that throws leaves the window usable, Busy clear and the
// selection as it was, and appends nothing.
TEST(RunGuardThrown, PermutationTestWindowsRecoverFromAFailedRun) {
  const struct { const char* menu; const char* window; const char* setup; } tests[] = {
      {"WS", "frmWTest", "pick List1 2  - East"},
      {"BAS", "frmTest_all", ""},
  };
  for (const auto& t : tests) {
    FailingSession s;
    s.dir.write("stands.txt", testing::readFile(std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/permutation_stands.txt"));
    s.run("file stands.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check8\ntick Check11\ntick Check13\nclick Command1");
    const std::string before = testing::readFile(s.dir.file("stands-out.txt"));
    const Selection sel = s.app.model.sel;
    s.run(std::string("menu ") + t.menu + "\n" + t.setup + "\ntype Text1 20");
    s.services.armed = true;
    s.run("click Command1");
    s.services.armed = false;
    s.run("expect-message The run was stopped: the disk went away.\nexpect-window " + std::string(t.window));
    EXPECT_EQ(s.app.model.flags.Busy, 0) << t.window;
    EXPECT_EQ(s.app.model.sel.PopSel, sel.PopSel) << t.window;
    EXPECT_EQ(testing::readFile(s.dir.file("stands-out.txt")), before) << t.window;
    s.run("click Command1\nexpect-window frmStart");  // runs again, and returns
    EXPECT_NE(testing::readFile(s.dir.file("stands-out.txt")), before) << t.window;
  }
}

// The test between two populations and the assignment: the same recovery.
TEST(RunGuardThrown, TwoPopulationTestAndAssignmentRecoverFromAFailedRun) {
  const std::string scripts = std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/";
  const struct { const char* window; const char* prepare; const char* run; const char* result; } cases[] = {
      {"frmTest", "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check9\nclick Command1\nmenu BTS\ntype Text1 20",
       "click Command2", "demo-out.txt"},
      {"frmAssGr",
       "file ref_oaks.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
       "file test_trees.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
       "menu AssisgnmentGr\ntype Text2 20",
       "click Command2", "ref_oaks-out.txt"},
  };
  for (const auto& c : cases) {
    FailingSession s;
    for (const char* f : {"demo.txt", "ref_oaks.txt", "test_trees.txt"}) s.dir.write(f, testing::readFile(scripts + f));
    s.run(c.prepare);
    const std::string before = testing::readFile(s.dir.file(c.result));
    s.services.armed = true;
    s.run(c.run);
    s.services.armed = false;
    s.run("expect-message The run was stopped: the disk went away.\nexpect-window " + std::string(c.window));
    EXPECT_EQ(s.app.model.flags.Busy, 0) << c.window;
    EXPECT_EQ(s.app.model.flags.AssignRunDone, 0) << c.window;
    s.run(std::string(c.run) + "\nexpect-window frmStart");  // runs again, and returns
    EXPECT_NE(testing::readFile(s.dir.file(c.result)), before) << c.window;
  }
}

// Services that note, at each chance to process events, whether the widget model says a run is under way.
class WatchingServices : public ScriptedServices {
 public:
  void doEvents() override {
    ScriptedServices::doEvents();
    if (forms) seen.push_back(forms->busy());
  }
  const Forms* forms = nullptr;
  std::vector<bool> seen;
};

TEST(BusyState, FrontEndsSeeARunUnderWayThroughTheWidgetModel) {
  testing::Program<WatchingServices> p;
  testing::TempDir& dir = p.dir;
  WatchingServices& services = p.services;
  App& app = p.app;
  services.forms = &app.forms;
  auto run = [&p](const std::string& lines) { p.run(lines); };
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check8\ntick Check11\ntick Check13\nclick Command1");
  EXPECT_FALSE(app.forms.busy());
  // The tests within and among populations show their progress while busy, and neither leaves the
  // program busy.
  for (const char* action : {"menu WS\nclick Command1", "menu BAS\nclick Command1"}) {
    services.seen.clear();
    run(std::string(action) + "\nexpect-window frmStart");
    ASSERT_FALSE(services.seen.empty()) << action;
    EXPECT_EQ(std::count(services.seen.begin(), services.seen.end(), false), 0) << action;
    EXPECT_FALSE(app.forms.busy()) << action;
  }
}

// The test among all populations keeps every permutation's row: a count too large is refused up front.
TEST_F(RunGuard, TooManyPermutationsAreRefusedBeforeTheRun) {
  dir.write("stands.txt", testing::readFile(std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/permutation_stands.txt"));
  run("file stands.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check11\ntick Check13\nclick Command1");
  run("menu BAS\ntype Text1 2000000000\nclick Command1");
  const std::string m = *services.takeMessage();
  EXPECT_NE(m.find("\"Number of permutations\" 2000000000 with "), std::string::npos) << m;
  run("expect-window frmTest_all\ntype Text1 10\nclick Command1\nexpect-window frmStart");
  EXPECT_EQ(model().flags.Busy, 0);
}

}  // namespace
}  // namespace kiwora
