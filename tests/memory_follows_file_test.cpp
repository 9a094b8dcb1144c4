// What the script player, the loci-selection reader and the import hold for a text grows with what they
// keep, not with the number of its lines or fields: a long file of empty lines, or a header of many empty
// fields, is refused or played with next to nothing held beside the text itself.
#include <functional>

#include "files/import_table.h"
#include "files/loci_selection_file.h"
#include "support/app_fixture.h"
#include "support/heap_peak.h"

namespace kiwora {
namespace {

TEST(MemoryFollowsTheFile, LongTextsOfEmptyLinesOrFieldsHoldNoTablePerLine) {
  ScriptedServices services;
  App app(services);
  registerWindows(app);
  startProgram(app);
  std::ostringstream log;
  ScriptPlayer player(app, services, log, ".");
  const Vec1<std::string> names = {"", "Adh", "Pgm"};

  const std::string emptyLines(400'000, '\n');
  std::string header = "pop,group,ind,x,y";
  for (int l = 0; l < 100'000; ++l) header += ",,";
  const struct {
    const char* what;
    const std::string& text;
    std::function<void(const std::string&)> read;
  } cases[] = {
      {"a script of empty lines", emptyLines, [&](const std::string& t) { EXPECT_EQ(player.playText(t, "s"), 0); }},
      {"a loci-selection file of empty lines", emptyLines,
       [&](const std::string& t) { EXPECT_FALSE(readLociSelection(t, names, 2).ok()); }},
      {"an import of empty lines", emptyLines, [](const std::string& t) { EXPECT_FALSE(parseImportTable(t).ok()); }},
      {"an import header of empty fields", header, [](const std::string& t) {
         EXPECT_FALSE(parseImportTable(t).ok());
         EXPECT_EQ(countImportRows(t), 0);
         EXPECT_EQ(importHeaderLoci(t), 100'000);
       }},
  };
  for (const auto& c : cases) {
    testing::HeapPeak heap;
    c.read(c.text);
    EXPECT_LT(heap.peak(), 64u * 1024) << c.what << " (" << c.text.size() << " bytes of text)";
  }
}

// The terminal mode keeps at most a bounded line: a longer one is refused, and the next line still runs.
TEST(MemoryFollowsTheFile, TheTerminalModeRefusesAnOverlongLine) {
  ScriptedServices services;
  App app(services);
  registerWindows(app);
  startProgram(app);
  std::ostringstream log;
  ScriptPlayer player(app, services, log, ".");
  std::istringstream typed(std::string(16u << 20, 'x') + "\nmenu End\n");
  {
    testing::HeapPeak heap;
    EXPECT_EQ(player.interactive(typed), 0);
    EXPECT_LT(heap.peak(), 4u << 20);  // the line is 16 MB
  }
  EXPECT_NE(log.str().find("refused: the line is longer than 1 MB"), std::string::npos) << log.str().substr(0, 2000);
  EXPECT_TRUE(player.ended()) << "the line after the long one ran";
}

}  // namespace
}  // namespace kiwora
