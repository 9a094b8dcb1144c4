// Appending to a result file: only to a regular file, never waiting on a pipe, and each section whole or
// not at all, also against a second appender.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "base/run_context.h"
#include "files/result_file.h"
#include "files/text_writer.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::readFile;

// A section of `lines` numbered rows, each ending in CR LF, long enough to be handed on in parts.
void writeSection(LineWriter& out, char tag, int lines) {
  for (int i = 0; i < lines; ++i) out.text(std::string(1, tag)).num(i).text(std::string(60, tag)).nl();
}

std::string sectionText(char tag, int lines) {
  LineWriter w;
  writeSection(w, tag, lines);
  return w.take();
}

TEST(ResultAppend, OnlyARegularFileIsAppendedToAndAPipeIsNotWaitedFor) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("/dev/null", dir.file("device").c_str()), 0);
  // The refusal names what stands there.
  const struct {
    const char* name;
    const char* cause;
  } cases[] = {{"pipe", "a pipe (FIFO)"}, {"folder", "it is a folder"}, {"device", "a device"}};
  for (const auto& [name, cause] : cases) {
    const std::string path = dir.file(name);
    auto attempt = std::async(std::launch::async, [&] {
      TextFile out;
      const bool opened = out.open(path, TextFile::Mode::Append);
      return std::make_pair(opened, out.problem().message());
    });
    if (attempt.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
      // Free the writer stuck on the pipe, so the test ends and reports the hang.
      const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
      attempt.wait();
      if (reader >= 0) ::close(reader);
      FAIL() << name << ": opening for appending waited instead of refusing";
      continue;
    }
    const auto [opened, problem] = attempt.get();
    EXPECT_FALSE(opened) << name;
    EXPECT_NE(problem.find(cause), std::string::npos) << name << ": " << problem;
  }
  // A missing file is created.
  TextFile out;
  ASSERT_TRUE(out.open(dir.file("new.txt"), TextFile::Mode::Append));
  out.text("x").nl();
  ASSERT_TRUE(out.close());
  EXPECT_EQ(readFile(dir.file("new.txt")), "x\r\n");
}

// Each way a section can fail after part of it reached the file leaves the file as it was.
TEST(ResultAppend, AFailedSectionIsCutBackOut) {
  testing::TempDir dir;
  const std::string earlier = "header\r\n";
  const int lines = 40000;  // about 2.7 MB: more than one part is handed on before the end
  const struct {
    const char* what;
    std::function<bool(TextFile&)> append;  // true when the append reported success
  } cases[] = {
      {"a run stopped in the middle of the section",
       [](TextFile& out) {
         try {
           writeSection(out, 'a', lines);
           throw RunStopped();
         } catch (const RunStopped&) {
         }
         return false;  // the file is left open, as the unwinding run leaves it
       }},
      {"a full disk",
       [&](TextFile& out) {
         testing::FileSizeLimit full(earlier.size() + 1'500'000);
         writeSection(out, 'b', lines);
         return out.close();
       }},
      {"a write that fails only at the last part",
       [&](TextFile& out) {
         writeSection(out, 'c', lines);
         testing::FileSizeLimit full(earlier.size() + 2'000'000);
         return out.close();
       }},
  };
  for (const auto& c : cases) {
    dir.write("r.txt", earlier);
    {
      TextFile out;
      ASSERT_TRUE(out.open(dir.file("r.txt"), TextFile::Mode::Append)) << c.what;
      EXPECT_FALSE(c.append(out)) << c.what;
      if (!out.isOpen()) {
        EXPECT_TRUE(out.problem()) << c.what;
      }
    }
    EXPECT_EQ(readFile(dir.file("r.txt")), earlier) << c.what;
  }
  // And a section that succeeds is there whole.
  {
    TextFile out;
    ASSERT_TRUE(out.open(dir.file("r.txt"), TextFile::Mode::Append));
    writeSection(out, 'd', lines);
    ASSERT_TRUE(out.close());
  }
  EXPECT_EQ(readFile(dir.file("r.txt")), earlier + sectionText('d', lines));
}

