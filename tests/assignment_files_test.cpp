#include <gtest/gtest.h>

#include <filesystem>

#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::kDemoFile;

const std::string kFailure = "The reading of input data was not successful! Check the format of your input file!";
const std::string kSizing = "The size of you data set is too large!";
const std::string kNotCompatible = "This file with test groups is not compatible with the reference file!";

std::string header(const std::string& title, const std::string& counts, const std::string& loci) {
  return title + "\r\n" + counts + "\r\n" + loci;
}
const std::string kLoci = "A\r\nB\r\nC\r\nD\r\n";

// Two reference populations, four loci, codes up to 6. Locus C has no allele anywhere. Fields per
// individual: A1,A2,B1,B2,C1,C2,D1,D2.
const std::string kRef = header("Ref", "2,4,6", kLoci) +
                         "P1,0,0\r\n1,2,3,3,-1,-1,3,-1\r\n4,-1,3,4,-1,-1,5,5\r\n\r\n"
                         "P2,1,1\r\n2,2,4,4,-1,-1,6,1\r\nEND\r\n";

// Two test groups; B has no allele in any group; the third count (2) is below the reference's 6.
const std::string kTest = header("Tests", "2,4,2", kLoci) +
                          "G1,any,text\r\n"
                          "1,1,-1,-1,2,-1,1,1\r\n2,-1,-1,-1,-1,-1,1,1\r\n1,1,-1,-1,-1,-1,2,2\r\n2,2,-1,-1,1,2,2,2\r\n\r\n"
                          "G2,0,0\r\n-1,-1,-1,-1,-1,-1,-1,2\r\nEND\r\n";

// One group whose largest code (8) and third count (9) exceed the reference's.
const std::string kTest2 = header("More tests", "1,4,9", kLoci) + "H1,0,0\r\n8,1,1,1,-1,-1,2,2\r\nEND\r\n";

class AssignmentFiles : public testing::AppFixture {
 protected:
  void readRef(const std::string& content, const std::string& name = "ref.txt") {
    dir.write(name, content);
    run("file " + name + "\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!");
  }
  void readTest(const std::string& content, const std::string& name = "test.txt") {
    dir.write(name, content);
    run("file " + name + "\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  }
  // Shows the main window anew, as the return from a task window does.
  void newMainWindow() {
    app.forms.unload("frmStart");
    app.forms.show("frmStart");
  }
  const DataSet& ds() { return model().ds; }
  const TestGroups& tg() { return model().test; }
};

TEST_F(AssignmentFiles, ReferenceReadBuildsGeneCountsAndAlleleRanges) {
  readRef(kRef);
  EXPECT_EQ(ds().Title, "Ref");
  EXPECT_EQ(ds().NPop, 2);
  EXPECT_EQ(ds().RefFileName, dir.file("ref.txt"));
  EXPECT_EQ(ds().InFileName, "");
  EXPECT_FALSE(std::filesystem::exists(dir.file("ref-out.txt")));  // no result file
  const int genes[3][5] = {{}, {0, 3, 4, 0, 3}, {0, 2, 2, 0, 2}};
  for (int p = 1; p <= 2; ++p)
    for (int l = 1; l <= 4; ++l) {
      EXPECT_EQ(ds().RefGeneCount(p, l), genes[p][l]) << p << "," << l;
      EXPECT_EQ(ds().NGenesRead(p, l), genes[p][l]) << p << "," << l;
    }
  // C has no allele: 10000 and 0, and it is dropped from the selection.
  EXPECT_EQ(tg().TestMinAllele, (Vec1<int>{0, 1, 3, 10000, 1}));
  EXPECT_EQ(tg().TestMaxAllele, (Vec1<int>{0, 4, 4, 0, 6}));
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 1, 0, 1}));
  EXPECT_EQ(model().sel.LocAvail, (Vec1<int>{0, 1, 1, 0, 1}));
  EXPECT_EQ(model().sel.LocMode, (Vec1<int>{0, 1, 1, 1, 1}));
  EXPECT_EQ(model().flags.DataLoaded, 0);
  EXPECT_EQ(model().flags.TestLoaded, 0);
}

