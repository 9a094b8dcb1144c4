#include <gtest/gtest.h>

#include <sstream>

#include "support/app_fixture.h"

namespace kiwora {
namespace {

class Player : public testing::AppFixture {
 protected:
  int playScript(const std::string& text) {
    std::istringstream in(text);
    return player.play(in, "t.kws");
  }
};

TEST_F(Player, StopsAtTheFirstFailingLineAndNamesIt) {
  const struct { const char* script; const char* says; } cases[] = {
      {"# comment\n\nexpect-window frmStart\nexpect-window frmDiplo\nshow\n", "t.kws:4: expected the window frmDiplo"},
      {"menu Diploid\n", "t.kws:1: the menu item Diploid is disabled"},
      {"menu NoSuchItem\n", "t.kws:1: no open window has the menu item NoSuchItem"},
      {"frobnicate Label1\n", "t.kws:1: unknown command frobnicate"},
      {"click frmDiplo.Command1\n", "t.kws:1: window frmDiplo is not open"},
      {"menu OpenPopGen\n", "t.kws:1: a file dialog"},
      {"expect-message Anything\n", "t.kws:1: expected the message \"Anything\", but no message was shown"},
      {"tick Label1\n", "t.kws:1: Label1 is not a check box"},
      {"seed x\n", "t.kws:1: seed needs a whole number"},
      {"menu End\nshow\n", "t.kws:2: the program has ended"},
  };
  for (const auto& c : cases) {
    log.str("");
    services.takeMessage();
    app.forms.end();
    app.forms = Forms();
    registerWindows(app);
    startProgram(app);
    const int rc = playScript(c.script);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(log.str().find(c.says), std::string::npos) << c.script << "\n" << log.str();
  }
}

TEST_F(Player, PlaysAWholeWorkflowAndPrintsMessages) {
  dir.write("demo.txt", testing::kDemoFile);
  dir.write("bad.txt", "x\n");
  EXPECT_EQ(playScript("file demo.txt\nmenu OpenPopGen\nexpect-enabled Diploid\nfile bad.txt\nmenu OpenPopGen\n"
                       "expect-message The size of you data set is too large!\nseed 42\nshow\n"),
            0)
      << log.str();
  EXPECT_NE(log.str().find("message: The size of you data set is too large!"), std::string::npos);
  EXPECT_NE(log.str().find("[frmStart] Kiwora/ Start"), std::string::npos);
  EXPECT_NE(log.str().find("menu item Diploid \"Analysis of &population data\"\n"), std::string::npos);
}

TEST_F(Player, SeedMakesTheClockSeedsRepeatable) {
  run("seed 7");
  const auto a = services.clockSeed();
  const auto b = services.clockSeed();
  run("seed 7");
  EXPECT_EQ(services.clockSeed(), a);
  EXPECT_EQ(services.clockSeed(), b);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace kiwora