TEST(ResultAppend, ASecondAppenderWaitsForTheFirstSection) {
  testing::TempDir dir;
  const std::string path = dir.write("r.txt", "header\r\n");
  const int lines = 40000;
  TextFile first;
  ASSERT_TRUE(first.open(path, TextFile::Mode::Append));
  writeSection(first, 'a', lines / 2);  // parts of it are in the file already
  const auto sizeWithFirstPart = std::filesystem::file_size(path);
  ASSERT_GT(sizeWithFirstPart, 8u);

  std::atomic<bool> secondDone{false};
  std::thread second([&] {
    TextFile out;
    ASSERT_TRUE(out.open(path, TextFile::Mode::Append));
    writeSection(out, 'b', lines);
    EXPECT_TRUE(out.close());
    secondDone = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(secondDone.load()) << "the second appender wrote while the first held the file";
  EXPECT_EQ(std::filesystem::file_size(path), sizeWithFirstPart);
  for (int i = lines / 2; i < lines; ++i) first.text("a").num(i).text(std::string(60, 'a')).nl();
  ASSERT_TRUE(first.close());
  second.join();
  EXPECT_EQ(readFile(path), "header\r\n" + sectionText('a', lines) + sectionText('b', lines));
}

// A writer that replaces the file under the lock (a first assignment run) while an appender waits for it:
// the appender writes to the file now standing there, not to the one that was replaced and is gone.
TEST(ResultAppend, AnAppenderWaitingForAReplacedFileWritesToItsSuccessor) {
  testing::TempDir dir;
  const std::string path = dir.write("r.txt", "old header\r\n");
  const int held = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::thread appender([&] { appendSection(path, '.', [](LineWriter& out) { out.text("section").nl(); }); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::filesystem::rename(dir.write("new.txt", "new header\r\n"), path);
  ::close(held);
  appender.join();
  EXPECT_EQ(readFile(path), "new header\r\nsection\r\n");
}

// Opening a data file starts its result file afresh under the file's lock, as every writer writes: a
// section another copy is appending is finished first, and the new file stands there once it is.
TEST(ResultAppend, StartingTheFileAfreshWaitsForASectionUnderWay) {
  testing::TempDir dir;
  const std::string path = dir.write("r-out.txt", "old header\r\n");
  TextFile appending;
  ASSERT_TRUE(appending.open(path, TextFile::Mode::Append));
  appending.text("section, first half").nl();
  appending.flush();
  std::atomic<bool> started{false};
  std::thread load([&] {
    EXPECT_EQ(createResultFile(path, "01/02/2026", "r.txt", "Title").message(), "");
    started = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(started.load()) << "the file was started afresh while a section was under way";
  EXPECT_EQ(readFile(path), "old header\r\nsection, first half\r\n");
  appending.text("second half").nl();
  ASSERT_TRUE(appending.close());
  load.join();
  const std::string fresh = readFile(path);
  EXPECT_EQ(fresh.find("section"), std::string::npos);
  EXPECT_NE(fresh.find("File:  r.txt\r\n"), std::string::npos) << fresh;
}

// A section for a run that noted its file when it began goes only to that file: after another writer's
// sections, but never to a file started afresh or put in its place, and never to a new file where it was
// removed. The message then names the file.
TEST(ResultAppend, ASectionGoesOnlyToTheFileItsRunBeganIn) {
  const std::string header = "header\r\n";
  const struct {
    const char* what;
    std::function<void(const testing::TempDir&, const std::string&)> meanwhile;
    bool written;
    bool fileAtStart = true;
  } cases[] = {
      {"nothing happened", [](const testing::TempDir&, const std::string&) {}, true},
      {"another writer added a section",
       [](const testing::TempDir&, const std::string& path) {
         ASSERT_EQ(appendSection(path, '.', [](LineWriter& out) { out.text("other").nl(); }).message(), "");
       },
       true},
      {"started afresh with the same header",
       [&](const testing::TempDir& dir, const std::string& path) {
         std::filesystem::rename(dir.write("new.txt", header), path);
       },
       false},
      {"removed", [](const testing::TempDir&, const std::string& path) { std::filesystem::remove(path); }, false},
      {"cut in place", [](const testing::TempDir&, const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::trunc) << "he"; },
       false},
      {"made by another writer where there was none",
       [](const testing::TempDir& dir, const std::string&) { dir.write("r-out.txt", "other\r\n"); }, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    const std::string path = c.fileAtStart ? dir.write("r-out.txt", header) : dir.file("r-out.txt");
    ResultFileMark began;
    ASSERT_EQ(markResultFile(path, began).message(), "");
    c.meanwhile(dir, path);
    const std::string before = std::filesystem::exists(path) ? readFile(path) : "(none)";
    const std::string message =
        appendSection(path, '.', [](LineWriter& out) { out.text("section").nl(); }, &began).message();
    const std::string after = std::filesystem::exists(path) ? readFile(path) : "(none)";
    if (c.written) {
      EXPECT_EQ(message, "");
      EXPECT_EQ(after, before + "section\r\n");
    } else {
      EXPECT_EQ(message, resultFileChangedMessage(path, false));
      EXPECT_NE(message.find(path), std::string::npos);
      EXPECT_EQ(after, before);
    }
  }
}

// Through the program: a pipe where the result file would be refuses the input file, and one that takes
// the result file's place later refuses the run without waiting; a full disk leaves the file as it was.
class ResultFileOfTheProgram : public testing::AppFixture {};

TEST_F(ResultFileOfTheProgram, ANameThatIsNoRegularFileIsRefused) {
  dir.write("demo.txt", testing::kDemoFile);
  dir.write("other.txt", testing::kDemoFile);
  run("file other.txt\nmenu OpenPopGen");
  ASSERT_EQ(::mkfifo(dir.file("demo-out.txt").c_str(), 0600), 0);
  run("file demo.txt\nmenu OpenPopGen");
  run("expect-message The input file " + dir.file("demo.txt") + " was not opened: its result file");
  EXPECT_EQ(model().ds.InFileName, dir.file("other.txt")) << "the loaded data stay";

  ::unlink(dir.file("other-out.txt").c_str());
  ASSERT_EQ(::mkfifo(dir.file("other-out.txt").c_str(), 0600), 0);
  run("menu Diploid\nclick Command1");
  run("expect-message The result file " + dir.file("other-out.txt") +
      " cannot be opened for writing (it is not a regular file but a pipe (FIFO))! Nothing was calculated.");
  // A folder in its place is named as such.
  ::unlink(dir.file("other-out.txt").c_str());
  ASSERT_EQ(::mkdir(dir.file("other-out.txt").c_str(), 0700), 0);
  run("click Command1");
  run("expect-message The result file " + dir.file("other-out.txt") + " cannot be opened for writing (it is a folder)!");
  EXPECT_EQ(model().flags.AnalysisDone, 0);
}

TEST_F(ResultFileOfTheProgram, AFullDiskLeavesItAsItWas) {
  dir.write("demo.txt", testing::kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check5\ntick Check9\nclick Command1");
  const std::string before = readFile(dir.file("demo-out.txt"));
  run("menu Diploid");
  {
    testing::FileSizeLimit full(before.size() + 200);
    run("click Command1");
  }
  // The message gives the cause.
  run("expect-message The results could not be written to " + dir.file("demo-out.txt") +
      " (File too large: the file size limit was reached)!");
  EXPECT_EQ(readFile(dir.file("demo-out.txt")), before);
}

}  // namespace
}  // namespace kiwora
