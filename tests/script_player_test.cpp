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
      {"frobnicate Label1\n", "t.kws:1: unknown command word \"frobnicate\""},
      {"frobnicate\n", "t.kws:1: unknown command word \"frobnicate\""},
      {"click frmDiplo.Command1\n", "t.kws:1: window frmDiplo is not open"},
      {"menu OpenPopGen\n", "t.kws:1: a file dialog"},
      {"expect-message Anything\n", "t.kws:1: expected the message \"Anything\", but no message was shown"},
      {"tick Label1\n", "t.kws:1: Label1 is not a check box"},
      {"seed x\n", "t.kws:1: seed needs a whole number from 0 to 18446744073709551615"},
      {"seed -1\n", "t.kws:1: seed needs a whole number"},
      {"seed 18446744073709551616\n", "t.kws:1: seed needs a whole number"},
      {"seed 0x10\n", "t.kws:1: seed needs a whole number"},
      {"seed\n", "t.kws:1: seed needs a whole number"},
      // An answer belongs to the next action: one that opens no dialog, or the end of the script, leaves it
      // unused.
      {"\nfile demo.txt\nexpect-window frmStart\nmenu FormatAscii\n",
       "t.kws:4: the file answer given on line 2 was not used: this action opened no file dialog"},
      {"cancel\n", "t.kws:1: the script ends, but this file answer was never used"},
      {"file a.txt\nfile b.txt\nmenu OpenPopGen\n", "t.kws:3: the file answer given on line 1 was not used"},
      // What a user could use: an item switched on inside a disabled menu is out of reach.
      {"expect-enabled Mode_inheritance\n", "t.kws:1: Mode_inheritance is disabled"},
      // A script in CR-only line ends is several lines, not one comment.
      {"# comment\rexpect-window frmDiplo\r", "t.kws:2: expected the window frmDiplo"},
      {"file x\rshow\r", "t.kws:1: the script ends, but this file answer was never used"},
      {"menu End\nshow\n", "t.kws:2: the program has ended"},
  };
  for (const auto& c : cases) {
    log.str("");
    services.takeMessage();
    services.clearAnswers();
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

// Frames made before what they hold, a frame in a frame, and a control added to an earlier frame after a
// later one: show lists each control under its own frame, one step further in per frame.
class FramedWindow : public Window {
 public:
  explicit FramedWindow(Forms& f) : Window(f, "frmFramed", "Framed") {
    addFrame("FrameA", "Unit");
    addFrame("FrameB", "Size");
    addOption("OptionA1", "Alleles", "FrameA").setValue(true);
    addOption("OptionB1", "Original", "FrameB");
    addFrame("FrameC", "Inner", "FrameA");
    addText("TextC", "FrameC").setText("5");
    addOption("OptionA2", "Genotypes", "FrameA");
    addButton("Command1", "Go back");
  }
};

TEST_F(Player, ShowListsEachControlUnderItsFrame) {
  app.forms.registerWindow("frmFramed", [](Forms& f) { return std::make_unique<FramedWindow>(f); });
  app.forms.show("frmFramed");
  log.str("");
  run("show");
  EXPECT_EQ(log.str(),
            "[frmFramed] Framed\n"
            "  frame FrameA \"Unit\"\n"
            "    option button OptionA1 (*) \"Alleles\"\n"
            "    frame FrameC \"Inner\"\n"
            "      text box TextC = \"5\"\n"
            "    option button OptionA2 ( ) \"Genotypes\"\n"
            "  frame FrameB \"Size\"\n"
            "    option button OptionB1 ( ) \"Original\"\n"
            "  button Command1 \"Go back\"\n");
}

TEST_F(Player, LineEndsMarksAndTabsAreReadAsAUserWritesThem) {
  dir.write("demo.txt", testing::kDemoFile);
  const char* const scripts[] = {
      "file demo.txt\r\nmenu OpenPopGen\r\nexpect-enabled Diploid\r\n",
      "file demo.txt\rmenu OpenPopGen\rexpect-enabled Diploid",
      "\xEF\xBB\xBF" "file demo.txt\nmenu OpenPopGen\nexpect-enabled Diploid\n",
      "file\tdemo.txt\nmenu\tOpenPopGen\nexpect-enabled \t Diploid\n",
  };
  for (const char* script : scripts) {
    log.str("");
    model().flags.DataLoaded = 0;
    EXPECT_EQ(playScript(script), 0) << script << "\n" << log.str();
    EXPECT_EQ(model().flags.DataLoaded, 1) << script;
  }
  // The largest seed is accepted.
  EXPECT_EQ(playScript("seed 18446744073709551615\nseed 0\n"), 0) << log.str();
}

// An item switched on inside a menu that is off is reported as out of reach, like "menu" refuses it.
TEST_F(Player, ExpectEnabledChecksWhatAUserCouldUse) {
  dir.write("ref.txt", "R\n1,1,2\nL\nP,0,0\n1,2\nEND\n");
  run("file ref.txt\nmenu OpenRefFile\nexpect-disabled Analysis\nexpect-disabled Mode_inheritance");
  EXPECT_NE(refused("expect-enabled Mode_inheritance").find("sits in a disabled or hidden menu"), std::string::npos);
  EXPECT_NE(refused("menu Mode_inheritance"), "");
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

#ifdef KIWORA_BINARY
#include <sys/wait.h>

#include <cstdlib>

namespace kiwora {
namespace {

// The program itself: a script that is not a readable file is refused with a message and a failing exit.
TEST(PlayerProgram, RefusesAScriptThatIsNotARegularFile) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.file("folder"));
  dir.write("ok.kws", "expect-window frmStart\r");
  const struct { std::string script; int exit; const char* says; } cases[] = {
      {dir.file("folder"), 2, "is a folder"},
      {dir.file("missing.kws"), 2, "does not exist"},
      {"/dev/zero", 2, "is not a regular file"},
      {dir.file("ok.kws"), 0, ""},
  };
  for (const auto& c : cases) {
    const std::string out = dir.file("out.txt");
    const std::string cmd = std::string(KIWORA_BINARY) + " --play '" + c.script + "' > '" + out + "' 2>&1";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.script;
    EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.script;
    EXPECT_NE(testing::readFile(out).find(c.says), std::string::npos) << c.script << ": " << testing::readFile(out);
  }
}

// The usual conventions of a command-line program.
TEST(PlayerProgram, HelpVersionAndUnknownOptions) {
  testing::TempDir dir;
  const struct { const char* args; int exit; const char* out; const char* err; } cases[] = {
      {"--help", 0, "usage: kiwora", ""},
      {"--version", 0, "kiwora 1b\n", ""},
      {"--colour", 2, "", "usage: kiwora"},
      {"--play", 2, "", "usage: kiwora"},
  };
  for (const auto& c : cases) {
    const std::string cmd = std::string(KIWORA_BINARY) + " " + c.args + " > '" + dir.file("out") + "' 2> '" +
                            dir.file("err") + "' < /dev/null";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.args;
    EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.args;
    const std::string out = testing::readFile(dir.file("out")), err = testing::readFile(dir.file("err"));
    EXPECT_EQ(out.rfind(c.out, 0), 0u) << c.args << ": " << out;
    EXPECT_EQ(err.rfind(c.err, 0), 0u) << c.args << ": " << err;
    if (!*c.out) {
      EXPECT_EQ(out, "") << c.args;
    }
    if (!*c.err) {
      EXPECT_EQ(err, "") << c.args;
    }
  }
}

// --play takes one script path: an empty one, or a second --play, is refused with the usage before
// anything is read from the terminal.
TEST(PlayerProgram, AnEmptyOrRepeatedScriptPathIsRefusedWithTheUsage) {
  testing::TempDir dir;
  const std::string ok = "'" + dir.write("ok.kws", "expect-window frmStart\n") + "'";
  const struct { std::string args; int exit; } cases[] = {
      {"--play ''", 2},
      {"--play '' --play " + ok, 2},
      {"--play " + ok + " --play ''", 2},
      {"--play " + ok + " --play " + ok, 2},
      {"--play '' --terminal", 2},
      {"--terminal --play ''", 2},
      {"--play " + ok, 0},
  };
  for (const auto& c : cases) {
    // Standard input holds an action that would pass: only a refusal keeps it from being played.
    const std::string cmd = std::string(KIWORA_BINARY) + " " + c.args + " > '" + dir.file("out") + "' 2> '" +
                            dir.file("err") + "' < '" + dir.file("ok.kws") + "'";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.args;
    EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.args;
    const std::string err = testing::readFile(dir.file("err"));
    if (c.exit == 2) {
      EXPECT_NE(err.find("usage: kiwora"), std::string::npos) << c.args << ": " << err;
      EXPECT_EQ(testing::readFile(dir.file("out")), "") << c.args;
    } else {
      EXPECT_EQ(err, "") << c.args;
    }
  }
}

}  // namespace
}  // namespace kiwora
#endif
