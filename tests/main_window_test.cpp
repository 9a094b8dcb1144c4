#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "files/result_file.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

class MainWindow : public testing::AppFixture {};

TEST(ResultFileName, ReplacesDotsInTheFileNameOnly) {
  const struct { const char* in; const char* out; } cases[] = {
      {"/data/oak.txt", "/data/oak-out.txt"},
      {"/data/oak.2020.txt", "/data/oak-out.2020-out.txt"},
      {"/data/oak.2020/pines.txt", "/data/oak.2020/pines-out.txt"},
      {"/data/oak.2020/pines", "/data/oak.2020/pines-out"},
      {"pines", "pines-out"},
  };
  for (const auto& c : cases) EXPECT_EQ(resultFileName(c.in), c.out) << c.in;
}

TEST_F(MainWindow, StartsWithTheDataMenusDisabled) {
  run("expect-window frmStart");
  for (const char* off : {"Analysis", "Results", "Test", "Save_As_Kiwora", "Save_AS_Tarn", "Mode_inheritance"})
    run(std::string("expect-disabled ") + off);
  for (const char* on : {"OpenPopGen", "OpenRefFile", "OpenTestFile", "importTable", "End", "FormatAscii", "about"})
    run(std::string("expect-enabled ") + on);
  EXPECT_NE(refused("menu Diploid"), "");
}

// The header block is lines 1 to 17 and nothing else: no line 9 of text, no lines about the makers.
TEST_F(MainWindow, TheResultHeaderBlockHasItsSeventeenLines) {
  const std::string in = dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  const std::string out = readFile(dir.file("demo-out.txt"));
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < out.size();) {
    const std::size_t end = out.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
    lines.push_back(out.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 17u) << out;
  const std::string rule = "   " + std::string(53, '_');
  const std::vector<std::string> fixed = {"", "", "", "", "", "", "", "", "", rule, "", rule, "",
                                          "   Date:  01/02/2026", "   File:  " + in, "   Titel: Demo Populations", ""};
  for (std::size_t k = 0; k < 17; ++k) {
    if (k >= 1 && k <= 6) {  // the block letters
      EXPECT_EQ(lines[k].rfind("   X", 0), 0u) << "line " << k + 1 << ": " << lines[k];
      EXPECT_EQ(lines[k].find_first_not_of(" X"), std::string::npos) << "line " << k + 1;
    } else {
      EXPECT_EQ(lines[k], fixed[k]) << "line " << k + 1;
    }
  }
}

TEST_F(MainWindow, OpeningAnInputFileLoadsItAndWritesTheResultHeader) {
  const std::string in = dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  EXPECT_EQ(services.messages().size(), 0u);
  EXPECT_EQ(model().ds.NPop, 3);
  EXPECT_EQ(model().ds.InFileName, in);
  EXPECT_EQ(model().flags.DataLoaded, 1);
  // Set directly by the reader; Save_As_Kiwora keeps its state until the window is loaded again.
  for (const char* on : {"Analysis", "Es", "EL", "Diploid", "Save_AS_Tarn"}) run(std::string("expect-enabled ") + on);
  for (const char* off : {"OpenRefFile", "OpenTestFile", "Mode_inheritance", "AssisgnmentGr", "Test", "Results",
                          "Save_As_Kiwora"})
    run(std::string("expect-disabled ") + off);

  const std::string out = readFile(dir.file("demo-out.txt"));
  EXPECT_NE(out.find("\r\n   Date:  01/02/2026\r\n   File:  " + in + "\r\n   Titel: Demo Populations\r\n\r\n"), std::string::npos);
  EXPECT_NE(out.find("   XXX     X   X  X  X"), std::string::npos);
  EXPECT_EQ(out.find('\n', 0), out.find("\r\n", 0) + 1);

  // Reading the same file again empties the result file: one header block.
  services.setDate("02/02/2026");
  run("file demo.txt\nmenu OpenPopGen");
  const std::string again = readFile(dir.file("demo-out.txt"));
  EXPECT_EQ(again.find("Date:"), again.rfind("Date:"));
  EXPECT_NE(again.find("Date:  02/02/2026"), std::string::npos);
}

