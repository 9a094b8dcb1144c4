#include "files/import_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/app_fixture.h"
#include "support/clicking_services.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

// Populations A (group G1), B (G1) and A again (G2), and a row without any data.
const char* const kTable =
    "Pop,Group,Ind,X,Y,Loc1,Loc1,Loc2x,Loc2\r\n"
    "A,G1,a1,10.5,50.25,1,2,3,-1\r\n"
    "B,G1,b1,11,51,2,2,-1,-1\r\n"
    "C,G3,c1,13,53,-1,-1,-1,-1\r\n"
    "A,G2,a2,12,52,1,1,3,3\r\n";

class ImportWindow : public testing::AppFixture {
 protected:
  // Opens the import window and imports a table written to `name`.
  void importTable(const std::string& name, const std::string& content, const std::string& title = "Imported") {
    dir.write(name, content);
    if (!app.forms.find("frmImport")) run("menu importTable\nexpect-window frmImport");
    if (!title.empty()) run("type Text1 " + title);
    run("file " + name + "\nclick Command2");
  }
  const ImportedTable& imported() { return model().imported; }
};

TEST(ImportTable, ReadsRowsLociPopulationsAndGroups) {
  const ImportResult r = parseImportTable(kTable);
  ASSERT_TRUE(r.ok()) << r.message();
  const ImportedTable& t = r.table;
  EXPECT_EQ(t.nIndImp, 4);
  EXPECT_EQ(t.nLoci, 2);
  EXPECT_EQ(t.locName, (Vec1<std::string>{"", "Loc1", "Loc2"}));  // the 7th and 9th header fields
  EXPECT_EQ(t.maxAllele, 3);
  EXPECT_EQ(t.impHasData, (Vec1<int>{0, 1, 1, 0, 1}));
  ASSERT_EQ(t.nPop, 2);
  EXPECT_EQ(t.popName[1].text, "A");
  EXPECT_EQ(t.popName[2].text, "B");
  EXPECT_EQ(t.popGroup[1].text, "G1");  // the group of the population's first row
  EXPECT_EQ(t.popX[1], 10.5);
  EXPECT_EQ(t.popY[1], 50.25);
  ASSERT_EQ(t.nGroups, 2);  // the row without data makes no group G3
  EXPECT_EQ(t.groupName[2].text, "G2");
  EXPECT_EQ(t.groupX[2], 12);
  EXPECT_EQ(t.groupY[2], 52);
}

TEST(ImportTable, NamesInTheFormOfANumberCompareAsNumbers) {
  const ImportResult r = parseImportTable(
      "a,b,c,d,e,L,L\n01,7.50,i,1,1,1,1\n1,7.5,i,2,2,1,1\nx1,G,i,3,3,1,1\nX1,G,i,4,4,1,1\n");
  ASSERT_TRUE(r.ok()) << r.message();
  ASSERT_EQ(r.table.nPop, 3);
  EXPECT_EQ(r.table.popName[1].text, "1");
  EXPECT_EQ(r.table.popName[2].text, "x1");
  EXPECT_EQ(r.table.popName[3].text, "X1");  // case counts
  ASSERT_EQ(r.table.nGroups, 2);
  EXPECT_EQ(r.table.groupName[1].text, "7.5");
}

TEST(ImportTable, AcceptedLayouts) {
  const std::string rows = "A,G,i,1,1,-1,2\n";
  const struct { const char* what; std::string text; } cases[] = {
      {"LF line ends", "p,g,i,x,y,L,L\n" + rows},
      {"CR line ends", "p,g,i,x,y,L,L\rA,G,i,1,1,-1,2\r"},
      {"no line end after the last row", "p,g,i,x,y,L,L\nA,G,i,1,1,-1,2"},
      {"empty lines at the end", "p,g,i,x,y,L,L\r\nA,G,i,1,1,-1,2\r\n\r\n\r\n"},
      {"quoted fields and blanks", "p,g,i,x,y,L,\"L\"\n \"A\" , G ,i, 1 ,1,-1, 2\n"},
      {"zero Y and whole numbers written with decimals", "p,g,i,x,y,L,L\nA,G,i,1,0,-1,2.0\n"},
  };
  for (const auto& c : cases) {
    const ImportResult r = parseImportTable(c.text);
    ASSERT_TRUE(r.ok()) << c.what << ": " << r.message();
    EXPECT_EQ(r.table.nIndImp, 1) << c.what;
    EXPECT_EQ(r.table.impAllele2(1, 1), 2) << c.what;
    EXPECT_EQ(r.table.popName[1].text, "A") << c.what;
  }
}

