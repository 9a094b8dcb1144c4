#include "files/result_draft.h"

#include <gtest/gtest.h>

#include <filesystem>

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
      ASSERT_TRUE(draft.begin(target, c.create)) << draft.problem();
      for (const char* part : {"header", "first section", "second section"})
        ASSERT_EQ(appendSection(draft.path(), '.', [&](LineWriter& out) { out.text(part).nl(); }), "");
      // Nothing reaches a file that the run empties (or makes) before it is kept.
      if (c.create || !c.earlierFile) {
        EXPECT_EQ(content(), before);
      }
      if (c.keep) {
        ASSERT_TRUE(draft.keep()) << draft.problem();
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
    ASSERT_EQ(appendSection(draft.path(), '.', [](LineWriter& out) { out.text("section").nl(); }), "");
    dir.write("other.txt", other);
    std::filesystem::rename(dir.file("other.txt"), target);
  }
  EXPECT_EQ(readFile(target), other);
}

}  // namespace
}  // namespace kiwora