TEST_F(MainWindow, AFailedReadLeavesTheLoadedDataAsTheyWere) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  const DataSet before = model().ds;
  const Selection selBefore = model().sel;
  dir.write("short.txt", "Other\n1,1,9\nL\nP,1,1\n1\nEND\n");
  dir.write("empty.txt", "");
  std::filesystem::create_directory(dir.file("folder"));
  const std::string failure = "The reading of input data was not successful! Check the format of your input file!";
  const struct { const char* file; std::string message; } cases[] = {
      {"short.txt", failure + "\nLine 5"},
      {"empty.txt", "The size of you data set is too large!\nThe file is empty."},
      {"missing.txt", failure + "\nThe file " + dir.file("missing.txt") + " does not exist."},
      {"folder", failure + "\n" + dir.file("folder") + " is a folder"},
  };
  for (const auto& c : cases) {
    run(std::string("file ") + c.file + "\nmenu OpenPopGen");
    ASSERT_EQ(services.pendingMessages(), 1u) << c.file;
    EXPECT_EQ(services.takeMessage()->rfind(c.message, 0), 0u) << c.file << ": " << services.messages().back();
    EXPECT_EQ(model().ds.Title, before.Title) << c.file;
    EXPECT_EQ(model().ds.InFileName, before.InFileName) << c.file;
    EXPECT_EQ(model().ds.NPop, before.NPop) << c.file;
    EXPECT_EQ(model().ds.MaxAllele, before.MaxAllele) << c.file;
    EXPECT_TRUE(model().ds.Allele == before.Allele) << c.file;
    EXPECT_EQ(model().sel.LocSel, selBefore.LocSel) << c.file;
    EXPECT_EQ(model().flags.DataLoaded, 1);
  }
  run("expect-enabled Diploid");
}

// A load replaces the data but keeps every other file name the user chose and the reduction settings of
// the population window; it names only the file it read (and, for an input file, its result file).
TEST_F(MainWindow, ALoadKeepsTheOtherFileNamesAndTheReductionSettings) {
  dir.write("demo.txt", kDemoFile);
  dir.write("other.txt", kDemoFile);
  dir.write("ref.txt", kDemoFile);
  struct Names {
    std::string in, out, save, freq, ref, test;
  };
  const auto namesOf = [](const DataSet& d) {
    return Names{d.InFileName, d.OutFileName, d.SaveFileName, d.FreqFileName, d.RefFileName, d.TestFileName};
  };
  const Names chosen{"in.txt", "in-out.txt", "save.txt", "freq.txt", "earlier-ref.txt", ""};
  const struct {
    const char* script;
    Names expected;
  } cases[] = {
      {"file other.txt\nmenu OpenPopGen",
       {dir.file("other.txt"), dir.file("other-out.txt"), "save.txt", "freq.txt", "earlier-ref.txt", ""}},
      {"file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!",
       {"in.txt", "in-out.txt", "save.txt", "freq.txt", dir.file("ref.txt"), ""}},
  };
  for (const auto& c : cases) {
    run("file demo.txt\nmenu OpenPopGen");
    DataSet& d = model().ds;
    d.InFileName = chosen.in;
    d.OutFileName = chosen.out;
    d.SaveFileName = chosen.save;
    d.FreqFileName = chosen.freq;
    d.RefFileName = chosen.ref;
    d.TestFileName = chosen.test;
    model().sel.MinSampleSize = 2.5;
    model().sel.EqualSizeFlag = 1;
    app.forms.unload("frmStart");  // a new main window offers every file again
    app.forms.show("frmStart");
    run(c.script);
    const Names got = namesOf(model().ds);
    const Names& want = c.expected;
    const std::tuple<std::string, std::string, const char*> fields[] = {
        {got.in, want.in, "InFileName"},     {got.out, want.out, "OutFileName"}, {got.save, want.save, "SaveFileName"},
        {got.freq, want.freq, "FreqFileName"}, {got.ref, want.ref, "RefFileName"}, {got.test, want.test, "TestFileName"}};
    for (const auto& [g, w, what] : fields) EXPECT_EQ(g, w) << what << " after: " << c.script;
    EXPECT_EQ(model().sel.MinSampleSize, 2.5) << c.script;
    EXPECT_EQ(model().sel.EqualSizeFlag, 1) << c.script;
  }
}

