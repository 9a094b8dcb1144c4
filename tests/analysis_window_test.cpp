#include <gtest/gtest.h>

#include <filesystem>

#include "support/app_fixture.h"
#include "ui/frmDiplo.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

// Eight populations of two individuals at two loci, for the neighbour and header rules.
std::string eightPopulations() {
  std::string s = "Eight\n8,2,3\nA\nB\n";
  for (int p = 1; p <= 8; ++p)
    s += "Pop" + std::to_string(p) + "," + std::to_string(p) + ".5,-" + std::to_string(p) + "\n1,2,3,3\n2,2,1,3\n" +
         (p == 8 ? "END\n" : "\n");
  return s;
}

class AnalysisWindow : public testing::AppFixture {
 protected:
  void open(const std::string& data = kDemoFile) {
    dir.write("data.txt", data);
    run("file data.txt\nmenu OpenPopGen\nmenu Diploid\nexpect-window frmDiplo");
  }
  std::string result() { return readFile(dir.file("data-out.txt")); }
  AnalysisOptions& opt() { return model().options; }
};

TEST_F(AnalysisWindow, FirstVisitDefaults) {
  open();
  run("expect-checked Check23 1\nexpect-checked Check22 0\nexpect-text Text5 100\nexpect-text Text6 0.05\n"
      "expect-text Text7 0.85\nexpect-text Text10 0.8\nexpect-text Text13 99\nexpect-text Text14 5000\n"
      "expect-text Text12 1\nexpect-text Text11 \nexpect-text Text1 1.15\nexpect-text Text4 0.95");
  for (int c : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 24, 25, 26, 27, 28, 29, 30})
    run("expect-checked Check" + std::to_string(c) + " 0");
  EXPECT_EQ(opt().CoordMode, 2);
  // The dominant-marker option is offered like every other one.
  run("tick Check18");
  EXPECT_EQ(opt().FlagDominant, 1);
}

TEST_F(AnalysisWindow, ClampsOfTheParameterBoxes) {
  open();
  const struct { const char* box; const char* typed; const char* shown; } cases[] = {
      {"Text13", "150", "100"}, {"Text13", "0", "95"}, {"Text13", "-3", "95"}, {"Text13", "90", "90"},
      {"Text14", "-5", "1000"}, {"Text14", "12.6", "13"}, {"Text14", "7,5", "8"}, {"Text14", "0", "8"}, {"Text14", "0.4", "8"},
      {"Text11", "20", "3"},    {"Text11", "0", "1"},    {"Text11", "-2", "1"},
      {"Text12", "9", "3"},     {"Text12", "0", "1"},
  };
  for (const auto& c : cases) run(std::string("type ") + c.box + " " + c.typed + "\nexpect-text " + c.box + " " + c.shown);
  EXPECT_EQ(opt().CILimit, 90);
  EXPECT_EQ(opt().NSim, 8);

  run("type Text10 0,9\nleave Text10");
  EXPECT_DOUBLE_EQ(opt().KinMinData, 0.9);
  run("type Text10 0.3\nleave Text10\nexpect-text Text10 0.9");
  EXPECT_DOUBLE_EQ(opt().KinMinData, 0.9);
  run("type Text6 0\nleave Text6\nexpect-text Text6 0.05\ntype Text6 0,2\nleave Text6\nexpect-text Text6 0.2");
  run("type Text7 0.4\nleave Text7\nexpect-text Text7 0.85\ntype Text7 0.9\nleave Text7\nexpect-text Text7 0.9");
  run("type Text5 2,5");
  EXPECT_DOUBLE_EQ(opt().SearchRadius, 2);
  run("type Text2 0,07");
  EXPECT_DOUBLE_EQ(opt().RedMaxDeltaV, 0.07);
}

TEST_F(AnalysisWindow, NeighbourCountWithNoPopulationSelectedSettlesOnOne) {
  open();
  model().sel.PopSel.assign(model().sel.PopSel.size(), 0);
  run("type Text12 4\nexpect-text Text12 1");
  EXPECT_EQ(opt().KinNNeighbours, 1);
}

