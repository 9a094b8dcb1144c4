#include "files/tarn_export.h"

#include <gtest/gtest.h>

#include "files/decimal_number.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

class TarnExport : public testing::AppFixture {};

// Individual 2 of population 1 reduced away, population 2 and locus 2 excluded, and an equal-size
// reduction to 2 recorded that population 3 (of 3) never went through: the count line still tells the
// individuals written, and the running number counts the written lines. Numbers keep their "." under a
// decimal comma.
TEST_F(TarnExport, WritesTheSelectedIndividualsAndCountsThem) {
  dir.write("demo.txt", kDemoFile);
  services.setDecimalSign(',');
  run("file demo.txt\nmenu OpenPopGen");
  Selection& sel = model().sel;
  sel.PopSel[2] = 0;
  sel.LocSel[2] = 0;
  sel.IndSel[1][2] = 0;
  sel.EqualSizeFlag = 1;
  sel.MinSampleSize = 2;
  run("file tarn.txt\nmenu Save_AS_Tarn");
  EXPECT_TRUE(services.messages().empty());
  EXPECT_EQ(model().ds.SaveFileName, dir.file("tarn.txt"));
  EXPECT_EQ(readFile(dir.file("tarn.txt")),
            "Demo Populations\r\n 5 \r\n 4 \r\nSNP_001\r\nSNP_003\r\nSNP_004\r\nSNP_005\r\n"
            "1,28.0252,53.8763,3,3,2,2,3,3,-1,-1\r\n"
            "2,28.0252,53.8763,3,3,2,2,3,3,2,2\r\n"
            "3,46.4746,52.455,3,3,2,2,3,3,2,2\r\n"
            "4,46.4746,52.455,3,3,2,2,3,3,2,2\r\n"
            "5,46.4746,52.455,3,3,2,2,3,3,2,2\r\n");
}

// Coordinates go out as the input-file writer writes them, every digit and never an exponent, which the
// readers refuse: in the genotype file, the frequency file and the allele-frequency table alike.
TEST_F(TarnExport, CoordinatesAreWrittenWithAllTheirDigitsAndNoExponent) {
  dir.write("far.txt", "Far\n2,1,2\nL\nP1,0.00001,123456789012345678\n1,2\n\nP2,1000000000000000000000,-0.000123\n2,2\nEND\n");
  run("file far.txt\nmenu OpenPopGen\nfile tarn.txt\nmenu Save_AS_Tarn\nmenu Diploid\nclick Command1\nfile freq.txt\nmenu exTarn");
  EXPECT_TRUE(services.messages().empty());
  const std::string p1 = "0.00001,123456789012345680", p2 = "1000000000000000000000,-0.000123";
  EXPECT_EQ(readFile(dir.file("tarn.txt")), "Far\r\n 2 \r\n 1 \r\nL\r\n1," + p1 + ",1,2\r\n2," + p2 + ",2,2\r\n");
  EXPECT_EQ(readFile(dir.file("freq.txt")), "Far\r\n 2 \r\n 1 \r\nL,2\r\n1," + p1 + ",0.500,0.500\r\n2," + p2 + ",0.000,1.000\r\n");
  // The input-file writer writes the same text.
  EXPECT_EQ(decimalText(model().ds.PopX[1]) + "," + decimalText(model().ds.PopY[1]), p1);
  // The table takes the user's decimal sign, and ";" between its fields under a decimal comma.
  run("file table.csv\nmenu OutPutPast");
  EXPECT_EQ(readFile(dir.file("table.csv")), "Pop,X_Pos,Y_Pos,L_1,L_2\r\nP1," + p1 + ",0.500,0.500\r\nP2," + p2 + ",0.000,1.000\r\n");
  services.setDecimalSign(',');
  run("file table.csv\nmenu OutPutPast");
  EXPECT_EQ(readFile(dir.file("table.csv")),
            "Pop;X_Pos;Y_Pos;L_1;L_2\r\nP1;0,00001;123456789012345680;0,500;0,500\r\nP2;1000000000000000000000;-0,000123;0,000;1,000\r\n");
  EXPECT_TRUE(services.messages().empty());
}

TEST_F(TarnExport, CancellingWritesNothing) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\ncancel\nmenu Save_AS_Tarn");
  EXPECT_EQ(model().ds.SaveFileName, "");
  EXPECT_TRUE(services.messages().empty());
}

}  // namespace
}  // namespace kiwora
