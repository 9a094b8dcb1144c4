// The self-assignment run from the assignment window, and the assignment run that follows it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/app_fixture.h"
#include "support/clicking_services.h"
#include "support/golden.h"

namespace kiwora {
namespace {

using testing::expectGolden;
using testing::expectNoBrokenNumbers;
using testing::readFile;

std::string scriptFile(const std::string& name) { return std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/" + name; }

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

class SelfAssignRun : public testing::AppFixture {
 protected:
  void SetUp() override {
    dir.write("ref.txt", readFile(scriptFile("self_ref_4x8.txt")));
    dir.write("test.txt", readFile(scriptFile("self_test_2groups.txt")));
    run("file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
        "file test.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
        "seed 18");
  }
  std::string resultPath() { return dir.file("ref-out.txt"); }
  // The result file with the temporary folder replaced, so the file lines are stable.
  std::string result() {
    std::string s = readFile(resultPath());
    for (std::size_t at; (at = s.find(dir.path())) != std::string::npos;) s.replace(at, dir.path().size(), "<dir>");
    return s;
  }
  void selfAssign(const std::string& settings) {
    run("menu AssisgnmentGr\n" + settings + "\nclick Command4\nexpect-window frmStart");
  }
};

TEST_F(SelfAssignRun, EachMethodThenGroupsIntoOneResultFile) {
  std::vector<std::string> progress;
  // Changed loci are listed once: by the header of the new file, later by the next report.
  model().flags.LociChanged = 1;
  selfAssign("choose Option1");
  for (const char* m : {"Option2", "Option10", "Option11"}) selfAssign(std::string("choose ") + m);
  // Groups of three: the run seed and a stream per test fix the draws.
  model().flags.LociChanged = 1;
  run("menu AssisgnmentGr\nchoose Option2\ntype Text4 3\ntype Text5 25");
  app.forms.find("frmAssGr")->get<TextBox>("Text6").onChange = [&] {
    progress.push_back(app.forms.find("frmAssGr")->get<TextBox>("Text6").text());
  };
  run("click Command4\nexpect-window frmStart");
  const std::string out = result();
  expectGolden(out, "self-assign-4x8.txt");
  expectNoBrokenNumbers(out);
  EXPECT_EQ(count(out, "Results of Self-Assignment"), 5u);
  EXPECT_EQ(count(out, "List of Reference Populations"), 1u);  // the header only once
  EXPECT_EQ(count(out, "List of Selected Loci"), 2u);
  EXPECT_EQ(model().flags.LociChanged, 0);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), "100 %");
  EXPECT_EQ(model().flags.AssignRunDone, 1);
  EXPECT_EQ(model().flags.AssignReRead, 1);
  EXPECT_EQ(model().flags.Busy, 0);
}

TEST_F(SelfAssignRun, LoadedTestGroupsAndReferenceGenotypesStayAsTheyWere) {
  const TestGroups groups = model().test;
  const GenotypeData genotypes = model().ds.Allele;
  selfAssign("type Text4 2\ntype Text5 10");
  EXPECT_EQ(model().test.NTestGr, groups.NTestGr);
  EXPECT_EQ(model().test.TestGrName, groups.TestGrName);
  EXPECT_EQ(model().test.NTestInd, groups.NTestInd);
  EXPECT_TRUE(model().test.TestAllele == groups.TestAllele);
  EXPECT_TRUE(model().test.SimAllele == groups.SimAllele);
  EXPECT_TRUE(model().ds.Allele == genotypes);
}

TEST_F(SelfAssignRun, RunsThatCannotTestWriteNothingAndSetNoFlag) {
  const struct {
    const char* what;
    std::string settings;
    std::string message;
  } cases[] = {
      {"group larger than every population", "type Text4 9",
       "Not enough individuals in population - North - for group selection!"},
      // Loc_C deselected below: two bi-parental loci left, three requested.
      {"no individual with three complete loci", "type Text4 1\ntype Text9 3", "No individual can be self-assigned"},
  };
  model().sel.LocSel[3] = 0;
  for (const auto& c : cases) {
    run("menu AssisgnmentGr\n" + c.settings + "\nclick Command4");
    ASSERT_EQ(services.pendingMessages(), 1u) << c.what;
    const std::string m = *services.takeMessage();
    EXPECT_EQ(m.rfind(c.message, 0), 0u) << c.what << ": " << m;
    EXPECT_FALSE(std::filesystem::exists(resultPath())) << c.what;
    EXPECT_EQ(model().flags.AssignRunDone, 0) << c.what;
    EXPECT_EQ(model().flags.AssignReRead, 0) << c.what;
    EXPECT_EQ(model().flags.Busy, 0) << c.what;
    EXPECT_EQ(app.forms.active()->name(), "frmAssGr") << c.what;
    run("click Command1");
  }
}

TEST_F(SelfAssignRun, PopulationWithoutTestPrintsADash) {
  // West loses Loc_A in every member, so with three complete loci requested none of its members is
  // tested; South and East each have one member with a missing allele.
  for (int i = 1; i <= 8; ++i) model().ds.Allele.a1(4, 1, i) = -1;
  selfAssign("type Text9 3");
  const std::string out = result();
  EXPECT_NE(out.find("Number of Tests                              = 22"), std::string::npos);
  const std::size_t row = out.find("\r\n   West ");
  ASSERT_NE(row, std::string::npos);
  const std::string line = out.substr(row + 2, out.find("\r\n", row + 2) - row - 2);
  EXPECT_EQ(line.substr(29), " 8                   0                  -") << line;
  // Its details are undefined too; the other populations' details are not.
  const std::size_t details = out.find("West" + std::string(30, ' ') + "% assigned to");
  ASSERT_NE(details, std::string::npos);
  EXPECT_NE(out.find("North" + std::string(29, ' ') + "-\r\n", details), std::string::npos);
}

TEST_F(SelfAssignRun, AssignmentAfterSelfAssignmentReadsTheGroupsAgainAndWritesTheHeader) {
  selfAssign("");
  // The file was edited meanwhile: the run scores the groups as the file has them now.
  dir.write("test.txt", "Edited groups\r\n1,3,5\r\nLoc_A\r\nLoc_B\r\nLoc_C\r\nRenamed,0,0\r\n1,1,2,2,4,4\r\nEND\r\n");
  run("menu AssisgnmentGr\nclick Command2\nexpect-window frmStart");
  const std::string out = result();
  EXPECT_EQ(count(out, "List of Test Groups"), 1u);
  EXPECT_NE(out.find("1. Renamed"), std::string::npos);
  EXPECT_EQ(model().test.NTestGr, 1);
  EXPECT_EQ(model().flags.AssignReRead, 0);
  // A second assignment does not read or write the header again.
  run("menu AssisgnmentGr\nclick Command2\nexpect-window frmStart");
  EXPECT_EQ(count(result(), "List of Test Groups"), 1u);
}

TEST_F(SelfAssignRun, EditedGroupFileThatNoLongerFitsIsRefusedAtTheReRead) {
  selfAssign("");
  const std::string before = readFile(resultPath());
  const TestGroups groups = model().test;
  const Selection selection = model().sel;
  dir.write("test.txt", "Other loci\r\n1,2,5\r\nLoc_A\r\nLoc_X\r\nG,0,0\r\n1,1,2,2\r\nEND\r\n");
  run("menu AssisgnmentGr\nclick Command2");
  ASSERT_EQ(services.pendingMessages(), 1u);
  EXPECT_EQ(services.takeMessage()->rfind("This file with test groups is not compatible with the reference file!", 0), 0u);
  EXPECT_EQ(app.forms.active()->name(), "frmAssGr");
  EXPECT_EQ(readFile(resultPath()), before);
  EXPECT_EQ(model().test.TestGrName, groups.TestGrName);
  EXPECT_TRUE(model().test.TestAllele == groups.TestAllele);
  EXPECT_EQ(model().sel.LocSel, selection.LocSel);
  EXPECT_EQ(model().flags.AssignReRead, 1);  // the next run tries again
  EXPECT_EQ(model().flags.Busy, 0);
}

TEST(AssignmentWindowRuns, ClicksDuringEitherRunDoNothing) {
  // Each run lets events through while it works; meanwhile the user clicks the other run, "Go back", a
  // method and types a count. Only the run that was started runs, once, with the options it started with.
  const struct {
    const char* started;
    const char* other;
    const char* ownSection;
    const char* otherSection;
  } cases[] = {
      {"Command2", "Command4", "Results of group Assignment/Exlusion", "Results of Self-Assignment"},
      {"Command4", "Command2", "Results of Self-Assignment", "Results of group Assignment/Exlusion"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.started);
    testing::Program<testing::ClickingServices> p;
    p.dir.write("ref.txt", readFile(scriptFile("self_ref_4x8.txt")));
    p.dir.write("test.txt", readFile(scriptFile("self_test_2groups.txt")));
    p.run("file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
          "file test.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
          "seed 18\nmenu AssisgnmentGr");
    Window& w = p.window("frmAssGr");
    const AssignmentOptions before = p.app.model.assignOptions;
    int clicks = 0;
    p.services.duringEvents = [&] {
      ++clicks;
      w.get<Button>(c.other).click();
      w.get<Button>(c.started).click();
      w.get<Button>("Command1").click();
      w.get<OptionButton>("Option2").setValue(true);
      w.get<TextBox>("Text2").setText("7");
    };
    w.get<Button>(c.started).click();
    p.services.duringEvents = nullptr;
    EXPECT_GT(clicks, 0);
    EXPECT_EQ(p.app.forms.active()->name(), "frmStart");
    EXPECT_EQ(p.app.model.flags.Busy, 0);
    EXPECT_EQ(p.app.model.assignOptions.AssMethod, before.AssMethod);
    EXPECT_EQ(p.app.model.assignOptions.NSimGroups, before.NSimGroups);
    const std::string out = readFile(p.dir.file("ref-out.txt"));
    EXPECT_EQ(count(out, c.ownSection), 1u);
    EXPECT_EQ(count(out, c.otherSection), 0u);
    EXPECT_EQ(p.services.pendingMessages(), 0u);
    // The window answers again once the run is over.
    p.run("menu AssisgnmentGr\nclick " + std::string(c.other) + "\nexpect-window frmStart");
    EXPECT_EQ(count(readFile(p.dir.file("ref-out.txt")), c.otherSection), 1u);
  }
}

}  // namespace
}  // namespace kiwora
