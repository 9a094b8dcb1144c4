// Which file the assignment's runs write to: a later run only to the file the earlier runs wrote, and a
// first run after the analysis of the same file adds to that file instead of starting it afresh.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "files/result_lock.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

namespace fs = std::filesystem;

const char* const kRef = "self_ref_4x8.txt";
const char* const kResult = "self_ref_4x8-out.txt";
const char* const kBanner = "  2021  Kiwora";      // the assignment's banner year line
const char* const kSelfBanner = "  2021   Kiwora";  // the self-assignment's

struct Session : testing::Program<ScriptedServices> {
  Session() {
    const std::string scripts = std::string(KIWORA_SOURCE_DIR) + "/tests/scripts/";
    for (const char* f : {kRef, "self_test_2groups.txt"}) dir.write(f, testing::readFile(scripts + f));
    run("seed 3");
  }
  std::string result() const { return fs::exists(dir.file(kResult)) ? testing::readFile(dir.file(kResult)) : "(none)"; }
  // The messages shown since the last call.
  std::vector<std::string> shown() {
    std::vector<std::string> texts;
    while (auto text = services.takeMessage()) texts.push_back(*text);
    return texts;
  }
  void loadAssignmentFiles() {
    run(std::string("file ") + kRef + "\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
        "file self_test_2groups.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!");
  }
};

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

const char* const kAssign = "menu AssisgnmentGr\ntype Text2 20\nclick Command2";
const char* const kSelfAssign = "menu AssisgnmentGr\nclick Command4";

// After a first run, the result file is swapped (or not) before a later run of either kind. The later run
// appends only to the file the earlier runs wrote, with their text unchanged (what others added after it
// may stay); otherwise it writes nothing anywhere and says why and how to go on: once the reference file
// is read again, the next run starts the file afresh under the same name.
TEST(AssignResultFileOwner, ALaterRunWritesOnlyToTheFileTheEarlierRunsWrote) {
  enum class Swap { None, NoteAppended, Replaced, LinkToAnotherFile, LinkToTheMovedFile, Removed, HeaderEdited };
  const struct {
    const char* what;
    Swap swap;
    bool written;
  } swaps[] = {
      {"unchanged", Swap::None, true},
      {"a note appended by the user", Swap::NoteAppended, true},
      {"replaced by another file", Swap::Replaced, false},
      {"replaced by a link to another file", Swap::LinkToAnotherFile, false},
      {"moved away, a link to it in its place", Swap::LinkToTheMovedFile, false},
      {"removed", Swap::Removed, false},
      {"its header block edited in place", Swap::HeaderEdited, false},
  };
  const struct {
    const char* what;
    const char* run;
    const char* title;  // what the later run's section holds
  } laterRuns[] = {
      {"assignment", kAssign, "Probability of Exclusion"},
      {"self-assignment", kSelfAssign, "Results of Self-Assignment"},
  };
  for (const auto& later : laterRuns) {
    for (const auto& c : swaps) {
      SCOPED_TRACE(std::string(later.what) + " after the file was " + c.what);
      Session s;
      s.loadAssignmentFiles();
      s.run(std::string(kAssign) + "\nexpect-window frmStart");
      const std::string path = s.dir.file(kResult), other = s.dir.write("other.txt", "Another file\r\n");
      const std::string first = s.result();
      ASSERT_NE(first.find(kBanner), std::string::npos);
      switch (c.swap) {
        case Swap::None:
          break;
        case Swap::NoteAppended:
          std::ofstream(path, std::ios::binary | std::ios::app) << "A note\r\n";
          break;
        case Swap::Replaced:
          fs::copy_file(other, path + ".new");
          fs::rename(path + ".new", path);
          break;
        case Swap::LinkToAnotherFile:
          fs::remove(path);
          fs::create_symlink(other, path);
          break;
        case Swap::LinkToTheMovedFile:
          fs::rename(path, other);
          fs::create_symlink(other, path);
          break;
        case Swap::Removed:
          fs::remove(path);
          break;
        case Swap::HeaderEdited: {
          std::string edited = first;
          edited[edited.find("Date:")] = 'd';
          std::fstream(path, std::ios::binary | std::ios::in | std::ios::out) << edited;
          break;
        }
      }
      const std::string before = s.result();
      s.shown();
      s.run(later.run);
      const std::string after = s.result();
      const std::vector<std::string> shown = s.shown();
      if (c.written) {
        EXPECT_TRUE(shown.empty()) << shown.front();
        ASSERT_GT(after.size(), before.size());
        EXPECT_EQ(after.substr(0, before.size()), before);
        EXPECT_EQ(count(after.substr(before.size()), later.title), 1u);
        EXPECT_EQ(count(after, kBanner) + count(after, kSelfBanner), 1u) << "a later run writes no banner";
        EXPECT_EQ(s.app.model.flags.AssignRunDone, 1);
      } else {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown.back(), assignmentFileChangedMessage(path, c.swap == Swap::HeaderEdited));
        EXPECT_EQ(after, before);
        const std::string otherText = c.swap == Swap::LinkToTheMovedFile ? first : "Another file\r\n";
        EXPECT_EQ(testing::readFile(other), otherText);
        const bool linked = c.swap == Swap::LinkToAnotherFile || c.swap == Swap::LinkToTheMovedFile;
        EXPECT_EQ(fs::is_symlink(path), linked) << "the link was replaced or made";
        // Nothing was computed: the window stays for the user to decide.
        s.run("expect-window frmAssGr");
        // As the message says: the reference file read again, the next run starts the file afresh, under
        // the same name, and replaces a link rather than follow it.
        s.run("click Command1\nexpect-window frmStart");
        s.loadAssignmentFiles();
        s.shown();
        s.run(std::string(later.run) + "\nexpect-window frmStart");
        const std::vector<std::string> again = s.shown();
        EXPECT_TRUE(again.empty()) << again.front();
        const std::string fresh = s.result();
        EXPECT_LT(fresh.find(later.what == std::string("assignment") ? kBanner : kSelfBanner), 300u) << fresh;
        EXPECT_EQ(count(fresh, kBanner) + count(fresh, kSelfBanner), 1u);
        EXPECT_EQ(count(fresh, later.title), 1u);
        EXPECT_FALSE(fs::is_symlink(path));
        EXPECT_EQ(testing::readFile(other), otherText);
        EXPECT_EQ(s.app.model.assignFile.AssignOutFile, path);
        // And the run after it appends again.
        s.run(std::string(kAssign) + "\nexpect-window frmStart");
        EXPECT_TRUE(s.shown().empty());
        EXPECT_EQ(s.result().substr(0, fresh.size()), fresh);
      }
    }
  }
}

