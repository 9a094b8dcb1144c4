// Which file a note names. Another copy of the program may start a result file afresh at any moment, and
// a file system gives a removed file's inode to the next new file: a note must not take such a file for
// the one it noted, however alike the two are.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files/result_file.h"
#include "files/result_lock.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

namespace fs = std::filesystem;

struct stat statOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

// Whether the note's held file is the one at `path`.
bool notes(const ResultFileMark& mark, const std::string& path) {
  struct stat held {};
  const struct stat named = statOf(path);
  return mark.held && ::fstat(mark.held->fd(), &held) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Another copy that opens the same data file at the worst moment: right after this copy's new result file
// took its name, before this copy goes on.
std::string gRacedPath;
void anotherCopyStartsTheFileAfresh(const std::string& outPath) {
  resultFileStartedHook = nullptr;  // that copy's own start is not raced
  gRacedPath = outPath;
  ASSERT_FALSE(createResultFile(outPath, "01/01/2026", "demo.txt", "EDITED"));
}

class ResultFileRace : public testing::AppFixture {
 protected:
  void TearDown() override { resultFileStartedHook = nullptr; }
};

// The load notes the file it wrote, not whatever stands at the name a moment later: the analysis then
// refuses to go under the other copy's header block, which stays as that copy wrote it.
TEST_F(ResultFileRace, ALoadNotesTheFileItWroteNotTheOneAnotherCopyPutInItsPlace) {
  dir.write("demo.txt", testing::kDemoFile);
  const std::string out = dir.file("demo-out.txt");
  resultFileStartedHook = anotherCopyStartsTheFileAfresh;
  run("file demo.txt\nmenu OpenPopGen");
  ASSERT_EQ(gRacedPath, out) << "the other copy did not get in";
  const std::string theirs = testing::readFile(out);
  ASSERT_NE(theirs.find("Titel: EDITED"), std::string::npos);
  ASSERT_TRUE(model().resultFileHeader.held);
  EXPECT_FALSE(notes(model().resultFileHeader, out));
  for (const ResultFileMark& started : model().startedResultFiles) EXPECT_FALSE(notes(started, out));

  run("menu Diploid\nclick Command1");
  run("expect-message " + resultFileChangedSinceMessage(out));
  EXPECT_EQ(testing::readFile(out), theirs);
  EXPECT_EQ(model().flags.AnalysisDone, 0);

  // Opening the data file again starts the file afresh for this copy, and the analysis goes there.
  run("click Command2\nexpect-window frmStart\nfile demo.txt\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart");
  const std::string ours = testing::readFile(out);
  EXPECT_EQ(ours.find("EDITED"), std::string::npos);
  EXPECT_EQ(model().flags.AnalysisDone, 1);
}

// The same file with its header block edited in place is told from one put in its place: the message says
// it was changed.
TEST_F(ResultFileRace, AHeaderBlockEditedInPlaceIsCalledChanged) {
  dir.write("demo.txt", testing::kDemoFile);
  const std::string out = dir.file("demo-out.txt");
  run("file demo.txt\nmenu OpenPopGen");
  std::string text = testing::readFile(out);
  text[text.find("Titel")] = 't';
  {
    std::fstream edit(out, std::ios::binary | std::ios::in | std::ios::out);
    edit << text;
  }
  run("menu Diploid\nclick Command1");
  run("expect-message " + resultFileChangedSinceMessage(out, true));
  EXPECT_EQ(resultFileChangedSinceMessage(out, true),
            "The result file " + out + " was changed since it was opened: nothing was calculated and nothing was written to it!");
  EXPECT_EQ(testing::readFile(out), text);
}

// A note holds its file open, so no new file can take its inode while the note lives; and a file that did
// carry the noted device and inode (forced here, as a file system may hand it out) is still not the noted
// one, however alike the bytes.
TEST(ResultFileIdentity, AFileStartedAfreshWithTheSameBytesIsNeverTakenForTheNotedOne) {
  testing::TempDir dir;
  const std::string out = dir.file("oak-out.txt");
  ResultFileMark ours;
  ASSERT_FALSE(createResultFile(out, "01/01/2026", "oak.txt", "Oaks", &ours));
  ASSERT_TRUE(ours.exists);
  ASSERT_TRUE(ours.held) << "the note holds its file open";
  const std::string bytes = testing::readFile(out);

  // Another copy starts the file afresh, again and again, byte for byte as this one did.
  for (int round = 0; round < 8; ++round) {
    ASSERT_FALSE(createResultFile(out, "01/01/2026", "oak.txt", "Oaks"));
    ASSERT_EQ(testing::readFile(out), bytes);
    EXPECT_NE(statOf(out).st_ino, ours.ino) << "round " << round << ": the held inode went to a new file";
    ResultFileMark now;
    bool under = true;
    ASSERT_FALSE(markResultFile(out, now, &ours, &under));
    EXPECT_FALSE(under) << "round " << round;
  }

  // The other copy's file, with this note's device and inode forced onto it: the held descriptor, and the
  // birth time where the file system keeps one, still tell them apart.
  const struct stat theirs = statOf(out);
  ResultFileMark forged = ours;
  forged.dev = theirs.st_dev;
  forged.ino = theirs.st_ino;
  ResultFileMark now;
  bool under = true;
  ASSERT_FALSE(markResultFile(out, now, &forged, &under));
  EXPECT_FALSE(under) << "a held file is compared by its own inode";
  if (ours.hasBirth) {
    forged.held.reset();
    under = true;
    ASSERT_FALSE(markResultFile(out, now, &forged, &under));
    EXPECT_FALSE(under) << "the birth times differ";
  }

  // The noted file itself, moved back under its name, is still this note's file.
  ResultFileMark kept;
  ASSERT_FALSE(createResultFile(dir.file("kept.txt"), "01/01/2026", "oak.txt", "Oaks", &kept));
  fs::rename(dir.file("kept.txt"), out);
  under = false;
  ASSERT_FALSE(markResultFile(out, now, &kept, &under));
  EXPECT_TRUE(under);
}

// Notes of files that no longer have a name are let go: a session that opens data files again and again
// keeps one open descriptor per live result file, not one per load.
TEST_F(ResultFileRace, TheSessionHoldsOneFilePerLiveResultFile) {
  dir.write("demo.txt", testing::kDemoFile);
  dir.write("other.txt", testing::kDemoFile);
  for (int i = 0; i < 5; ++i) run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart");
  run("file other.txt\nmenu OpenPopGen");
  EXPECT_EQ(model().startedResultFiles.size(), 2u);
  for (const ResultFileMark& started : model().startedResultFiles) EXPECT_TRUE(stillHeld(started));
}

}  // namespace
}  // namespace kiwora