TEST_F(AnalysisWindow, CouplingsBetweenBoxes) {
  open(eightPopulations());
  run("tick Check29\nexpect-text Text11 5\ntype Text11 7");
  EXPECT_EQ(opt().NNeighbours, 7);
  run("click Command2\nmenu Diploid\nexpect-checked Check29 1\nexpect-text Text11 7");  // the next visit keeps it

  run("tick Check22\nexpect-checked Check23 0");
  EXPECT_EQ(opt().CoordMode, 1);
  run("tick Check23\nexpect-checked Check22 0");
  EXPECT_EQ(opt().CoordMode, 2);

  run("tick Check30\ntick Check28\nexpect-checked Check30 0");
  EXPECT_EQ(opt().FlagKinFreqAllPops, 1);
  EXPECT_EQ(opt().FlagKinFreqNeighbours, 0);

  run("tick Check25\nexpect-checked Check21 0");
  EXPECT_EQ(opt().FlagTwoLocus, 1);
  EXPECT_EQ(opt().FlagCheckLoci, 1);
  run("untick Check25");
  EXPECT_EQ(opt().FlagTwoLocus, 0);
  EXPECT_EQ(opt().FlagCheckLoci, 1);

  run("file pairs.csv\ntick Check26\nexpect-checked Check16 1\nuntick Check26");
  EXPECT_EQ(opt().FlagSimulateCI, 1);
  EXPECT_EQ(opt().PairsFileName, dir.file("pairs.csv"));
  run("tick Check26");  // the name is known: no second question
}

TEST_F(AnalysisWindow, EachPlainBoxStoresItsOptionAndTheNextVisitTicksItAgain) {
  open();
  using O = AnalysisOptions;
  const std::pair<const char*, int O::*> boxes[] = {
      {"Check1", &O::FlagNAlleles},       {"Check2", &O::FlagDiversityV},      {"Check3", &O::FlagDegreeHet},
      {"Check4", &O::FlagVariationMLG},   {"Check5", &O::FlagFreqAlleles},     {"Check6", &O::FlagFreqGenotypes},
      {"Check7", &O::FlagFreqMLG},        {"Check8", &O::FlagHeterozygosity},  {"Check9", &O::FlagDistDG},
      {"Check10", &O::FlagDistDN},        {"Check11", &O::FlagDj},             {"Check12", &O::FlagEvenness},
      {"Check13", &O::FlagFst},           {"Check14", &O::FlagClusterGenepool}, {"Check15", &O::FlagClusterMLG},
      {"Check16", &O::FlagSimulateCI},    {"Check17", &O::FlagPolymorphic},    {"Check18", &O::FlagDominant},
      {"Check19", &O::FlagSpatialGenDist}, {"Check20", &O::FlagNGenotypes},    {"Check21", &O::FlagCheckLoci},
      {"Check24", &O::FlagSpatial},       {"Check27", &O::FlagKinship},
  };
  for (const auto& [box, option] : boxes) {
    run(std::string("tick ") + box);
    EXPECT_EQ(opt().*option, 1) << box;
  }
  run("click Command2\nmenu Diploid");
  for (const auto& [box, option] : boxes) run(std::string("expect-checked ") + box + " 1\nuntick " + box);
  for (const auto& [box, option] : boxes) EXPECT_EQ(opt().*option, 0) << box;
}

// The load ticks the coupled boxes after the plain ones, so their couplings have the last word.
TEST_F(AnalysisWindow, TheLoadTicksTheCoupledBoxesLast) {
  open();
  run("tick Check25\nfile pairs.csv\ntick Check26\ntick Check30\nuntick Check16");
  opt().FlagCheckLoci = 0;
  run("click Command2\nmenu Diploid");
  // Check25 sets the quality check again without ticking its box; Check26 ticks Check16 again.
  run("expect-checked Check25 1\nexpect-checked Check21 0\nexpect-checked Check26 1\nexpect-checked Check16 1\n"
      "expect-checked Check30 1\nexpect-checked Check28 0");
  EXPECT_EQ(opt().FlagCheckLoci, 1);
  EXPECT_EQ(opt().FlagSimulateCI, 1);
  EXPECT_EQ(opt().FlagKinFreqNeighbours, 1);
}

TEST_F(AnalysisWindow, BusyBlocksEverythingButGoBack) {
  open();
  const AnalysisOptions before = opt();
  model().flags.Busy = 1;
  // Every box of the window, ticked and cleared, and every parameter box, typed into and left.
  for (int c = 1; c <= 30; ++c) {
    if (c == 22 || c == 23) continue;  // one of them is ticked: below
    run("tick Check" + std::to_string(c) + "\nuntick Check" + std::to_string(c));
  }
  run("untick Check23\ntick Check22");
  for (int t : {1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14})
    run("type Text" + std::to_string(t) + " 0,7\nleave Text" + std::to_string(t));
  EXPECT_TRUE(opt() == before);
  EXPECT_EQ(opt().FlagHeterozygosity, 0);
  EXPECT_EQ(opt().CoordMode, 2);
  EXPECT_EQ(opt().CILimit, 99);
  run("click Command2\nexpect-window frmStart");
  EXPECT_EQ(model().flags.Busy, 0);
}

