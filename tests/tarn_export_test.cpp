#include "files/tarn_export.h"

#include <gtest/gtest.h>

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

TEST_F(TarnExport, CancellingWritesNothing) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\ncancel\nmenu Save_AS_Tarn");
  EXPECT_EQ(model().ds.SaveFileName, "");
  EXPECT_TRUE(services.messages().empty());
}

}  // namespace
}  // namespace kiwora
