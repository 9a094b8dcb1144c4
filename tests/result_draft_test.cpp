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
    bool create;
    bool keep;
    std::string after;  // the file's content afterwards; "(none)": no file
  };
  const Case cases[] = {
      {"created over an earlier file, kept", true, true, true, sections},
      {"created over an earlier file, dropped", true, true, false, earlier},
      {"created where there was none, kept", false, true, true, sections},
      {"created where there was none, dropped", false, true, false, "(none)"},
      {"appended, kept", true, false, true, earlier + sections},
      {"appended, dropped", true, false, false, earlier},
      {"appended to a file gone missing, kept", false, false, true, sections},
      {"appended to a file gone missing, dropped", false, false, false, "(none)"},
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
      ASSERT_TRUE(draft.begin(target, c.create)) << draft.problem().message();
      for (const char* part : {"header", "first section", "second section"})
        ASSERT_EQ(appendSection(draft.path(), '.', [&](LineWriter& out) { out.text(part).nl(); }).message(), "");
      // Nothing reaches a file that the run empties (or makes) before it is kept.
      if (c.create || !c.earlierFile) {
        EXPECT_EQ(content(), before);
      }
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

// A draft that is dropped cuts back only the file it appended to: one put in its place meanwhile (another
// program saved over it) stays as it is.
TEST(ResultDraft, ADroppedDraftLeavesAFileThatReplacedItsTarget) {
  testing::TempDir dir;
  const std::string target = dir.write("r-out.txt", "earlier\r\n");
  const std::string other = "a file saved over it, longer than the one the run began with\r\n";
  {
    ResultDraft draft;
    ASSERT_TRUE(draft.begin(target, false));
    ASSERT_EQ(appendSection(draft.path(), '.', [](LineWriter& out) { out.text("section").nl(); }).message(), "");
    dir.write("other.txt", other);
    std::filesystem::rename(dir.file("other.txt"), target);
  }
  EXPECT_EQ(readFile(target), other);
}

// A draft goes only to the file its run began in. Appending, other writers' sections before it are fine;
// creating, the file must be exactly as the run found it. Otherwise nothing is written and the draft says
// the file changed.
TEST(ResultDraft, ItIsKeptOnlyInTheFileTheRunBeganIn) {
  const std::string earlier = "header\r\nearlier section\r\n";
  const std::string other = "another writer's section\r\n";
  const std::string section = "this run's section\r\n";
  struct Case {
    const char* what;
    bool earlierFile;
    bool create;
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
  const auto cutInPlace = [&](const testing::TempDir&, const std::string& target) {
    std::ofstream(target, std::ios::binary | std::ios::trunc) << "header\r\n";
  };
  const auto remove = [](const testing::TempDir&, const std::string& target) { std::filesystem::remove(target); };
  const auto make = [&](const testing::TempDir& dir, const std::string&) { dir.write("r-out.txt", other); };
  const Case cases[] = {
      {"appending, another writer added a section", true, false, append, earlier + other + section},
      {"appending, the file was started afresh", true, false, restart, earlier},
      {"appending, the file was cut in place", true, false, cutInPlace, "header\r\n"},
      {"appending, the file was removed", true, false, remove, "(none)"},
      {"appending where there was none, a file was made", false, false, make, other},
      {"creating, another writer added a section", true, true, append, earlier + other},
      {"creating, the file was started afresh", true, true, restart, earlier},
      {"creating, the file was removed", true, true, remove, "(none)"},
      {"creating where there was none, a file was made", false, true, make, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string target = dir.file("r-out.txt");
    if (c.earlierFile) dir.write("r-out.txt", earlier);
    ResultDraft draft;
    ASSERT_TRUE(draft.begin(target, c.create)) << draft.problem().message();
    ASSERT_EQ(appendSection(draft.path(), '.', [&](LineWriter& out) { out.text("this run's section").nl(); }).message(),
              "");
    c.meanwhile(dir, target);
    const bool kept = draft.keep();
    EXPECT_EQ(kept, c.after == earlier + other + section);
    EXPECT_EQ(draft.fileChanged(), !kept);
    EXPECT_EQ(std::filesystem::exists(target) ? readFile(target) : std::string("(none)"), c.after);
    for (const std::string& name : folderEntries(dir.path())) EXPECT_EQ(name, "r-out.txt");
  }
}

}  // namespace
}  // namespace kiwora
