#include "files/atomic_file.h"

#include <gtest/gtest.h>

#include "files/text_writer.h"
#include "kinship/pairs_file.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::folderEntries;
using testing::readFile;

// Each way of creating a file, driven through the same steps: start, write a body, finish or not.
struct Writer {
  const char* what;
  std::function<bool(const std::string& path, const std::string& body, bool finish)> run;
};

const Writer kWriters[] = {
    {"AtomicFile",
     [](const std::string& path, const std::string& body, bool finish) {
       AtomicFile f;
       if (!f.open(path)) return false;
       f.write(body);
       return finish ? f.commit() : false;
     }},
    {"TextFile",
     [](const std::string& path, const std::string& body, bool finish) {
       TextFile f;
       if (!f.open(path, TextFile::Mode::Create)) return false;
       f.text(body);
       return finish ? f.close() : false;
     }},
    {"PairsFile",
     [](const std::string& path, const std::string& body, bool finish) {
       PairsFile f;
       if (!f.create(path)) return false;
       f.write(body);
       return finish ? f.close() : false;
     }},
};

TEST(AtomicFile, AFileIsReplacedWholeOrNotAtAll) {
  testing::TempDir dir;
  const std::string target = dir.file("out.txt");
  const std::string body(10000, 'x');
  for (const Writer& w : kWriters) {
    dir.write("out.txt", "earlier");
    const auto entries = folderEntries(dir.path());
    // Broken off before it was finished (a run that threw): the earlier file stays.
    EXPECT_FALSE(w.run(target, body, false)) << w.what;
    EXPECT_EQ(readFile(target), "earlier") << w.what;
    EXPECT_EQ(folderEntries(dir.path()), entries) << w.what;
    // A write that fails half-way, as on a full disk.
    {
      testing::FileSizeLimit full(100);
      EXPECT_FALSE(w.run(target, body, true)) << w.what;
    }
    EXPECT_EQ(readFile(target), "earlier") << w.what;
    EXPECT_EQ(folderEntries(dir.path()), entries) << w.what;
    // Finished: the new text replaces the file, and only then.
    EXPECT_TRUE(w.run(target, body, true)) << w.what;
    EXPECT_NE(readFile(target).find(body), std::string::npos) << w.what;
    EXPECT_EQ(folderEntries(dir.path()), entries) << w.what;
  }
}

TEST(AtomicFile, OnlyRegularFilesAreReplacedAndTheModeIsKept) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.file("folder"));
  AtomicFile f;
  EXPECT_FALSE(f.open(dir.file("folder")));
  EXPECT_EQ(f.problem().message(), "it is a folder");
  EXPECT_FALSE(f.open("/dev/null"));
  EXPECT_EQ(f.problem().message(), "it is not a regular file");
  EXPECT_FALSE(f.open(dir.file("missing/out.txt")));
  EXPECT_EQ(f.problem().message(), "No such file or directory");

  const std::string target = dir.write("kept.txt", "old");
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
  ASSERT_TRUE(f.open(target));
  f.write("new");
  ASSERT_TRUE(f.commit()) << f.problem().message();
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
}

}  // namespace
}  // namespace kiwora
