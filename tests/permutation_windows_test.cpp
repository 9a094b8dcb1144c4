// The windows "Test within populations" and "Test among all populations" as a user drives them: refused
// choices, one run at a time, what the runs leave behind, and the sections they append (pinned by a
// golden file, the same with one and eight threads).
// To rewrite the golden after an intended change: KIWORA_UPDATE_GOLDEN=1 ./kiwora_tests --gtest_filter='PermutationGolden*'
#include <gtest/gtest.h>

#include <sstream>

#include "base/worker_pool.h"
#include "support/app_fixture.h"
#include "support/clicking_services.h"
#include "support/golden.h"

namespace kiwora {
namespace {

using testing::readFile;

std::string sourceFile(const std::string& rel) { return readFile(std::string(KIWORA_SOURCE_DIR) + "/" + rel); }

// A program of its own on the beech stands, with a temporary folder.
struct Session : testing::Program<testing::ClickingServices> {
  std::string out;

  Session() {
    dir.write("stands.txt", sourceFile("tests/scripts/permutation_stands.txt"));
    out = dir.file("stands-out.txt");
  }
  // Loads the stands and runs an analysis with the given boxes ticked.
  void analyse(const std::string& ticks) {
    run("file stands.txt\nmenu OpenPopGen\nmenu Diploid\n" + ticks + "\nclick Command1\nexpect-window frmStart");
  }
  std::string result() const { return readFile(out); }
};

constexpr const char* kWithinTicks = "tick Check8\ntick Check3\ntick Check4";
constexpr const char* kAmongTicks = "tick Check11\ntick Check13";

TEST(PermutationWindows, RefusedChoicesRunNothing) {
  Session s;
  s.analyse(std::string(kWithinTicks) + "\n" + kAmongTicks);
  const std::string before = s.result();

  // No population chosen and "Test all populations" not ticked; then a chosen population that the data
  // no longer have.
  s.run("menu WS\nuntick Check3\nclick Command1\nexpect-message Please, select population!\nexpect-window frmWTest");
  s.app.model.perm.TestPop1 = 9;
  s.run("click Command1\nexpect-message Please, select population!\nexpect-window frmWTest");

  // A result file that cannot be written: a message, no run.
  s.app.model.ds.OutFileName = s.dir.path();
  s.run("pick List1 2  - East\nclick Command1\nexpect-message The result file\nexpect-window frmWTest");
  s.run("click Command2\nmenu BAS\nclick Command1\nexpect-message The result file\nexpect-window frmTest_all");
  s.app.model.ds.OutFileName = s.out;
  EXPECT_EQ(s.app.model.flags.Busy, 0);

  // Fewer than two selected populations.
  for (int p = 2; p <= 4; ++p) s.app.model.sel.PopSel[static_cast<std::size_t>(p)] = 0;
  s.run("click Command1\nexpect-message Select at least two populations\nexpect-window frmTest_all");
  EXPECT_EQ(s.result(), before);
  EXPECT_EQ(s.services.pendingMessages(), 0u);
}

TEST(PermutationWindows, OptionsOutliveLoadsAndAnalysisRuns) {
  Session s;
  s.analyse(kWithinTicks);
  s.run("menu WS\ntype Text1 10000\npick List1 3  - South\nclick Command2\nexpect-window frmStart");
  PermutationOptions& o = s.app.model.perm;
  o.PermUnit = 3;  // as the window of the test between two populations leaves them
  o.SampleSizeMode = 2;
  o.TestPop2 = 4;
  const auto same = [&](const char* after) {
    SCOPED_TRACE(after);
    EXPECT_EQ(o.NPerm, 10000);
    EXPECT_EQ(o.TestAllPops, 0);
    EXPECT_EQ(o.TestPop1, 3);
    EXPECT_EQ(o.TestPop2, 4);
    EXPECT_EQ(o.PermUnit, 3);
    EXPECT_EQ(o.SampleSizeMode, 2);
  };
  s.run("file stands.txt\nmenu OpenPopGen");
  same("an input load");
  s.analyse(kWithinTicks);
  same("a load and an analysis run");
  s.run("menu WS");
  EXPECT_EQ(s.app.forms.find("frmWTest")->get<TextBox>("Text1").text(), "10000");
  same("opening the window again");
}

TEST(PermutationWindows, WithinPermutationRowsBeyondTheMemoryLimitAreRefused) {
  Session s;
  s.analyse(kWithinTicks);
  const std::string before = s.result();
  // Every permutation keeps its fixation index per locus until the shares are counted.
  s.run("menu WS\ntype Text1 2000000000\nclick Command1\nexpect-message This run would need about\n"
        "expect-window frmWTest");
  EXPECT_NE(s.services.messages().back().find("\"No. permutations\" 2000000000"), std::string::npos);
  EXPECT_EQ(s.result(), before);
  EXPECT_EQ(s.app.model.flags.Busy, 0);
  s.run("type Text1 20\nclick Command1\nexpect-window frmStart");
  EXPECT_NE(s.result().find("Results of Numerical Tests", before.size()), std::string::npos);
}

TEST(PermutationWindows, ClicksDuringARunDoNothing) {
  for (const char* test : {"WS", "BAS"}) {
    SCOPED_TRACE(test);
    Session s;
    s.analyse(std::string(kWithinTicks) + "\n" + kAmongTicks);
    s.run(std::string("menu ") + test + "\ntype Text1 300");
    const bool within = std::string(test) == "WS";
    if (within) s.run("pick List1 3  - South");
    Window& w = s.window(within ? "frmWTest" : "frmTest_all");
    const Selection selection = s.app.model.sel;
    const std::size_t before = s.result().size();

    int clicks = 0;
    s.services.duringEvents = [&] {
      ++clicks;
      if (within) {
        w.get<ListBox>("List1").clickItem(0);
        w.get<CheckBox>("Check3").setValue(1 - w.get<CheckBox>("Check3").value());
      }
      w.get<TextBox>("Text1").setText("7");
      w.get<Button>("Command1").click();
      w.get<Button>("Command2").click();
      // The selection changed under the run comes back as it was.
      s.app.model.sel.PopSel[1] = 0;
    };
    w.get<Button>("Command1").click();
    s.services.duringEvents = nullptr;
    EXPECT_GT(clicks, 1);
    EXPECT_EQ(s.app.forms.active()->name(), "frmStart");
    EXPECT_EQ(s.app.model.perm.NPerm, 300);
    if (within) {
      EXPECT_EQ(s.app.model.perm.TestAllPops, 0);
      EXPECT_EQ(s.app.model.perm.TestPop1, 3);
    }
    EXPECT_EQ(s.app.model.sel.PopSel, selection.PopSel);
    // One section of one run: one population, or one table of 300 rows.
    const std::string added = s.result().substr(before);
    const std::string marker = within ? "Results of Numerical Tests" : "Results of Permutations";
    EXPECT_EQ(added.find(marker), added.rfind(marker));
    if (within) EXPECT_NE(added.find("Tested Population     = South"), std::string::npos);
    else EXPECT_NE(added.find("\r\n300;"), std::string::npos);
    EXPECT_EQ(s.services.pendingMessages(), 0u);
  }
}

TEST(PermutationWindows, TestAmongPopulationsLeavesTheAnalysisAsItWas) {
  Session s;
  // Population 4 out of the selection: it takes no part anywhere.
  s.run("file stands.txt\nmenu OpenPopGen\nmenu Es\npick List1 4 - West\nclick Command1\nclick Command3");
  s.run("menu Diploid\ntick Check5\ntick Check2\ntick Check8\ntick Check9\ntick Check10\ntick Check11\ntick Check13\n"
        "tick Check4\ntick Check7\nclick Command1\nexpect-window frmStart");
  const std::size_t firstReport = s.result().size();
  s.run("file before.csv\nmenu OutPutPast");
  const GenotypeData genotypes = s.app.model.ds.Allele;
  const Vec1<double> djLoc = s.app.analysis.diff.DjLoc;

  s.run("menu BAS\ntype Text1 30\nseed 2\nclick Command1\nexpect-window frmStart");
  const std::string afterTest = s.result();
  EXPECT_NE(afterTest.find("Per, Dj(Fagus_1), Dj(Fagus_2), Dj(Fagus_3), Dj_T"), std::string::npos);
  EXPECT_EQ(s.app.model.ds.Allele, genotypes);
  EXPECT_EQ(s.app.analysis.diff.DjLoc, djLoc);
  s.run("file after.csv\nmenu OutPutPast");
  EXPECT_EQ(readFile(s.dir.file("after.csv")), readFile(s.dir.file("before.csv")));

  // A new analysis report reads as the first one did (from its first section on: the selection header is
  // printed only after a change of the selection).
  s.run("menu Diploid\nclick Command1\nexpect-window frmStart");
  const std::string all = s.result();
  const std::string firstSection = "   #####  ALLELE FREQUENCIES";
  const std::size_t first = all.find(firstSection);
  const std::size_t again = all.find(firstSection, afterTest.size());
  ASSERT_LT(first, firstReport);
  ASSERT_NE(again, std::string::npos);
  EXPECT_EQ(all.substr(again), all.substr(first, firstReport - first));
}

// The within test on one population and the among test, each seeded, after an analysis.
std::string seededRuns(int threads) {
  setWorkerThreads(threads);
  Session s;
  s.analyse(std::string(kWithinTicks) + "\n" + kAmongTicks);
  const std::size_t start = s.result().size();
  s.run("menu WS\ntype Text1 200\npick List1 2  - East\nseed 5\nclick Command1\nexpect-window frmStart");
  s.run("menu WS\ntick Check3\nseed 6\nclick Command1\nexpect-window frmStart");
  s.run("menu BAS\ntype Text1 25\nseed 7\nclick Command1\nexpect-window frmStart");
  setWorkerThreads(0);
  return s.result().substr(start);
}

TEST(PermutationGolden, SeededRunsAreTheSameWithOneOrEightThreads) {
  const std::string one = seededRuns(1);
  EXPECT_EQ(seededRuns(8), one);
  testing::expectNoBrokenNumbers(one);
  testing::expectGolden(one, "permutation-within-among.txt");
}

}  // namespace
}  // namespace kiwora
