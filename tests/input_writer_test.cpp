#include "files/input_writer.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "files/export_text.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

class SaveAsKiwora : public testing::AppFixture {
 protected:
  void loadDemo() {
    dir.write("demo.txt", kDemoFile);
    run("file demo.txt\nmenu OpenPopGen");
    // Save_As_Kiwora follows the reader's menu states only when the main window is loaded again.
    app.forms.unload("frmStart");
    app.forms.show("frmStart");
  }
};

void expectSameInput(const ParsedInput& got, const ParsedInput& want) {
  EXPECT_EQ(got.title, want.title);
  EXPECT_EQ(got.nLoci, want.nLoci);
  EXPECT_EQ(got.maxAllele, want.maxAllele);
  EXPECT_EQ(got.locName, want.locName);
  ASSERT_EQ(got.nPop, want.nPop);
  for (int p = 1; p <= want.nPop; ++p) {
    const PopulationBlock& g = got.blocks[static_cast<std::size_t>(p)];
    const PopulationBlock& w = want.blocks[static_cast<std::size_t>(p)];
    EXPECT_EQ(g.name, w.name) << "population " << p;
    EXPECT_EQ(g.x, w.x) << w.name;
    EXPECT_EQ(g.y, w.y) << w.name;
    EXPECT_EQ(g.nInd, w.nInd) << w.name;
    EXPECT_EQ(g.alleles, w.alleles) << w.name;
  }
}

TEST_F(SaveAsKiwora, TheSavedSelectionReadsBackAsTheSameData) {
  loadDemo();
  const DataSet full = model().ds;
  Selection& sel = model().sel;
  sel.PopSel[2] = 0;
  sel.LocSel[3] = 0;
  sel.IndSel[1][2] = 0;
  run("file saved.txt\nmenu Save_As_Kiwora");
  EXPECT_TRUE(services.messages().empty());
  EXPECT_EQ(model().ds.SaveFileName, dir.file("saved.txt"));
  EXPECT_EQ(readFile(dir.file("saved.txt")),
            "Demo Populations\r\n 2 \r\n 4 \r\n 4 \r\nSNP_001\r\nSNP_002\r\nSNP_004\r\nSNP_005\r\n"
            "Pop_1,28.0252,53.8763\r\n3,3,3,3,3,3,-1,-1\r\n3,3,4,4,3,3,2,2\r\n\r\n"
            "Pop_3,46.4746,52.455\r\n3,3,4,3,3,3,2,2\r\n3,3,4,3,3,3,2,2\r\n3,3,4,4,3,3,2,2\r\nEND\r\n");

  run("file saved.txt\nmenu OpenPopGen");
  ASSERT_TRUE(services.messages().empty()) << services.messages().front();
  const DataSet& back = model().ds;
  const int pops[] = {0, 1, 3}, loci[] = {0, 1, 2, 4, 5};
  ASSERT_EQ(back.NPop, 2);
  ASSERT_EQ(back.NLoci, 4);
  EXPECT_EQ(back.MaxAllele, full.MaxAllele);
  for (int l = 1; l <= 4; ++l) EXPECT_EQ(back.LocName[l], full.LocName[loci[l]]);
  for (int p = 1; p <= 2; ++p) {
    const int q = pops[p];
    EXPECT_EQ(back.PopName[p], full.PopName[q]);
    EXPECT_EQ(back.PopX[p], full.PopX[q]);
    EXPECT_EQ(back.PopY[p], full.PopY[q]);
    std::vector<int> kept;  // the individuals of q that were selected
    for (int j = 1; j <= full.NInd[q]; ++j)
      if (!(q == 1 && j == 2)) kept.push_back(j);
    ASSERT_EQ(back.NInd[p], static_cast<int>(kept.size()));
    for (std::size_t k = 0; k < kept.size(); ++k)
      for (int l = 1; l <= 4; ++l) {
        EXPECT_EQ(back.Allele.a1(p, l, static_cast<int>(k) + 1), full.Allele.a1(q, loci[l], kept[k]));
        EXPECT_EQ(back.Allele.a2(p, l, static_cast<int>(k) + 1), full.Allele.a2(q, loci[l], kept[k]));
      }
  }
}