TEST_F(AssignmentFiles, TestReadFillsTheGroups) {
  readRef(kRef);
  model().sel.LocMode[4] = 3;  // modes set before apply to the test groups too
  readTest(kTest);
  const TestGroups& t = tg();
  EXPECT_EQ(t.NTestGr, 2);
  EXPECT_EQ(t.TestGrName, (Vec1<std::string>{"", "G1", "G2"}));
  EXPECT_EQ(t.NTestInd, (Vec1<int>{0, 4, 1}));
  // G1 has alleles at A, C and D; G2 at D only ("-1,2" counts as data).
  EXPECT_EQ(t.NTestLoci, (Vec1<int>{0, 3, 1}));
  EXPECT_EQ(t.TestAllele.a1(1, 4, 3), 2);
  EXPECT_EQ(t.TestAllele.a2(1, 3, 1), -1);
  EXPECT_TRUE(t.SimAllele == t.TestAllele);
  const double miss[3][5] = {{}, {0, 0.25, 1, 0.75, 0}, {0, 1, 1, 1, 1}};
  for (int g = 1; g <= 2; ++g)
    for (int l = 1; l <= 4; ++l) EXPECT_DOUBLE_EQ(t.TestMissProp(g, l), miss[g][l]) << g << "," << l;
  // Widened by the groups' codes: C gets 1..2 from nothing.
  EXPECT_EQ(t.TestMinAllele, (Vec1<int>{0, 1, 3, 1, 1}));
  EXPECT_EQ(t.TestMaxAllele, (Vec1<int>{0, 4, 4, 2, 6}));
  // B has no allele in any group: deselected, but still available.
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 0, 0, 1}));
  EXPECT_EQ(model().sel.LocAvail, (Vec1<int>{0, 1, 1, 0, 1}));
  EXPECT_EQ(model().sel.LocMode[4], 3);
  EXPECT_EQ(ds().Title, "Tests");
  EXPECT_EQ(ds().TestFileName, dir.file("test.txt"));
  EXPECT_EQ(model().flags.TestLoaded, 1);
}

TEST_F(AssignmentFiles, MaxAlleleCoversTheReferenceAndEveryTestFile) {
  readRef(kRef);
  readTest(kTest);
  EXPECT_EQ(ds().MaxAllele, 6);  // the test file's 2 would leave reference codes outside the tables
  readTest(kTest2, "test2.txt");
  EXPECT_EQ(ds().MaxAllele, 9);
  // The ranges keep what the first test file widened (C) and take the new codes (8 at A, 1 at B).
  EXPECT_EQ(tg().TestMinAllele, (Vec1<int>{0, 1, 1, 1, 1}));
  EXPECT_EQ(tg().TestMaxAllele, (Vec1<int>{0, 8, 4, 2, 6}));
  readTest(kTest, "test.txt");
  EXPECT_EQ(ds().MaxAllele, 6);
}