TEST_F(ImportWindow, EachBadTableIsRefusedWithItsMessage) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  const DataSet before = model().ds;
  const WorkflowFlags flagsBefore = model().flags;
  const std::string head = "Pop,Group,Ind,X,Y,L1,L1,L2,L2\r\n";
  const std::string good = "A,G,i,1,2,1,2,3,4\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : head + good) utf16 += std::string{c, '\0'};
  const struct { const char* what; std::string text; const char* detail; } cases[] = {
      {"saved as UTF-16", utf16, "Line 1: the file is not plain text (it is UTF-16, or holds NUL bytes)"},
      {"no row with data among two", head + "A,G,i,1,2,-1,-1,-1,-1\r\nB,G,i,1,2,-1,-1,-1,-1\r\n",
       "Lines 2 to 3: no row holds an allele code other than -1."},
      {"X is 0", head + good + "A,G,i,0,2,1,2,3,4\r\n", "Row 2 (line 3): the X coordinate is 0."},
      {"X is not a number", head + "A,G,i,east,2,1,2,3,4\r\n", "Row 1 (line 2): the X coordinate \"east\" is not a number."},
      {"X in a decimal comma", head + "A,G,i,\"1,5\",2,1,2,3,4\r\n", "the X coordinate \"1,5\" is not a number."},
      {"Y is empty", head + "A,G,i,1,,1,2,3,4\r\n", "Row 1 (line 2): the Y coordinate \"\" is not a number."},
      {"second allele 0", head + "A,G,i,1,2,-1,0,3,4\r\n", "the allele code \"0\" of locus L1 is neither -1 nor"},
      {"first allele 0", head + "A,G,i,1,2,1,2,0,4\r\n", "the allele code \"0\" of locus L2"},
      {"allele -2", head + "A,G,i,1,2,1,2,3,-2\r\n", "the allele code \"-2\""},
      {"fractional allele", head + "A,G,i,1,2,1.5,2,3,4\r\n", "the allele code \"1.5\""},
      {"hexadecimal allele", head + "A,G,i,1,2,0x3,2,3,4\r\n", "the allele code \"0x3\""},
      {"allele with an exponent", head + "A,G,i,1,2,1,2e0,3,4\r\n", "the allele code \"2e0\""},
      {"text after a quoted allele", head + "A,G,i,1,2,1,\"2\"x,3,4\r\n", "Row 1 (line 2): the allele code \"\"2\"x\" of locus L1"},
      {"text after a quoted X", head + "A,G,i,\"1\"5,2,1,2,3,4\r\n", "the X coordinate \"\"1\"5\" is not a number."},
      {"X with an exponent", head + "A,G,i,1e1,2,1,2,3,4\r\n", "the X coordinate \"1e1\" is not a number."},
      {"hexadecimal Y", head + "A,G,i,1,0x1p3,1,2,3,4\r\n", "the Y coordinate \"0x1p3\" is not a number."},
      {"empty allele", head + "A,G,i,1,2,1,2,3,\r\n", "the allele code \"\""},
      {"row too short", head + good + "A,G,i,1,2,1,2,3\r\n", "Row 2 (line 3): 8 fields where 9 (5 + 2 x 2 loci) are expected."},
      {"row too long", head + "A,G,i,1,2,1,2,3,4,5\r\n", "Row 1 (line 2): 10 fields where 9"},
      {"a line of blanks", head + good + "   \r\n", "Row 2 (line 3): 1 field where 9"},
      {"header without whole loci", "Pop,Group,Ind,X,Y,L1,L1,L2\r\nA,G,i,1,2,1,2,3\r\n", "Line 1: the header has 8 fields"},
      {"header without loci", "Pop,Group,Ind,X,Y\r\nA,G,i,1,2\r\n", "Line 1: the header has 5 fields"},
      {"header of one field", "Pop\r\nA\r\n", "Line 1: the header has 1 field;"},
      {"header only", head, "Line 1: the file ends there, after the header; the table has no rows below it."},
      {"an empty line below the header", head + "\r\n", "Line 2: the table has no rows below its header."},
      {"empty file", "", "The table is empty."},
      {"rows after the empty line", head + good + "\r\n" + good, "Line 4: the table ends with the empty line 3"},
      {"no row with data", head + "A,G,i,1,2,-1,-1,-1,-1\r\n", "Line 2: no row holds an allele code other than -1."},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "bad" + std::to_string(++n) + ".csv";
    importTable("good.csv", head + good);
    ASSERT_EQ(services.takeMessage(), kImportSuccessMessage) << c.what;
    importTable(name, c.text);
    ASSERT_EQ(services.pendingMessages(), 1u) << c.what;
    const std::string m = *services.takeMessage();
    EXPECT_EQ(m.rfind(std::string(kImportFailureMessage) + "\n", 0), 0u) << c.what << ": " << m;
    EXPECT_NE(m.find(c.detail), std::string::npos) << c.what << ": " << m;
    EXPECT_FALSE(imported().loaded) << c.what;
    run("expect-disabled save_pops\nexpect-disabled save_groups\nexpect-text Text3 ");
  }
  // A table that cannot be read at all.
  run("file missing.csv\nclick Command2");
  EXPECT_EQ(services.takeMessage()->rfind(std::string(kImportFailureMessage) + "\nThe file ", 0), 0u);
  // None of it touched the loaded data.
  EXPECT_EQ(model().ds.Title, before.Title);
  EXPECT_EQ(model().ds.InFileName, before.InFileName);
  EXPECT_EQ(model().ds.NPop, before.NPop);
  EXPECT_EQ(model().ds.NLoci, before.NLoci);
  EXPECT_EQ(model().ds.LocName, before.LocName);
  EXPECT_EQ(model().flags.DataLoaded, flagsBefore.DataLoaded);
}