// Populations without individuals and names that an unquoted field would change.
TEST(InputWriter, EveryBlockEndsAndEveryNameReadsBack) {
  ParsedInput in;
  in.title = "Awkward, \"names\"";
  in.nLoci = 2;
  in.maxAllele = 7;
  in.locName = {"", "L,1", "\"L2\""};
  in.blocks.assign(1, PopulationBlock{});
  const struct { const char* name; double x, y; std::vector<int> alleles; } pops[] = {
      {"Oak, north", 0.5, -12.25, {1, 2, 7, -1}},
      {"Say \"hi\"", 1e-7, 1e20, {}},  // no individuals, in the middle
      {" padded ", -0.125, 3, {-1, -1, 2, 2, 3, 3, 4, 4}},
      {"\"quoted\"", 10, 20, {5, 5, 5, 5}},
      {"", 1, 2, {1, 1, 1, 1}},
      {"last, empty", 7, 8, {}},  // no individuals, the last block
  };
  for (const auto& p : pops) {
    PopulationBlock b;
    b.name = p.name;
    b.x = p.x;
    b.y = p.y;
    b.alleles = p.alleles;
    b.nInd = static_cast<int>(p.alleles.size()) / 4;
    in.blocks.push_back(b);
  }
  in.nPop = static_cast<int>(in.blocks.size()) - 1;
  ASSERT_EQ(inputFileProblem(in).message(), "");
  LineWriter out;
  writeInputFile(out, in);
  const ParseResult back = parseInputText(out.str());
  ASSERT_TRUE(back.ok()) << back.message() << "\n" << out.str();
  expectSameInput(back.data, in);
  EXPECT_NE(out.str().find("\r\n\"Say \"\"hi\"\"\",0.0000001,100000000000000000000\r\n\r\n\" padded \",-0.125,3\r\n"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("\r\n\"last, empty\",7,8\r\nEND\r\n"), std::string::npos) << out.str();
}

TEST_F(SaveAsKiwora, RefusedWithoutAPopulationOrALocus) {
  loadDemo();
  const struct { const char* what; int pop, locus; const char* message; } cases[] = {
      {"no population", 0, 1, kNoPopulationToSave},
      {"no locus", 1, 0, kNoLocusToSave},
  };
  for (const auto& c : cases) {
    for (int p = 1; p <= 3; ++p) model().sel.PopSel[p] = c.pop;
    for (int l = 1; l <= 5; ++l) model().sel.LocSel[l] = c.locus;
    run("menu Save_As_Kiwora");
    run(std::string("expect-message ") + c.message);
    EXPECT_EQ(services.queuedAnswers(), 0u) << c.what << ": refused before the dialog";
    EXPECT_EQ(services.pendingMessages(), 0u) << c.what;
  }
}

TEST_F(SaveAsKiwora, CoordinatesUseAPointInEveryLocale) {
  dir.write("small.txt", "T\n1,1,2\nL\nP,0.5,-12.25\n1,2\nEND\n");
  services.setDecimalSign(',');
  run("file small.txt\nmenu OpenPopGen");
  app.forms.unload("frmStart");
  app.forms.show("frmStart");
  run("file out.txt\nmenu Save_As_Kiwora");
  EXPECT_EQ(readFile(dir.file("out.txt")), "T\r\n 1 \r\n 1 \r\n 2 \r\nL\r\nP,0.5,-12.25\r\n1,2\r\nEND\r\n");
}

// Each save command, when its file cannot be written, says so and says nothing else, then opens its
// dialog again at the same path, where Cancel leaves it; a write that fails half-way (here a file-size
// limit, as on a full disk) leaves the earlier file as it was and no fragment.
TEST_F(SaveAsKiwora, AFileThatCannotBeWrittenIsReportedAndTheEarlierFileStays) {
  loadDemo();
  dir.write("t.csv", "P,G,I,X,Y,L,L\r\nA,G,1,1,1,1,2\r\n");
  const std::string earlier = "an earlier file\r\n";
  const struct { const char* path; const char* reason; bool full; } paths[] = {
      {"no-such-folder/out.txt", "cannot be written (No such file or directory)", false},
      {"/dev/full", "cannot be written (it is not a regular file)", false},
      {"earlier.txt", "could not be written completely (File too large). Nothing was saved", true},
  };
  for (const char* item : {"Save_As_Kiwora", "Save_AS_Tarn", "save_pops", "save_groups"}) {
    if (item == std::string("save_pops"))
      run("menu importTable\ntype Text1 T\nfile t.csv\nclick Command2\nexpect-message The reading of the data was successful!");
    for (const auto& p : paths) {
      dir.write("earlier.txt", earlier);
      const auto before = testing::folderEntries(dir.path());
      {
        std::optional<testing::FileSizeLimit> full;
        if (p.full) full.emplace(earlier.size());
        run(std::string("file ") + p.path + "\ncancel\nmenu " + item);
      }
      ASSERT_EQ(services.pendingMessages(), 1u) << item << " " << p.path;
      const std::string chosen = p.path[0] == '/' ? p.path : dir.file(p.path);
      const auto& at = services.saveDialogsOpenedAt();
      ASSERT_GE(at.size(), 2u);
      EXPECT_EQ(at[at.size() - 2], "") << item;
      EXPECT_EQ(at.back(), chosen) << item;
      const std::string m = *services.takeMessage();
      EXPECT_EQ(m.rfind("The file ", 0), 0u) << m;
      EXPECT_NE(m.find(p.reason), std::string::npos) << item << ": " << m;
      EXPECT_EQ(readFile(dir.file("earlier.txt")), earlier) << item;
      EXPECT_EQ(testing::folderEntries(dir.path()), before) << item;
    }
    // In the dialog that opens again the user mends the path, and the file is written whole.
    run(std::string("file no-such-folder/earlier.txt\nfile earlier.txt\nmenu ") + item);
    ASSERT_EQ(services.pendingMessages(), 1u) << item;
    EXPECT_NE(services.takeMessage()->find("cannot be written"), std::string::npos) << item;
    EXPECT_NE(readFile(dir.file("earlier.txt")), earlier) << item;
  }
}

// A file of this session that takes the runs' results is never saved over, under its own name or another
// that leads to it; the dialog opens again at the path, and the file keeps the analysis.
TEST_F(SaveAsKiwora, TheSessionsResultFileIsNotSavedOver) {
  dir.write("demo.txt", kDemoFile);
  run("file demo.txt\nmenu OpenPopGen\nmenu Diploid\nclick Command1\nexpect-window frmStart");
  const std::string out = dir.file("demo-out.txt");
  const std::string analysed = readFile(out);
  ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0700), 0);
  ASSERT_EQ(::link(out.c_str(), dir.file("hard.txt").c_str()), 0);
  for (const char* item : {"Save_As_Kiwora", "Save_AS_Tarn", "exTarn", "OutPutPast"}) {
    for (const char* name : {"demo-out.txt", "sub/../demo-out.txt", "./sub/../demo-out.txt", "hard.txt"}) {
      run(std::string("file ") + name + "\ncancel\nmenu " + item);
      ASSERT_EQ(services.pendingMessages(), 1u) << item << " " << name;
      EXPECT_EQ(*services.takeMessage(), "The file " + dir.file(name) + " is the result file " + out +
                                             " of this session: saving there would replace its results. Nothing was "
                                             "saved; choose another name.")
          << item;
      EXPECT_EQ(services.saveDialogsOpenedAt().back(), dir.file(name)) << item;
      EXPECT_EQ(readFile(out), analysed) << item << " " << name;
    }
  }
  // The next run still appends to it.
  run("menu Diploid\nclick Command1\nexpect-window frmStart");
  EXPECT_EQ(services.pendingMessages(), 0u);
  EXPECT_EQ(readFile(out).substr(0, analysed.size()), analysed);
}