TEST_F(AssignmentFiles, RefusedOrUnreadableFilesLeaveEverythingAsItWas) {
  readRef(kRef);
  readTest(kTest);
  std::filesystem::create_directory(dir.file("folder"));
  const std::string g1 = "G1,0,0\r\n";
  const struct {
    const char* what;
    const char* menu;
    std::string content;  // not written when empty
    std::string message;  // the start of the message
  } cases[] = {
      {"ref: code above its largest", "OpenRefFile", header("R", "1,4,2", kLoci) + "Q,0,0\r\n1,3,1,1,1,1,1,1\r\nEND\r\n",
       kFailure + "\nLine 8: \"3\""},
      {"ref: missing END", "OpenRefFile", header("R", "1,4,2", kLoci) + "Q,0,0\r\n1,1,1,1,1,1,1,1\r\n\r\n", kFailure},
      {"ref: empty file", "OpenRefFile", " ", kSizing},
      {"ref: a folder", "OpenRefFile", "", kFailure},
      {"test: other locus name", "OpenTestFile", header("T", "1,4,2", "A\r\nB\r\nc\r\nD\r\n") + g1 + "1,1,1,1,1,1,1,1\r\nEND\r\n",
       kNotCompatible + "\nLine 5: locus 3"},
      {"test: other number of loci", "OpenTestFile", header("T", "1,3,2", "A\r\nB\r\nC\r\n") + g1 + "1,1,1,1,1,1\r\nEND\r\n",
       kNotCompatible},
      {"test: other loci and a broken block", "OpenTestFile", header("T", "1,3,2", "A\r\nB\r\nC\r\n") + g1 + "x\r\n", kNotCompatible},
      {"test: code above its largest", "OpenTestFile", header("T", "1,4,2", kLoci) + g1 + "1,1,1,1,1,5,1,1\r\nEND\r\n",
       kFailure + "\nLine 8: \"5\""},
      {"test: code 0", "OpenTestFile", header("T", "1,4,2", kLoci) + g1 + "1,0,1,1,1,1,1,1\r\nEND\r\n", kFailure},
      {"test: short line", "OpenTestFile", header("T", "1,4,2", kLoci) + g1 + "1,1,1,1,1,1,1\r\nEND\r\n",
       kFailure + "\nLine 8: 7 allele codes"},
      {"test: group without individual", "OpenTestFile",
       header("T", "2,4,2", kLoci) + g1 + "1,1,1,1,1,1,1,1\r\n\r\nG2,0,0\r\nEND\r\n", kFailure + "\nLine 10: test group 2 (G2)"},
      {"test: no loci", "OpenTestFile", header("T", "1,0,2", ""), kNotCompatible},
      {"test: last group ends with an empty line", "OpenTestFile", header("T", "1,4,2", kLoci) + g1 + "1,1,1,1,1,1,1,1\r\n\r\n",
       kFailure},
      {"test: header of two fields", "OpenTestFile", header("T", "1,4,2", kLoci) + "G1,0\r\n1,1,1,1,1,1,1,1\r\nEND\r\n",
       kFailure + "\nLine 7"},
      {"test: missing file", "OpenTestFile", "", kFailure},
  };
  const DataSet before = ds();
  const Selection selBefore = model().sel;
  const TestGroups testBefore = tg();
  for (const auto& c : cases) {
    std::string name = "folder";
    if (!c.content.empty()) name = dir.write("bad.txt", c.content == " " ? "" : c.content);
    else if (std::string(c.menu) == "OpenTestFile") name = dir.file("missing.txt");
    run("file " + name + "\nmenu " + c.menu);
    ASSERT_EQ(services.pendingMessages(), 1u) << c.what;
    const std::string m = *services.takeMessage();
    EXPECT_EQ(m.rfind(c.message, 0), 0u) << c.what << ": " << m;
    EXPECT_EQ(ds().Title, before.Title) << c.what;
    EXPECT_EQ(ds().NPop, before.NPop) << c.what;
    EXPECT_EQ(ds().MaxAllele, before.MaxAllele) << c.what;
    EXPECT_EQ(ds().LocName, before.LocName) << c.what;
    EXPECT_TRUE(ds().Allele == before.Allele) << c.what;
    EXPECT_EQ(ds().RefFileName, before.RefFileName) << c.what;
    EXPECT_EQ(ds().TestFileName, before.TestFileName) << c.what;
    EXPECT_EQ(model().sel.LocSel, selBefore.LocSel) << c.what;
    EXPECT_EQ(model().sel.IndSel, selBefore.IndSel) << c.what;
    EXPECT_EQ(tg().NTestGr, testBefore.NTestGr) << c.what;
    EXPECT_EQ(tg().TestGrName, testBefore.TestGrName) << c.what;
    EXPECT_TRUE(tg().TestAllele == testBefore.TestAllele) << c.what;
    EXPECT_EQ(tg().TestMinAllele, testBefore.TestMinAllele) << c.what;
    EXPECT_EQ(tg().TestMaxAllele, testBefore.TestMaxAllele) << c.what;
    EXPECT_EQ(model().flags.TestLoaded, 1) << c.what;
  }
}