TEST_F(ImportWindow, ImportedTablesSaveByPopulationsAndByGroupsAndReadBack) {
  importTable("table.csv", kTable, "Imported, with a comma");
  run("expect-message The reading of the data was successful!\nexpect-text Text3 4\nexpect-text Text2 2");
  run("file pops.txt\nmenu save_pops\nfile groups.txt\nmenu save_groups");
  EXPECT_EQ(services.pendingMessages(), 0u);
  EXPECT_EQ(readFile(dir.file("pops.txt")),
            "Imported, with a comma\r\n 2 \r\n 2 \r\n 3 \r\nLoc1\r\nLoc2\r\n"
            "G1_A,10.5,50.25\r\n1,2,3,-1\r\n1,1,3,3\r\n\r\n"
            "G1_B,11,51\r\n2,2,-1,-1\r\nEND\r\n");
  EXPECT_EQ(readFile(dir.file("groups.txt")),
            "Imported, with a comma\r\n 2 \r\n 2 \r\n 3 \r\nLoc1\r\nLoc2\r\n"
            "G1,10.5,50.25\r\n1,2,3,-1\r\n2,2,-1,-1\r\n\r\n"
            "G2,12,52\r\n1,1,3,3\r\nEND\r\n");

  // Each file opens as population data with the expected units, individuals and coordinates.
  const struct { const char* file; const char* names[2]; double x[2], y[2]; int n[2]; } files[] = {
      {"pops.txt", {"G1_A", "G1_B"}, {10.5, 11}, {50.25, 51}, {2, 1}},
      {"groups.txt", {"G1", "G2"}, {10.5, 12}, {50.25, 52}, {2, 1}},
  };
  run("click Command1\nexpect-window frmStart");
  for (const auto& f : files) {
    run(std::string("file ") + f.file + "\nmenu OpenPopGen");
    ASSERT_EQ(services.pendingMessages(), 0u) << f.file << ": " << services.messages().back();
    const DataSet& ds = model().ds;
    EXPECT_EQ(ds.Title, "Imported, with a comma");
    ASSERT_EQ(ds.NPop, 2) << f.file;
    EXPECT_EQ(ds.NLoci, 2);
    EXPECT_EQ(ds.LocName[2], "Loc2");
    for (int p = 1; p <= 2; ++p) {
      EXPECT_EQ(ds.PopName[p], f.names[p - 1]) << f.file;
      EXPECT_EQ(ds.PopX[p], f.x[p - 1]) << f.file;
      EXPECT_EQ(ds.PopY[p], f.y[p - 1]) << f.file;
      EXPECT_EQ(ds.NInd[p], f.n[p - 1]) << f.file;
    }
  }
}

// Unit names that hold commas or quotes are quoted and read back whole; coordinates keep "." under a
// decimal comma.
TEST_F(ImportWindow, AwkwardNamesAndCoordinatesReadBack) {
  services.setDecimalSign(',');
  importTable("t.csv", "p,g,i,x,y,L,L\n\"Oak, north\",\"say \"\"hi\"\"\",i,-0.75,1.5,1,2\n");
  run("expect-message The reading of the data was successful!");
  run("file pops.txt\nmenu save_pops\nfile groups.txt\nmenu save_groups\nclick Command1");
  const struct { const char* file; const char* name; } files[] = {
      {"pops.txt", "say \"hi\"_Oak, north"}, {"groups.txt", "say \"hi\""}};
  for (const auto& f : files) {
    EXPECT_NE(readFile(dir.file(f.file)).find(",-0.75,1.5\r\n"), std::string::npos) << f.file;
    run(std::string("file ") + f.file + "\nmenu OpenPopGen");
    ASSERT_EQ(services.pendingMessages(), 0u) << f.file << ": " << services.messages().back();
    ASSERT_EQ(model().ds.NPop, 1);
    EXPECT_EQ(model().ds.PopName[1], f.name);
    EXPECT_EQ(model().ds.PopX[1], -0.75);
  }
}

