#include "files/frequency_export.h"

#include <gtest/gtest.h>

#include "stats/allele_stats.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

// The example data after an analysis of populations 1 and 3 and loci 1, 2, 3 and 5. Locus 4 is then
// selected again without a new run, so it has no allele with a frequency above 0.
// Frequencies: locus 1 allele 3 = 1; locus 2 alleles 3 and 4 = 1/2, 1/2 (population 1) and 2/6, 4/6
// (population 3); locus 3 allele 2 = 1; locus 5 allele 2 = 1 (population 1 counts its 3 copies only).
class FrequencyExport : public testing::AppFixture {
 protected:
  void analyse() {
    dir.write("demo.txt", kDemoFile);
    run("file demo.txt\nmenu OpenPopGen");
    Selection& sel = model().sel;
    sel.PopSel[2] = 0;
    sel.LocSel[4] = 0;
    DataSet& ds = model().ds;
    GenotypeView v = viewOf(ds, sel);
    Calc_Allele_Freq(v, false, app.analysis.alleles);
    sel.LocSel[4] = 1;
    model().flags.AnalysisDone = 1;
    app.forms.unload("frmStart");
    app.forms.show("frmStart");
  }
};

TEST_F(FrequencyExport, TarnFrequencyFile) {
  analyse();
  services.setDecimalSign(',');  // numbers keep their "." in a comma-separated file
  run("file freq.txt\nmenu exTarn");
  EXPECT_TRUE(services.messages().empty());
  EXPECT_EQ(model().ds.FreqFileName, dir.file("freq.txt"));
  const std::string p1 = "1,28.0252,53.8763", p3 = "3,46.4746,52.455";
  EXPECT_EQ(readFile(dir.file("freq.txt")),
            "Demo Populations\r\n 2 \r\n 5 \r\nSNP_001,1\r\nSNP_002,2\r\nSNP_003,1\r\nSNP_004,\r\nSNP_005,1\r\n" +
                p1 + ",1.000\r\n" + p1 + ",0.500,0.500\r\n" + p1 + ",1.000\r\n" + p1 + "\r\n" + p1 + ",1.000\r\n" +
                p3 + ",1.000\r\n" + p3 + ",0.333,0.667\r\n" + p3 + ",1.000\r\n" + p3 + "\r\n" + p3 + ",1.000\r\n");
}

TEST_F(FrequencyExport, AlleleFrequencyTableFollowsTheDecimalSign) {
  analyse();
  const struct { const char* what; char dec; bool onlyFixedLocus; const char* name3; std::string text; } cases[] = {
      {"decimal point", '.', false, "Pop_3",
       "Pop,X_Pos,Y_Pos,SNP_001_3,SNP_002_3,SNP_002_4,SNP_003_2,SNP_005_2\r\n"
       "Pop_1,28.0252,53.8763,1.000,0.500,0.500,1.000,1.000\r\n"
       "Pop_3,46.4746,52.455,1.000,0.333,0.667,1.000,1.000\r\n"},
      {"decimal comma", ',', false, "Pop;3",
       "Pop;X_Pos;Y_Pos;SNP_001_3;SNP_002_3;SNP_002_4;SNP_003_2;SNP_005_2\r\n"
       "Pop_1;28,0252;53,8763;1,000;0,500;0,500;1,000;1,000\r\n"
       "\"Pop;3\";46,4746;52,455;1,000;0,333;0,667;1,000;1,000\r\n"},
      // No frequency text holds a ".", so the separator is ";" whatever the locale.
      {"only fixed frequencies", '.', true, "Pop_3",
       "Pop;X_Pos;Y_Pos;SNP_001_3\r\nPop_1;28.0252;53.8763;1.000\r\nPop_3;46.4746;52.455;1.000\r\n"},
      {"only fixed frequencies, decimal comma", ',', true, "Pop_3",
       "Pop;X_Pos;Y_Pos;SNP_001_3\r\nPop_1;28,0252;53,8763;1,000\r\nPop_3;46,4746;52,455;1,000\r\n"},
  };
  for (const auto& c : cases) {
    services.setDecimalSign(c.dec);
    model().ds.PopName[3] = c.name3;
    for (int l = 2; l <= 5; ++l) model().sel.LocSel[l] = c.onlyFixedLocus ? 0 : 1;
    run("file table.csv\nmenu OutPutPast");
    EXPECT_EQ(readFile(dir.file("table.csv")), c.text) << c.what;
  }
  EXPECT_TRUE(services.messages().empty());
  EXPECT_EQ(model().ds.FreqFileName, "");
}

// Before any run the table holds nothing, and after a new data load it belongs to no data: every cell
// counts as 0, so no allele has a column.
TEST_F(FrequencyExport, FrequenciesNotComputedForTheDataGiveNoColumns) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen");
  model().flags.AnalysisDone = 1;
  app.forms.unload("frmStart");
  app.forms.show("frmStart");
  run("file table.csv\nmenu OutPutPast");
  EXPECT_EQ(readFile(dir.file("table.csv")),
            "Pop;X_Pos;Y_Pos\r\nPop_1;28.0252;53.8763\r\nPop_2;23.7928;53.6858\r\nPop_3;46.4746;52.455\r\n");
}

TEST_F(FrequencyExport, AFileThatCannotBeWrittenIsReportedAndTheEarlierFileStays) {
  analyse();
  for (const char* item : {"exTarn", "OutPutPast"}) {
    run(std::string("file /dev/full\ncancel\nmenu ") + item);
    ASSERT_EQ(services.pendingMessages(), 1u) << item;
    EXPECT_EQ(services.saveDialogsOpenedAt().back(), "/dev/full") << item;
    EXPECT_EQ(*services.takeMessage(), "The file /dev/full cannot be written (it is not a regular file). Nothing was saved.")
        << item;
    dir.write("earlier.csv", "earlier\r\n");
    {
      testing::FileSizeLimit full(8);
      run(std::string("file earlier.csv\ncancel\nmenu ") + item);
    }
    ASSERT_EQ(services.pendingMessages(), 1u) << item;
    EXPECT_EQ(services.takeMessage()->rfind("The file " + dir.file("earlier.csv") + " could not be written completely", 0), 0u)
        << item;
    EXPECT_EQ(readFile(dir.file("earlier.csv")), "earlier\r\n") << item;
  }
}

}  // namespace
}  // namespace kiwora