TEST_F(AnalysisWindow, CalculateAppendsTheHeaderAndReturnsWithTheTestsEnabled) {
  open(eightPopulations());
  run("tick Check8\nclick Command1\nexpect-window frmStart");
  EXPECT_TRUE(services.messages().empty());
  const WorkflowFlags& f = model().flags;
  EXPECT_EQ(f.AnalysisDone, 1);
  EXPECT_EQ(f.AssignRunDone, 0);
  EXPECT_EQ(f.CanTestWithin, 1);
  EXPECT_EQ(f.CanTestTwo, 0);
  EXPECT_EQ(f.CanTestAll, 0);
  run("expect-enabled Test\nexpect-enabled WS\nexpect-disabled BTS\nexpect-disabled BAS\nexpect-enabled Results");

  std::string out = result();
  const std::string header = std::string() +
      "   ######################################\r\n"
      "   ###  List of Selected Populations  ###\r\n"
      "   ######################################\r\n"
      "\r\n"
      "   Name" + std::string(22, ' ') + "x-Pos" + std::string(15, ' ') + "y-Pos\r\n" +
      // The coordinates printed bare, from columns 30 and 50.
      "   1. Pop1" + std::string(19, ' ') + " 1.5 " + std::string(15, ' ') + "-1 \r\n";
  ASSERT_NE(out.find(header), std::string::npos) << out;
  EXPECT_NE(out.find("   8. Pop8" + std::string(19, ' ') + " 8.5 " + std::string(15, ' ') + "-8 \r\n\r\n   " + std::string(55, '_') +
                     "\r\n\r\nTotal number of loci    = 2\r\nNumber of selected loci = 2\r\n\r\n\r\n"
                     "Coordinates as longitude and latitude in decimal degrees\r\n\r\n"),
            std::string::npos)
      << out;

  // Unchanged selection: no second header; only the distance flag is new.
  run("menu Diploid\ntick Check9\nclick Command1");
  out = result();
  EXPECT_EQ(out.find("List of Selected Populations"), out.rfind("List of Selected Populations"));
  EXPECT_EQ(f.CanTestTwo, 1);
  EXPECT_EQ(f.CanTestAll, 0);

  // Both selections changed by hand once: every later run prints it again, numbering by data-set index.
  model().flags.PopSelChanged = 1;
  model().flags.LocSelChanged = 1;
  model().sel.PopSel[2] = 0;
  model().options.CoordMode = 1;
  run("menu Diploid\nclick Command1");
  out = result();
  const std::size_t last = out.rfind("List of Selected Populations");
  ASSERT_NE(last, out.find("List of Selected Populations"));
  const std::string tail = out.substr(last);
  EXPECT_NE(tail.find("   1. Pop1"), std::string::npos);
  EXPECT_EQ(tail.find("   2. Pop2"), std::string::npos);
  EXPECT_NE(tail.find("   3. Pop3"), std::string::npos);
  EXPECT_NE(tail.find("Coordinates in m or km"), std::string::npos);
}

TEST_F(AnalysisWindow, LongPopulationNamesPushTheCoordinateToTheNextLine) {
  open("T\n1,1,2\nL\nA population with a very long name,3,4\n1,2\nEND\n");
  run("click Command1");
  EXPECT_NE(result().find("   1. A population with a very long name\r\n" + std::string(29, ' ') + " 3 " + std::string(17, ' ') + " 4 \r\n"),
            std::string::npos)
      << result();
}

TEST_F(AnalysisWindow, CalculateRefusesWhatCannotRunAndSetsNoFlag) {
  open();
  model().sel.PopSel.assign(model().sel.PopSel.size(), 0);
  run("click Command1\nexpect-message No population is selected!\nexpect-window frmDiplo");
  model().sel.PopSel.assign(model().sel.PopSel.size(), 1);
  model().sel.LocSel.assign(model().sel.LocSel.size(), 0);
  run("click Command1\nexpect-message No locus is selected!\nexpect-window frmDiplo");
  model().sel.LocSel.assign(model().sel.LocSel.size(), 1);
  model().sel.LocSel[0] = 0;

  std::filesystem::remove(dir.file("data-out.txt"));
  std::filesystem::create_directory(dir.file("data-out.txt"));
  run("tick Check8\nclick Command1\nexpect-message The result file " + dir.file("data-out.txt") + " cannot be opened");
  run("expect-window frmDiplo");
  EXPECT_EQ(model().flags.AnalysisDone, 0);
  EXPECT_EQ(model().flags.CanTestWithin, 0);
  EXPECT_EQ(model().flags.Busy, 0);
}

TEST(ParameterReading, NumbersAndWholeNumbers) {
  const struct { const char* text; double number; int whole; } cases[] = {
      {"0,9", 0.9, 1}, {"2.5", 2.5, 3}, {"-2.5", -2.5, -3}, {"12abc", 12, 12}, {"", 0, 0}, {"abc", 0, 0}, {" 7 ", 7, 7},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(frmDiplo::readNumber(c.text), c.number) << c.text;
    EXPECT_EQ(frmDiplo::readWhole(c.text), c.whole) << c.text;
  }
}

}  // namespace
}  // namespace kiwora