// Each refusal of a reference or test-group file says which line of it is wrong, and why.
TEST_F(AssignmentFiles, RefusalsNameTheLineAndTheCause) {
  readRef(kRef);
  const std::string g1 = "G1,0,0\r\n1,1,1,1,1,1,1,1\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : kTest) utf16 += std::string{c, '\0'};
  const struct {
    const char* what;
    const char* menu;
    std::string content;
    std::string message;  // the whole message
  } cases[] = {
      {"test: more loci", "OpenTestFile", header("T", "1,5,2", kLoci + "E\r\n") + g1 + "END\r\n",
       kNotCompatible + "\nLine 2: the file with test groups has 5 loci, the reference file 4."},
      {"test: one locus", "OpenTestFile", header("T", "1,1,2", "A\r\n") + "G1,0,0\r\n1,1\r\nEND\r\n",
       kNotCompatible + "\nLine 2: the file with test groups has 1 locus, the reference file 4."},
      {"test: other name of the last locus", "OpenTestFile", header("T", "1,4,2", "A\r\nB\r\nC\r\nD \r\n") + g1 + "END\r\n",
       kNotCompatible + "\nLine 6: locus 4 is \"D \" in the file with test groups and \"D\" in the reference file."},
      {"test: group without individual", "OpenTestFile", header("T", "2,4,2", kLoci) + g1 + "END\r\nG2,0,0\r\nEND\r\n",
       kFailure + "\nLine 10: test group 2 (G2) has no individual."},
      {"test: last group without END", "OpenTestFile", header("T", "1,4,2", kLoci) + g1 + "\r\n",
       kFailure + "\nLine 9: the last group (1) ends with an empty line; it must end with a line \"END\"."},
      {"test: largest code 0", "OpenTestFile", header("T", "1,4,0", kLoci) + g1 + "END\r\n",
       kFailure + "\nLine 2: the largest allele code is 0; it must be at least 1."},
      {"test: saved as UTF-16", "OpenTestFile", utf16,
       kFailure + "\nLine 1: the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and "
                  "read it again."},
      {"ref: saved as UTF-16", "OpenRefFile", utf16,
       kFailure + "\nLine 1: the file is not plain text (it is UTF-16, or holds NUL bytes); save it as plain text and "
                  "read it again."},
      {"test: number of groups not a number", "OpenTestFile", header("T", "se,4,2", kLoci) + "END\r\n",
       kFailure + "\nLine 2: the number of groups \"se\" is not a number (it reads as 0); it must be a whole number of "
                  "0 or more."},
      {"ref: hexadecimal number of populations", "OpenRefFile", header("R", "0x2,4,6", kLoci),
       kFailure + "\nLine 2: the number of populations \"0x2\" is not a number (it reads as 0); it must be at least 1."},
  };
  for (const auto& c : cases) {
    run("file " + dir.write("bad.txt", c.content) + "\nmenu " + c.menu);
    ASSERT_EQ(services.pendingMessages(), 1u) << c.what;
    EXPECT_EQ(*services.takeMessage(), c.message) << c.what;
  }
}

// A file of no test groups reads: no groups, and no locus keeps a test individual with data, so every
// locus is deselected (and stays available). The next file with groups selects its loci again.
TEST_F(AssignmentFiles, AFileOfNoTestGroupsReadsAndDeselectsEveryLocus) {
  readRef(kRef);
  readTest(header("No groups", "0,4,2", kLoci));
  EXPECT_EQ(tg().NTestGr, 0);
  EXPECT_EQ(ds().Title, "No groups");
  EXPECT_EQ(model().flags.TestLoaded, 1);
  for (int l = 1; l <= 4; ++l) EXPECT_EQ(model().sel.LocSel[static_cast<std::size_t>(l)], 0) << l;
  EXPECT_EQ(model().sel.LocAvail, (Vec1<int>{0, 1, 1, 0, 1}));
  run("expect-enabled AssisgnmentGr");

  readTest(kTest);
  EXPECT_EQ(tg().NTestGr, 2);
  // B has no allele in these groups; C none in the reference populations.
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 0, 0, 1}));
}

TEST_F(AssignmentFiles, ANewReferenceKeepsFittingTestGroupsAndDropsOthers) {
  readRef(kRef);
  readTest(kTest2);
  // Same loci, largest code 3: the kept group's code 8 must still fit the tables.
  readRef(header("Ref two", "1,4,3", kLoci) + "Q,0,0\r\n1,2,3,3,1,1,2,2\r\nEND\r\n", "ref2.txt");
  EXPECT_EQ(model().flags.TestLoaded, 1);
  EXPECT_EQ(ds().TestFileName, dir.file("test.txt"));
  EXPECT_EQ(ds().Title, "Ref two");
  EXPECT_EQ(ds().MaxAllele, 9);
  EXPECT_EQ(tg().NTestGr, 1);
  // Ranges start from the new reference and take the kept group's codes; C has no test allele.
  EXPECT_EQ(tg().TestMinAllele, (Vec1<int>{0, 1, 1, 1, 2}));
  EXPECT_EQ(tg().TestMaxAllele, (Vec1<int>{0, 8, 3, 1, 2}));
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 1, 0, 1}));
  EXPECT_EQ(services.pendingMessages(), 0u);

  // Other locus names: the groups go, and the user is told.
  dir.write("ref3.txt", header("Ref three", "1,4,3", "A\r\nB\r\nC\r\nE\r\n") + "Q,0,0\r\n1,2,3,3,1,1,2,2\r\nEND\r\n");
  run("file ref3.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
      "expect-message The test groups loaded before are not compatible with this reference file and were dropped!");
  EXPECT_EQ(model().flags.TestLoaded, 0);
  EXPECT_EQ(ds().TestFileName, "");
  EXPECT_EQ(tg().NTestGr, 0);
  EXPECT_EQ(ds().MaxAllele, 3);
  EXPECT_EQ(tg().TestMaxAllele, (Vec1<int>{0, 2, 3, 1, 2}));
  run("menu AssisgnmentGr\nexpect-message Open test file first!");
}

