// Reading the test groups again: the same checks as the menu command, and nothing changes on refusal.
#include <gtest/gtest.h>

#include "assign/reload_test_file.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

const std::string kLoci = "A\r\nB\r\nC\r\n";
const std::string kRef = "Ref\r\n2,3,4\r\n" + kLoci +
                         "P1,0,0\r\n1,2,3,3,1,1\r\n2,2,3,4,1,2\r\n\r\n"
                         "P2,1,1\r\n4,4,1,1,2,2\r\nEND\r\n";
// C has no allele in any group, so the read deselects it.
const std::string kTest = "Tests\r\n2,3,4\r\n" + kLoci +
                          "G1,0,0\r\n1,2,3,3,-1,-1\r\n\r\n"
                          "G2,0,0\r\n4,4,1,-1,-1,-1\r\n2,2,3,3,-1,-1\r\nEND\r\n";

class ReloadTestFile : public testing::AppFixture {
 protected:
  void SetUp() override {
    dir.write("ref.txt", kRef);
    dir.write("test.txt", kTest);
    run("file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
        "file test.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  }
};

TEST_F(ReloadTestFile, EditedFileReplacesTheGroupsAsTheMenuReadDoes) {
  // The groups in memory were changed (as a run could), the file now has one group with data at C.
  model().test.NTestInd[1] = 0;
  model().sel.LocSel[2] = 0;
  dir.write("test.txt", "Edited\r\n1,3,6\r\n" + kLoci + "H1,0,0\r\n6,1,3,3,2,-1\r\nEND\r\n");
  EXPECT_FALSE(Reload_Test_File(model()));
  const TestGroups& t = model().test;
  EXPECT_EQ(t.NTestGr, 1);
  EXPECT_EQ(t.TestGrName, (Vec1<std::string>{"", "H1"}));
  EXPECT_EQ(t.NTestInd, (Vec1<int>{0, 1}));
  EXPECT_EQ(t.TestAllele.a1(1, 1, 1), 6);
  EXPECT_TRUE(t.SimAllele == t.TestAllele);
  EXPECT_DOUBLE_EQ(t.TestMissProp(1, 3), 1.0);
  EXPECT_EQ(t.TestMaxAllele[1], 6);  // widened by the new code
  EXPECT_EQ(model().ds.MaxAllele, 6);
  EXPECT_EQ(model().ds.Title, "Edited");
  // Deselections made by the user stay; C, deselected only because the groups read before had no data
  // there, has data now and is selected again.
  EXPECT_EQ(model().sel.LocSel, (Vec1<int>{0, 1, 0, 1}));
}

TEST_F(ReloadTestFile, FileThatNoLongerFitsIsRefusedAndNothingChanges) {
  const struct {
    const char* what;
    std::string content;  // the file is removed when empty
    std::string message;  // the start of the reader's message
  } cases[] = {
      {"other locus name", "T\r\n1,3,4\r\nA\r\nB\r\nX\r\nH1,0,0\r\n1,1,1,1,1,1\r\nEND\r\n",
       "This file with test groups is not compatible with the reference file!\nLine 5: locus 3"},
      {"fewer loci", "T\r\n1,2,4\r\nA\r\nB\r\nH1,0,0\r\n1,1,1,1\r\nEND\r\n",
       "This file with test groups is not compatible with the reference file!"},
      {"code above its largest", "T\r\n1,3,4\r\n" + kLoci + "H1,0,0\r\n1,1,1,5,1,1\r\nEND\r\n",
       "The reading of input data was not successful!"},
      {"group without individual", "T\r\n2,3,4\r\n" + kLoci + "H1,0,0\r\n1,1,1,1,1,1\r\n\r\nH2,0,0\r\nEND\r\n",
       "The reading of input data was not successful!"},
      {"file gone", "", "The reading of input data was not successful!"},
  };
  const DataSet before = model().ds;
  const Selection selBefore = model().sel;
  const TestGroups testBefore = model().test;
  for (const auto& c : cases) {
    if (c.content.empty()) std::filesystem::remove(dir.file("test.txt"));
    else dir.write("test.txt", c.content);
    const std::string why = Reload_Test_File(model()).message();
    EXPECT_EQ(why.rfind(c.message, 0), 0u) << c.what << ": " << why;
    EXPECT_EQ(model().ds.Title, before.Title) << c.what;
    EXPECT_EQ(model().ds.MaxAllele, before.MaxAllele) << c.what;
    EXPECT_EQ(model().ds.TestFileName, before.TestFileName) << c.what;
    EXPECT_EQ(model().sel.LocSel, selBefore.LocSel) << c.what;
    EXPECT_EQ(model().test.NTestGr, testBefore.NTestGr) << c.what;
    EXPECT_EQ(model().test.TestGrName, testBefore.TestGrName) << c.what;
    EXPECT_TRUE(model().test.TestAllele == testBefore.TestAllele) << c.what;
    EXPECT_EQ(model().test.TestMaxAllele, testBefore.TestMaxAllele) << c.what;
  }
}

}  // namespace
}  // namespace kiwora