// A first run of either kind whose result file is the one this program started for a data file it loaded
// (the same file, its header block as that load wrote it) adds its banner and header block after what is
// there. Anywhere else it starts the file afresh.
TEST(AssignResultFileOwner, AFirstRunKeepsTheAnalysisOfTheSameFileInThisSession) {
  const std::string analyse = std::string("file ") + kRef + "\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart";
  const struct {
    const char* what;
    std::string before;  // what the session does before it reads the assignment's files
    bool kept;           // the file's text before the run stays at its head
  } histories[] = {
      {"analysed in this session", analyse, true},
      {"analysed, then another data file analysed",
       analyse + "\nfile other.txt\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart", true},
      {"analysed, then the result file edited by the user", analyse + "\nedit", false},
      {"analysed, then the result file replaced by a link to itself elsewhere", analyse + "\nlink", false},
      {"a result file of an earlier day", "earlier", false},
  };
  const struct {
    const char* what;
    const char* run;
    const char* banner;
  } firstRuns[] = {{"assignment", kAssign, kBanner}, {"self-assignment", kSelfAssign, kSelfBanner}};
  for (const auto& r : firstRuns) {
    for (const auto& h : histories) {
      SCOPED_TRACE(std::string(r.what) + ", " + h.what);
      Session s;
      const std::string path = s.dir.file(kResult);
      s.dir.write("other.txt", testing::readFile(s.dir.file(kRef)));
      std::string steps = h.before;
      if (steps == "earlier") {
        s.dir.write(kResult, "Results of an earlier day\r\n");
        steps.clear();
      }
      const bool edit = steps.ends_with("\nedit"), link = steps.ends_with("\nlink");
      if (edit || link) steps.resize(steps.size() - 5);
      if (!steps.empty()) s.run(steps);
      if (edit) {
        std::string text = s.result();
        text[text.find("Titel")] = 't';
        std::ofstream(path, std::ios::binary) << text;
      }
      if (link) {
        fs::rename(path, s.dir.file("kept.txt"));
        fs::create_symlink(s.dir.file("kept.txt"), path);
      }
      const std::string before = s.result();
      s.loadAssignmentFiles();
      s.shown();
      s.run(std::string(r.run) + "\nexpect-window frmStart");
      std::vector<std::string> shown = s.shown();
      EXPECT_TRUE(shown.empty()) << shown.front();
      const std::string after = s.result();
      const std::size_t banner = after.find(r.banner);
      ASSERT_NE(banner, std::string::npos) << after;
      EXPECT_EQ(count(after, r.banner), 1u);
      if (h.kept) {
        EXPECT_EQ(after.substr(0, before.size()), before) << "the analysis was lost";
        EXPECT_GT(banner, before.size());
      } else {
        // Started afresh: the banner's year line follows its block letters at the head of the file.
        EXPECT_EQ(after.find("Titel"), std::string::npos);
        EXPECT_EQ(after.find("earlier day"), std::string::npos);
        EXPECT_LT(banner, 300u);
        EXPECT_FALSE(fs::is_symlink(path)) << "a link is replaced, not followed";
      }
      // Either way the header block follows the banner, and a later run appends after it.
      EXPECT_NE(after.find("List of Reference Populations", banner), std::string::npos);
      s.run(std::string(kAssign) + "\nexpect-window frmStart");
      shown = s.shown();
      EXPECT_TRUE(shown.empty()) << shown.front();
      EXPECT_EQ(s.result().substr(0, after.size()), after);
    }
  }
}