// At the terminal the dialog that opens again names the path that could not be written; an empty line
// cancels it.
TEST_F(SaveAsKiwora, TheTerminalAsksAgainNamingThePath) {
  loadDemo();
  const std::string bad = dir.file("no-such-folder/out.txt");
  std::istringstream typed("menu Save_AS_Tarn\n" + bad + "\n\nmenu End\n");
  EXPECT_EQ(player.interactive(typed), 0);
  const std::string out = log.str();
  const std::size_t first = out.find("File dialog: Save selected loci and populations as input file for Tarn");
  ASSERT_NE(first, std::string::npos) << out;
  EXPECT_NE(out.find("The path was: " + bad + "\nPath (empty to cancel): ", first), std::string::npos) << out;
  EXPECT_EQ(services.saveDialogsOpenedAt(), (std::vector<std::string>{"", bad}));
  EXPECT_TRUE(player.ended());
}

TEST(ExportText, FieldsThatWouldSplitAreQuoted) {
  const struct { const char* in; char sep; const char* out; } fields[] = {
      {"plain", ',', "plain"}, {"a,b", ',', "\"a,b\""}, {"a,b", ';', "a,b"}, {"a;b", ';', "\"a;b\""},
      {"say \"x\"", ',', "\"say \"\"x\"\"\""}, {" x", ',', "\" x\""}, {"", ',', ""}};
  for (const auto& f : fields) EXPECT_EQ(csvField(f.in, f.sep), f.out) << f.in;
}

}  // namespace
}  // namespace kiwora
