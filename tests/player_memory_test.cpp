// The script player under a small memory limit: a long script keeps only the messages its expectations
// can still read, and running out of memory anywhere ends the program with its out-of-memory message on
// standard error, never as a failed line of the script.
#ifdef KIWORA_BINARY
#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <string>

#include "support/app_fixture.h"
#include "support/played_process.h"

namespace kiwora {
namespace {

constexpr const char* kRefusedLoad = "file missing.txt\nmenu OpenPopGen\n";
constexpr const char* kRefusal = "expect-message The reading of input data was not successful!\n";

std::string tail(const std::string& s) { return s.size() > 400 ? s.substr(s.size() - 400) : s; }

std::string repeated(const std::string& s, std::size_t bytes) {
  std::string r;
  r.reserve(bytes + s.size());
  while (r.size() < bytes) r += s;
  return r;
}

// Every refused load shows a message of about 100 bytes; kept, they took 16 times the script.
TEST(PlayerMemory, AScriptOfManyMessagesKeepsWhatItsExpectationsCanStillRead) {
  constexpr std::size_t kScript = std::size_t{8} << 20;
  const std::string bulk = repeated(kRefusedLoad, kScript);
  const struct {
    const char* what;
    std::string script;
  } cases[] = {
      {"no expectation", bulk},
      // Two messages shown before their expectations, the bulk between, one expectation at the very end:
      // it reads the oldest message not yet checked, one the bulk showed.
      {"expectations before and after",
       std::string(kRefusedLoad) + kRefusedLoad + kRefusal + kRefusal + bulk + kRefusal + "expect-window frmStart\n"},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    const testing::PlayedProcess played = testing::playInChild(dir.write("long.kws", c.script), 6 * kScript + (64u << 20));
    EXPECT_TRUE(played.exited && played.exitCode == 0) << c.what << ": " << tail(played.out) << played.err;
    EXPECT_EQ(played.err, "") << c.what;
    // Only the script and the program itself (the sanitizer's quarantine keeps freed memory resident).
    if (testing::kAddressSpaceLimitApplies) {
      EXPECT_LT(played.peakKilobytes, 3 * static_cast<long>(kScript >> 10) + 40 * 1024) << c.what;
    }
  }
}

// An expectation still reads every message it can reach: the oldest not yet checked, in order.
TEST(PlayerMemory, ExpectationsReadTheOldestMessagesStillWaiting) {
  testing::TempDir dir;
  dir.write("demo.txt", testing::kDemoFile);
  const struct {
    const char* what;
    std::string script;
    int exit;
  } cases[] = {
      {"in order", "file demo.txt\nmenu OpenRefFile\nfile missing.txt\nmenu OpenRefFile\n"
                   "expect-message The reading of the reference data was successful!\n"
                   "expect-message The reading of input data was not successful!\n", 0},
      {"out of order", "file demo.txt\nmenu OpenRefFile\nfile missing.txt\nmenu OpenRefFile\n"
                       "expect-message The reading of input data was not successful!\n", 1},
      {"one more than shown", std::string(kRefusedLoad) + kRefusal + kRefusal, 1},
  };
  for (const auto& c : cases) {
    const testing::PlayedProcess played = testing::playInChild(dir.write("t.kws", c.script), 0);
    EXPECT_EQ(played.exitCode, c.exit) << c.what << ": " << played.out;
  }
}

// Memory runs out outside any run: a script line of 96 MB, which the player reads, takes apart and quotes
// in the message of a failed expectation, under a limit that the program starts in with room to spare.
// Wherever the memory runs out, the program ends with its message.
TEST(PlayerMemory, RunningOutOfMemoryEndsTheProgramWithItsMessage) {
  if (!testing::kAddressSpaceLimitApplies) GTEST_SKIP() << "the sanitizer's reservations exceed any limit";
  testing::TempDir dir;
  const std::string script = dir.write("big.kws", "expect-text Label2 " + std::string(std::size_t{96} << 20, 'x') + "\n");
  const testing::PlayedProcess played = testing::playInChild(script, std::size_t{288} << 20);
  ASSERT_TRUE(played.exited);
  EXPECT_NE(played.exitCode, 0);
  EXPECT_EQ(played.err, "kiwora: not enough memory; the program ends.\n") << played.out.substr(0, 200);
  EXPECT_EQ(played.out.find("big.kws:1"), std::string::npos) << played.out.substr(0, 200);
}

// The player itself: an action that runs out of memory is not a failed line.
class PlayerOutOfMemory : public testing::AppFixture {};

TEST_F(PlayerOutOfMemory, LetsTheLackOfMemoryThrough) {
  auto* item = dynamic_cast<MenuItem*>(app.forms.active()->find("OpenPopGen"));
  ASSERT_NE(item, nullptr);
  item->onClick = [] { throw std::bad_alloc(); };
  EXPECT_THROW(player.playText("menu OpenPopGen\n", "t.kws"), std::bad_alloc);
  EXPECT_EQ(log.str().find("t.kws:1"), std::string::npos) << log.str();
}

}  // namespace
}  // namespace kiwora
#endif