TEST_F(AssignmentFiles, ReferenceAfterAnInputFileSizesTheIndividualSelection) {
  dir.write("demo.txt", kDemoFile);  // three populations of three
  run("file demo.txt\nmenu OpenPopGen");
  newMainWindow();
  // Four populations of five individuals: IndSel must cover them all.
  std::string ref = header("Big", "4,1,2", "A\r\n");
  for (int p = 1; p <= 4; ++p) ref += "P" + std::to_string(p) + ",0,0\r\n" + "1,2\r\n1,1\r\n2,2\r\n1,-1\r\n2,1\r\n" + (p == 4 ? "END\r\n" : "\r\n");
  readRef(ref);
  ASSERT_EQ(model().sel.IndSel.size(), 5u);
  for (int p = 1; p <= 4; ++p) EXPECT_EQ(model().sel.IndSel[static_cast<std::size_t>(p)], (Vec1<int>{0, 1, 1, 1, 1, 1})) << p;
  // The input file and its result file stay named.
  EXPECT_EQ(ds().InFileName, dir.file("demo.txt"));
  EXPECT_EQ(ds().OutFileName, dir.file("demo-out.txt"));
}

TEST_F(AssignmentFiles, TestGroupsNeedTheReferenceInTheDataSet) {
  readRef(kRef);
  newMainWindow();
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  newMainWindow();  // the input file replaced the reference populations, but RefFileName stays named
  dir.write("test.txt", kTest);
  run("file test.txt\nmenu OpenTestFile\nexpect-message First open file with reference pops for assignment!");
  EXPECT_EQ(model().flags.TestLoaded, 0);
  EXPECT_EQ(ds().TestFileName, "");
  EXPECT_EQ(ds().NPop, 3);
}

TEST_F(AssignmentFiles, ModeWindowPicksTwoDigitLocusNumbers) {
  // Twelve loci; the twelfth name begins with digits itself.
  std::string loci, codes;
  for (int l = 1; l <= 11; ++l) loci += "L" + std::to_string(l) + "\r\n";
  loci += "7up\r\n";
  for (int l = 1; l <= 12; ++l) codes += std::string(l > 1 ? "," : "") + "1,2";
  readRef(header("Ref", "1,12,2", loci) + "Q,0,0\r\n" + codes + "\r\nEND\r\n");
  readTest(header("T", "1,12,2", loci) + "G,0,0\r\n" + codes + "\r\nEND\r\n");
  model().flags.LociChanged = 0;
  run("menu Mode_inheritance\npick List1 12  - 7up\nclick Command1\nexpect-list List2 12  - 7up");
  EXPECT_EQ(model().sel.LocMode[12], 2);
  EXPECT_EQ(model().sel.LocMode[7], 1);
  EXPECT_EQ(model().flags.LociChanged, 1);
}

TEST_F(AssignmentFiles, ModeWindowLeavesDeselectedLociAlone) {
  readRef(kRef);
  readTest(kTest);  // B and C are deselected
  model().sel.LocMode[2] = 3;
  run("menu Mode_inheritance\nexpect-list List3\ntick Check1\ntick Check2\ntick Check3\npick List3 1  - A\nclick Command1");
  EXPECT_EQ(model().sel.LocMode, (Vec1<int>{0, 2, 3, 1, 3}));
}

}  // namespace
}  // namespace kiwora