TEST_F(MainWindow, CancellingTheDialogChangesNothing) {
  run("cancel\nmenu OpenPopGen");
  EXPECT_EQ(model().flags.DataLoaded, 0);
  EXPECT_TRUE(services.messages().empty());
}

TEST_F(MainWindow, AResultFileThatCannotBeCreatedIsReportedAndTheDataStay) {
  dir.write("demo.txt", kDemoFile);
  {
    testing::FileSizeLimit full(100);  // the header block does not fit
    run("file demo.txt\nmenu OpenPopGen\nexpect-message The data are loaded, but the result file");
  }
  EXPECT_EQ(model().flags.DataLoaded, 1);
  EXPECT_EQ(model().ds.NPop, 3);
}

// The input file is fine, so the refusal names what stands under the result file's name instead.
TEST_F(MainWindow, SomethingOtherThanAFileWhereTheResultFileShouldGoRefusesTheInputFileAndSaysWhat) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
    const char* says;
  } cases[] = {
      {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); }, " is a folder"},
      {"a pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       " is not a regular file (a pipe or a device)"},
  };
  for (const auto& c : cases) {
    testing::TempDir here;
    const std::string in = here.write("demo.txt", kDemoFile), out = here.file("demo-out.txt");
    c.make(out);
    services.queueFile(in);
    run("menu OpenPopGen");
    const std::optional<std::string> said = services.takeMessage();
    ASSERT_TRUE(said) << c.what;
    EXPECT_EQ(*said, "The input file " + in + " was not opened: its result file " + out + c.says +
                         ", so no results could be written to it. Move it away, or rename the input file, and open it again.")
        << c.what;
    EXPECT_EQ(said->find("Check the format"), std::string::npos) << c.what;
    EXPECT_EQ(model().flags.DataLoaded, 0) << c.what;
    EXPECT_EQ(model().ds.NPop, 0) << c.what;
  }
}

TEST_F(MainWindow, EnablingRulesOnEveryReturn) {
  // Each row: flags, then what the freshly loaded main window enables and disables.
  struct Row {
    WorkflowFlags f;
    std::vector<const char*> on, off;
  };
  auto flags = [](int data, int test, int analysis, int assign, int within, int two, int all) {
    WorkflowFlags f;
    f.DataLoaded = data;
    f.TestLoaded = test;
    f.AnalysisDone = analysis;
    f.AssignRunDone = assign;
    f.CanTestWithin = within;
    f.CanTestTwo = two;
    f.CanTestAll = all;
    return f;
  };
  const Row rows[] = {
      // after an analysis with heterozygosity only
      {flags(1, 0, 1, 0, 1, 0, 0), {"Test", "WS", "Results", "Save_As_Kiwora", "Diploid"}, {"BTS", "BAS", "AssisgnmentGr", "Mode_inheritance"}},
      // test groups loaded
      {flags(0, 1, 0, 0, 0, 0, 0), {"Analysis", "EL", "Mode_inheritance", "AssisgnmentGr"},
       {"Test", "Save_As_Kiwora", "Save_AS_Tarn", "Diploid", "Es", "exTarn", "OutPutPast", "Results"}},
      // test flags are never cleared: a new file before a new analysis keeps the Tests menu
      {flags(1, 0, 0, 0, 1, 1, 1), {"Test", "WS", "BTS", "BAS"}, {"Results"}},
      // after an assignment run
      {flags(0, 1, 0, 1, 0, 0, 0), {"Results", "Editor"}, {"exTarn", "OutPutPast", "Test"}},
  };
  for (const Row& row : rows) {
    model().flags = row.f;
    model().flags.Busy = 1;
    run("menu FormatAscii\nclick Command1");  // a side window leaves the menus alone
    app.forms.unload("frmStart");
    app.forms.show("frmStart");
    EXPECT_EQ(model().flags.Busy, 0);
    for (const char* n : row.on) run(std::string("expect-enabled ") + n);
    for (const char* n : row.off) run(std::string("expect-disabled ") + n);
  }
}

