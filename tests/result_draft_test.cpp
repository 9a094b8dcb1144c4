#include "files/result_draft.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "files/text_writer.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::folderEntries;
using testing::readFile;

// A run's sections go to the draft's path one by one; the file changes only when the draft is kept.
TEST(ResultDraft, TheFileChangesOnlyWhenTheRunIsKept) {
  const std::string earlier = "earlier results\r\n";
  const std::string sections = "header\r\nfirst section\r\nsecond section\r\n";
  struct Case {
    const char* what;
    bool earlierFile;
    bool keep;
    std::string after;  // the file's content afterwards; "(none)": no file
  };
  const Case cases[] = {
      {"created over an earlier file, kept", true, true, sections},
      {"created over an earlier file, dropped", true, false, earlier},
      {"created where there was none, kept", false, true, sections},
      {"created where there was none, dropped", false, false, "(none)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string target = dir.file("r-out.txt");
    if (c.earlierFile) dir.write("r-out.txt", earlier);
    const auto entries = folderEntries(dir.path());
    const auto content = [&] { return std::filesystem::exists(target) ? readFile(target) : std::string("(none)"); };
    const std::string before = content();
    {
      ResultDraft draft;
      ASSERT_TRUE(draft.begin(target)) << draft.problem().message();
      for (const char* part : {"header", "first section", "second section"})
        ASSERT_EQ(appendSection(draft.path(), '.', [&](LineWriter& out) { out.text(part).nl(); }).message(), "");
      // Nothing reaches the file before the draft is kept.
      EXPECT_EQ(content(), before);
      if (c.keep) {
        ASSERT_TRUE(draft.keep()) << draft.problem().message();
      }
    }
    EXPECT_EQ(content(), c.after);
    auto expectedEntries = entries;
    if (c.after != "(none)") expectedEntries = {"r-out.txt"};
    EXPECT_EQ(folderEntries(dir.path()), expectedEntries) << "a draft was left beside the file";
  }
}

// A draft that is dropped leaves its target alone: a file put in its place meanwhile (another program
// saved over it) stays as it is.
TEST(ResultDraft, ADroppedDraftLeavesAFileThatReplacedItsTarget) {
  testing::TempDir dir;
  const std::string target = dir.write("r-out.txt", "earlier\r\n");
  const std::string other = "a file saved over it, longer than the one the run began with\r\n";
  {
    ResultDraft draft;
    ASSERT_TRUE(draft.begin(target));
    ASSERT_EQ(appendSection(draft.path(), '.', [](LineWriter& out) { out.text("section").nl(); }).message(), "");
    dir.write("other.txt", other);
    std::filesystem::rename(dir.file("other.txt"), target);
  }
  EXPECT_EQ(readFile(target), other);
}

// A draft replaces only the file its run began in, and only while that file is exactly as the run found
// it. Otherwise nothing is written and the draft says the file changed.
TEST(ResultDraft, ItIsKeptOnlyInTheFileTheRunBeganIn) {
  const std::string earlier = "header\r\nearlier section\r\n";
  const std::string other = "another writer's section\r\n";
  struct Case {
    const char* what;
    bool earlierFile;
    std::function<void(const testing::TempDir&, const std::string&)> meanwhile;
    std::string after;  // "(none)": no file
  };
  const auto append = [&](const testing::TempDir&, const std::string& target) {
    std::ofstream(target, std::ios::binary | std::ios::app) << other;
  };
  const auto restart = [&](const testing::TempDir& dir, const std::string& target) {
    // A new file with the same header block, as opening the data file again writes it.
    std::filesystem::rename(dir.write("new.txt", earlier), target);
  };
  const auto remove = [](const testing::TempDir&, const std::string& target) { std::filesystem::remove(target); };
  const auto make = [&](const testing::TempDir& dir, const std::string&) { dir.write("r-out.txt", other); };
  const Case cases[] = {
      {"another writer added a section", true, append, earlier + other},
      {"the file was started afresh", true, restart, earlier},
      {"the file was removed", true, remove, "(none)"},
      {"where there was none, a file was made", false, make, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string target = dir.file("r-out.txt");
    if (c.earlierFile) dir.write("r-out.txt", earlier);
    ResultDraft draft;
    ASSERT_TRUE(draft.begin(target)) << draft.problem().message();
    ASSERT_EQ(appendSection(draft.path(), '.', [&](LineWriter& out) { out.text("this run's section").nl(); }).message(),
              "");
    c.meanwhile(dir, target);
    EXPECT_FALSE(draft.keep());
    EXPECT_TRUE(draft.fileChanged());
    EXPECT_EQ(std::filesystem::exists(target) ? readFile(target) : std::string("(none)"), c.after);
    for (const std::string& name : folderEntries(dir.path())) EXPECT_EQ(name, "r-out.txt");
  }
}

}  // namespace
}  // namespace kiwora