// The program itself starts the shared file afresh when the user opens the data file again: the next
// assignment or self-assignment run begins its part again after that load's header block (banner and
// header block), as a first run after an analysis does, instead of being refused for the rest of the session.
TEST(AssignResultFileOwner, OpeningTheDataFileAgainLetsTheNextRunBeginItsPartAgain) {
  const struct {
    const char* what;
    const char* run;
    const char* banner;
  } nextRuns[] = {{"assignment", kAssign, kBanner}, {"self-assignment", kSelfAssign, kSelfBanner}};
  for (const auto& next : nextRuns) {
    SCOPED_TRACE(next.what);
    Session s;
    const std::string path = s.dir.file(kResult);
    const std::string open = std::string("file ") + kRef + "\nmenu OpenPopGen";
    s.run(open + "\nmenu Diploid\nclick Command1\nexpect-window frmStart");
    s.loadAssignmentFiles();
    s.run(std::string(kAssign) + "\nexpect-window frmStart");
    ASSERT_EQ(count(s.result(), kBanner), 1u);
    s.run(open + "\nmenu Diploid\nclick Command1\nexpect-window frmStart");
    const std::string started = s.result();
    ASSERT_EQ(started.find(kBanner), std::string::npos) << "the load started the file afresh";
    s.loadAssignmentFiles();
    s.shown();
    s.run(std::string(next.run) + "\nexpect-window frmStart");
    const std::vector<std::string> shown = s.shown();
    EXPECT_TRUE(shown.empty()) << shown.front();
    const std::string after = s.result();
    ASSERT_EQ(after.substr(0, started.size()), started) << "the load's header block stays at the head";
    EXPECT_EQ(count(after, next.banner), 1u);
    EXPECT_GT(after.find(next.banner), started.size() - 1);
    EXPECT_NE(after.find("List of Reference Populations", started.size()), std::string::npos);
    EXPECT_EQ(s.app.model.assignFile.AssignOutFile, path);
    // The run after it appends as usual.
    s.run(std::string(kAssign) + "\nexpect-window frmStart");
    EXPECT_TRUE(s.shown().empty());
    EXPECT_EQ(s.result().substr(0, after.size()), after);
  }
}

// Something other than a file in the result file's place: the message says what stands there, for a first
// run and a later one alike.
TEST(AssignResultFileOwner, AFolderOrAPipeInTheFilesPlaceIsNamed) {
  const struct {
    const char* what;
    bool later;
    bool pipe;
    const char* cause;
  } cases[] = {
      {"first run, folder", false, false, "(it is a folder)"},
      {"first run, pipe", false, true, "(it is not a regular file but a pipe (FIFO))"},
      {"later run, folder", true, false, "(it is a folder)"},
      {"later run, pipe", true, true, "(it is not a regular file but a pipe (FIFO))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    s.loadAssignmentFiles();
    const std::string path = s.dir.file(kResult);
    if (c.later) s.run(std::string(kAssign) + "\nexpect-window frmStart");
    fs::remove(path);
    ASSERT_EQ(c.pipe ? ::mkfifo(path.c_str(), 0600) : ::mkdir(path.c_str(), 0700), 0);
    s.shown();
    s.run(kAssign);
    const std::vector<std::string> shown = s.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "The result file " + path + " cannot be written " + c.cause + "! Nothing was calculated.");
    s.run("expect-window frmAssGr");
  }
}

// The assignment's result file is the session's too: an input file is not saved over it.
TEST(AssignResultFileOwner, AnInputFileIsNotSavedOverTheAssignmentsFile) {
  Session s;
  s.loadAssignmentFiles();
  s.run(std::string(kAssign) + "\nexpect-window frmStart");
  const std::string path = s.dir.file(kResult), written = s.result();
  s.dir.write("other.txt", testing::readFile(s.dir.file(kRef)));
  s.run("file other.txt\nmenu OpenPopGen");
  s.app.forms.unload("frmStart");
  s.app.forms.show("frmStart");
  s.shown();
  s.run(std::string("file ") + kResult + "\ncancel\nmenu Save_As_Kiwora");
  const std::vector<std::string> shown = s.shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "The file " + path + " is the result file " + path +
                          " of this session: saving there would replace its results. Nothing was saved; choose another name.");
  EXPECT_EQ(s.result(), written);
}

}  // namespace
}  // namespace kiwora