TEST_F(ImportWindow, TheImportKeepsToItsOwnRecord) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  const DataSet before = model().ds;
  const Selection selBefore = model().sel;
  const WorkflowFlags flagsBefore = model().flags;
  importTable("table.csv", kTable);
  run("expect-message The reading of the data was successful!");
  EXPECT_EQ(model().ds.Title, before.Title);
  EXPECT_EQ(model().ds.InFileName, before.InFileName);
  EXPECT_EQ(model().ds.NPop, before.NPop);
  EXPECT_EQ(model().ds.NLoci, before.NLoci);
  EXPECT_EQ(model().ds.MaxAllele, before.MaxAllele);
  EXPECT_EQ(model().ds.LocName, before.LocName);
  EXPECT_EQ(model().ds.PopName, before.PopName);
  EXPECT_EQ(model().ds.PopX, before.PopX);
  EXPECT_TRUE(model().ds.Allele == before.Allele);
  EXPECT_EQ(model().sel.PopSel, selBefore.PopSel);
  EXPECT_EQ(model().flags.DataLoaded, flagsBefore.DataLoaded);
  EXPECT_EQ(imported().path, dir.file("table.csv"));

  // A cancelled dialog changes nothing; a data file read afterwards leaves the import whole.
  run("cancel\nclick Command2\nclick Command1\nfile demo.txt\nmenu OpenPopGen\nmenu importTable");
  EXPECT_TRUE(imported().loaded);
  EXPECT_EQ(imported().nPop, 2);
  run("expect-enabled save_pops\nfile pops.txt\nmenu save_pops");
  EXPECT_NE(readFile(dir.file("pops.txt")).find("G1_A,10.5,50.25"), std::string::npos);
}

TEST_F(ImportWindow, TheSaveItemsNeedASuccessfulImportAndATitle) {
  run("menu importTable\nexpect-disabled save_pops\nexpect-disabled save_groups");
  run("type Text1 A title\nexpect-disabled save_pops");  // a title alone is not enough
  run("expect-text Text3 \nexpect-text Text2 ");
  run("type Text1 ");
  importTable("table.csv", kTable, "");
  run("expect-message The reading of the data was successful!\nexpect-disabled save_pops");
  run("type Text1 T\nexpect-enabled save_pops\nexpect-enabled save_groups");
  run("type Text1 \nexpect-enabled save_pops");  // the title box never disables them
  // The window opens again with the import kept and the items enabled by its title.
  run("type Text1 T\nclick Command1\nmenu importTable\nexpect-enabled save_pops\nexpect-text Text2 2");
}

TEST(ImportWindowBusy, NoActionRunsWhileAnImportIsInProgress) {
  testing::TempDir dir;
  testing::ClickingServices services;  // the user clicks while the import draws its counts
  App app(services);
  registerWindows(app);
  startProgram(app);
  app.forms.find("frmStart")->get<MenuItem>("importTable").click();
  Window& w = *app.forms.find("frmImport");
  w.get<TextBox>("Text1").setText("T");
  dir.write("first.csv", "p,g,i,x,y,L,L\nA,G,i,1,1,1,2\n");
  dir.write("second.csv", "p,g,i,x,y,L,L\nB,G,i,1,1,1,2\nC,G,i,1,1,1,2\n");
  services.queueFile(dir.file("first.csv"));
  w.get<Button>("Command2").click();
  ASSERT_EQ(*services.takeMessage(), kImportSuccessMessage);

  int clicks = 0;
  services.duringEvents = [&] {
    ++clicks;
    services.queueFile(dir.file("clicked.txt"));  // an answer for any dialog that a click would open
    for (const char* item : {"save_pops", "save_groups"}) w.get<MenuItem>(item).click();
    w.get<Button>("Command2").click();
    w.get<Button>("Command1").click();
  };
  services.queueFile(dir.file("second.csv"));
  w.get<Button>("Command2").click();
  services.duringEvents = nullptr;
  EXPECT_GT(clicks, 0);
  EXPECT_EQ(services.queuedAnswers(), static_cast<std::size_t>(clicks)) << "a click opened a dialog";
  EXPECT_EQ(app.forms.active()->name(), "frmImport");
  EXPECT_EQ(*services.takeMessage(), kImportSuccessMessage);
  EXPECT_EQ(services.pendingMessages(), 0u);
  EXPECT_EQ(app.model.imported.nPop, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("clicked.txt")));
}

}  // namespace
}  // namespace kiwora