TEST_F(MainWindow, AnalysisNeedsAnInputFileAndAssignmentItsTwoFiles) {
  model().flags.TestLoaded = 1;  // enables the Analysis menu without data
  app.forms.unload("frmStart");
  app.forms.show("frmStart");
  run("menu AssisgnmentGr\nexpect-message Open reference file first!");
  model().ds.RefFileName = "ref.txt";
  run("menu AssisgnmentGr\nexpect-message Open test file first!");
  model().flags = {};
  model().flags.DataLoaded = 1;
  app.forms.unload("frmStart");
  app.forms.show("frmStart");
  run("menu Diploid\nexpect-message No data for analysis! Open input data!");
}

TEST_F(MainWindow, SideWindowsEditorAndEnd) {
  run("menu about\nexpect-window frmAbout\nclick Command1\nexpect-window frmStart");
  run("menu FormatAscii\nexpect-window frmFormat\nmenu about\nexpect-window frmAbout");  // the menu bar stays usable
  EXPECT_NE(refused("menu Editor"), "") << "Results is disabled before any run";
  model().flags.AnalysisDone = 1;
  model().flags.DataLoaded = 1;
  app.forms.unload("frmStart");
  app.forms.show("frmStart");
  run("menu Editor");
  EXPECT_EQ(services.editorStarts(), 1);
  run("menu End");
  EXPECT_TRUE(player.ended());
}

// Results > Editor opens the result file the user has: the input file's, or the assignment's when only
// that one exists; a bare editor when there is none.
TEST(MainWindowEditor, OpensTheResultFileTheUserHas) {
  const std::string scripts = std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/";
  const std::string analyse = "file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5\nclick Command1\nexpect-window frmStart\n";
  const std::string assign =
      "file ref_oaks.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
      "file test_trees.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n"
      "menu AssisgnmentGr\ntype Text2 20\nclick Command2\nexpect-window frmStart\n";
  const struct {
    const char* what;
    std::string actions;
    const char* removed;  // a result file deleted before the editor starts
    const char* opened;   // empty: the editor starts without a file
  } cases[] = {
      {"an analysis", analyse, "", "demo-out.txt"},
      {"an assignment and no input file", assign, "", "ref_oaks-out.txt"},
      {"an analysis, then an assignment", analyse + assign, "", "demo-out.txt"},
      {"an analysis whose result file has gone, then an assignment", analyse + assign, "demo-out.txt", "ref_oaks-out.txt"},
      {"an analysis whose result file has gone", analyse, "demo-out.txt", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::Program<ScriptedServices> p;
    for (const char* f : {"demo.txt", "ref_oaks.txt", "test_trees.txt"}) p.dir.write(f, readFile(scripts + f));
    p.run(c.actions);
    if (*c.removed) std::filesystem::remove(p.dir.file(c.removed));
    p.run("expect-enabled Editor\nmenu Editor");
    EXPECT_EQ(p.services.editorStarts(), 1);
    EXPECT_EQ(p.services.editorFile(), *c.opened ? p.dir.file(c.opened) : std::string());
  }
}

}  // namespace
}  // namespace kiwora
