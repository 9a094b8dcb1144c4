// The kinship, interval and spatial steps of an analysis run started from the analysis window, and the
// layout of the kinship section of the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <utility>

#include "analysis/kinship_report.h"
#include "kinship/kinship.h"
#include "support/app_fixture.h"
#include "support/analysed_model.h"

namespace kiwora {
namespace {

using testing::kDemoFile;
using testing::readFile;

std::size_t countOf(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

class KinshipRun : public testing::AppFixture {
 protected:
  void open(const std::string& data = kDemoFile) {
    dir.write("data.txt", data);
    run("file data.txt\nmenu OpenPopGen\nmenu Diploid\nexpect-window frmDiplo");
  }
  // Records what the window's progress box shows during the run: the kinship steps only. The analysis's
  // own steps around them ("Distances", "Report") let events through without showing there.
  void recordProgress() {
    app.forms.find("frmDiplo")->get<TextBox>("Text9").onChange = [this] {
      const std::string text = app.forms.find("frmDiplo")->get<TextBox>("Text9").text();
      static const std::set<std::string> analysis = {"Frequencies", "Variation",     "Distances", "Differentiation",
                                                     "Clusters",    "Quality check", "Report"};
      if (analysis.count(text)) ++analysisSteps;
      else progress.push_back(text);
    };
  }
  int analysisSteps = 0;
  std::string result() { return readFile(dir.file("data-out.txt")); }
  std::vector<std::string> progress;
};

TEST_F(KinshipRun, IntervalsPairsFileAndSectionFromTheWindow) {
  open();
  run("seed 9\ntick Check27\ntype Text14 300\ntype Text13 95\nfile pairs.csv\ntick Check26\nexpect-checked Check16 1");
  recordProgress();
  run("click Command1\nexpect-window frmStart");
  EXPECT_TRUE(services.messages().empty());

  // Three populations of three individuals: three pairs each, every pair with enough loci.
  const std::string pairs = readFile(dir.file("pairs.csv"));
  EXPECT_EQ(pairs.rfind("Pop,Ind_1,Ind_2,N_loci,DGM,CI,F_D0,F_D1,Kin\r\n", 0), 0u);
  EXPECT_EQ(countOf(pairs, "\r\n"), 10u);
  EXPECT_NE(pairs.find("\r\nPop_1,1,2,4,"), std::string::npos) << pairs;  // individual 1 lacks locus 5
  EXPECT_NE(pairs.find("\r\nPop_3,2,3,5,"), std::string::npos) << pairs;

  const std::string out = result();
  EXPECT_NE(out.find("   #####    Analysis of genetic distance and kinship among individuals in each population   #####\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("Number of simulations = 300\r\nConfidence interval   = 95 %\r\n"), std::string::npos);
  EXPECT_EQ(app.analysis.kinship.sim.CILow, 8);  // (300 - 285) x 0.5 = 7.5, rounded up
  EXPECT_EQ(app.analysis.kinship.sim.CIHigh, 292);

  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().rfind("sim CI ", 0), 0u);
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Sort CI-values of pop 3"), progress.end());
  EXPECT_EQ(progress.back().rfind("compute pairs ", 0), 0u);
  EXPECT_LT(std::stod(progress.back().substr(14)), 100);  // the steps count one less per population
  EXPECT_EQ(analysisSteps, 0);
  // Beside the kinship steps, one turn of events at least per step of the analysis.
  EXPECT_GE(services.doEventsCalls(), static_cast<long>(progress.size()) + 7);

  // The same seed gives the same intervals; a second run writes the file afresh.
  const Table2<double> first = app.analysis.kinship.sim.SimNR;
  run("seed 9\nmenu Diploid\nclick Command1");
  EXPECT_EQ(readFile(dir.file("pairs.csv")), pairs);
  const Table2<double>& again = app.analysis.kinship.sim.SimNR;
  for (int p = 1; p <= 3; ++p)
    for (int k = 1; k <= 300; ++k) ASSERT_EQ(again(p, k), first(p, k));
}

TEST_F(KinshipRun, APairsFileThatCannotBeCreatedGivesOneMessageAndTheRunGoesOn) {
  open();
  std::filesystem::create_directory(dir.file("taken"));
  run("tick Check27\nfile taken\ntick Check26\ntype Text14 50\nclick Command1");
  run("expect-message The pairs file " + dir.file("taken") + " cannot be created (it is a folder)!\nexpect-window frmStart");
  EXPECT_EQ(services.pendingMessages(), 0u);
  EXPECT_EQ(model().flags.AnalysisDone, 1);
  EXPECT_NE(result().find("Analysis of genetic distance and kinship"), std::string::npos);
  EXPECT_EQ(app.analysis.kinship.KinNP[1], 3);
}

// The pairs file is written afresh by every run: named after the session's result file, it would replace
// the results. The dialog asks again; a name that a later data file made its result file stops the run
// before anything is calculated.
TEST_F(KinshipRun, APairsFileIsNotWrittenOverTheSessionsResultFile) {
  open();
  const std::string before = result();
  run("tick Check27\nfile ./sub/../data-out.txt\nfile pairs.csv\ntick Check26\ntype Text14 50");
  run("expect-message The file " + dir.file("./sub/../data-out.txt") + " is the result file " + model().ds.OutFileName +
      " of this session: the pairs file written there would replace its results. Choose another name.");
  EXPECT_EQ(model().options.PairsFileName, dir.file("pairs.csv"));
  EXPECT_EQ(result(), before);

  // other.txt's result file is other-out.txt: name the pairs file so, then open other.txt.
  dir.write("other.txt", kDemoFile);
  run("click Command2\nexpect-window frmStart");
  model().options.PairsFileName.clear();
  // The window's load ticks the box again, which asks for the name.
  run("file other-out.txt\nmenu Diploid\nexpect-checked Check26 1\nclick Command2\nexpect-window frmStart");
  ASSERT_EQ(model().options.PairsFileName, dir.file("other-out.txt"));
  run("file other.txt\nmenu OpenPopGen\nmenu Diploid\nexpect-window frmDiplo");
  const std::string started = readFile(dir.file("other-out.txt"));
  run("click Command1");
  run("expect-message The file " + dir.file("other-out.txt") + " is the result file " + model().ds.OutFileName +
      " of this session: the pairs file written there would replace its results. Nothing was calculated. Tick "
      "\"Save values for all pairs\" again to choose another name.\nexpect-window frmDiplo\nexpect-checked Check26 0");
  EXPECT_EQ(readFile(dir.file("other-out.txt")), started);
  EXPECT_EQ(model().flags.AnalysisDone, 0);
  run("file pairs.csv\ntick Check26\nclick Command1\nexpect-window frmStart");
  EXPECT_NE(readFile(dir.file("other-out.txt")).find("Analysis of genetic distance and kinship"), std::string::npos);
  EXPECT_NE(readFile(dir.file("pairs.csv")).find("Pop,Ind_1,Ind_2"), std::string::npos);
}

// The kinship run by itself, as the analysis calls it: a stop at any of its progress steps, during the
// simulations or the pairs, leaves an earlier pairs file as it was; the whole run replaces it.
TEST_F(KinshipRun, AStoppedRunLeavesAnEarlierPairsFile) {
  open();
  run("tick Check27\ntick Check16\ntype Text14 50\nclick Command1\nexpect-window frmStart");
  KinshipInput in;
  in.genotypes = readerOf(model().ds, model().sel);
  in.popNames = &model().ds.PopName;
  in.alleleFreq = &app.analysis.alleles.AlleleFreq;
  in.geoDist = &app.analysis.dist.GeoDist;
  in.options = model().options;
  in.options.PairsFileName = dir.file("pairs.csv");

  std::vector<std::string> steps;
  RunContext ctx;
  ctx.seedSource = [] { return std::uint64_t{5}; };
  ctx.progressSink = [&](const std::string& text) { steps.push_back(text); };
  dir.write("pairs.csv", "earlier");
  const KinshipResults whole = Run_Kinship(in, ctx);
  const std::vector<std::string> all = steps;
  ASSERT_GE(all.size(), 2u);
  const std::string written = readFile(dir.file("pairs.csv"));
  EXPECT_EQ(written.rfind("Pop,Ind_1,Ind_2,", 0), 0u);
  EXPECT_EQ(whole.KinNP, app.analysis.kinship.KinNP);

  for (const std::size_t stopAt : {std::size_t{1}, all.size() / 2, all.size()}) {
    SCOPED_TRACE(all[stopAt - 1]);
    dir.write("pairs.csv", "earlier");
    steps.clear();
    ctx.stopRequest = [&] { return steps.size() == stopAt; };
    EXPECT_THROW(Run_Kinship(in, ctx), RunStopped);
    EXPECT_EQ(steps.size(), stopAt);
    EXPECT_EQ(readFile(dir.file("pairs.csv")), "earlier");
  }
  // Unstopped, the same seed writes the same file again.
  ctx.stopRequest = {};
  Run_Kinship(in, ctx);
  EXPECT_EQ(readFile(dir.file("pairs.csv")), written);
}

TEST_F(KinshipRun, SpatialWarningAndStatisticByPairsWithinTheRadius) {
  // Eight populations in a row, one unit apart, plane coordinates: 28 pairs.
  std::string data = "Row\n8,2,3\nA\nB\n";
  for (int p = 1; p <= 8; ++p)
    data += "P" + std::to_string(p) + "," + std::to_string(p) + ",0\n1,2,3,3\n2,2,1,3\n" + (p == 8 ? "END\n" : "\n");
  const struct { const char* radius; int pairs; bool warned; bool stored; } cases[] = {
      {"100", 28, false, true},
      {"3", 18, true, false},  // 7 + 6 + 5 pairs at distances 1, 2 and 3 (the boundary counts)
      {"1.5", 7, true, false},
  };
  for (const auto& c : cases) {
    open(data);
    run(std::string("tick Check22\ntick Check24\ntype Text5 ") + c.radius + "\nclick Command1");
    if (c.warned) run(std::string("expect-message less than 20 pair in search radius of ") + c.radius + " km/m");
    EXPECT_EQ(services.pendingMessages(), 0u) << c.radius;
    EXPECT_EQ(app.analysis.spatial.NPairsInRadius, c.pairs) << c.radius;
    EXPECT_EQ(app.analysis.spatial.SpatStat1[1].has_value(), c.stored) << c.radius;
  }
}

// The section's layout ---------------------------------------------------------------------------------

// A line with each text starting at its column.
std::string cols(std::initializer_list<std::pair<int, std::string>> items) {
  std::string s;
  for (const auto& [col, text] : items) {
    s.append(static_cast<std::size_t>(col - 1) - s.size(), ' ');
    s += text;
  }
  return s + "\r\n";
}

TEST(KinshipSection, Layout) {
  AnalysedModel m;
  m.ds.NPop = 2;
  m.ds.PopName = {"", "North", "South"};
  m.ds.NInd = {0, 3, 1};
  m.sel.PopSel = {0, 1, 1};
  KinshipResults& k = m.kinship;
  k.KinNP = {0, 3, 0};
  k.KinND00 = {0, 1, 0};
  k.KinND05 = {0, 0, 0};
  k.KinND10 = {0, 2, 0};
  k.KinNK = {0, 3, 0};
  k.KinMinGDM = {{}, 0.0, {}};
  k.KinMeanGDM = {{}, 0.5, {}};
  k.KinMaxGDM = {{}, 1.0, {}};
  k.KinP125 = {{}, 0.0, {}};
  k.KinP250 = {{}, 1.0 / 3, {}};
  k.KinPGt250 = {{}, 2.0 / 3, {}};
  k.KinMeanK = {{}, {}, {}};  // no pair with a kinship value
  const double shares[7] = {0, 1.0 / 3, 0, 1.0 / 3, 0, 1.0 / 3, 0};
  for (int c = 0; c < 7; ++c) k.classShare(static_cast<KinClass>(c)) = {{}, shares[c], {}};
  SimulatedIntervals& s = k.sim;
  s.NSim = 4;
  s.CILimit = 95;
  s.CILow = 1;
  s.CIHigh = 4;
  Table2<double>* series[4] = {&s.SimSE, &s.SimFS, &s.SimHS, &s.SimNR};
  for (int t = 0; t < 4; ++t) {
    series[t]->resize(2, 4);
    (*series[t])(1, 1) = 0.1 * t;
    (*series[t])(1, 4) = 0.1 * t + 0.25;
  }

  AnalysisOptions used;
  used.FlagKinship = 1;
  used.FlagSimulateCI = 1;
  used.FlagKinFreqNeighbours = 1;
  used.KinNNeighbours = 3;
  LineWriter out;
  printKinshipSection(out, m, used);

  const std::string title = "#####    Analysis of genetic distance and kinship among individuals in each population   #####";
  const std::string hashes(94, '#');
  std::string expect = "\r\n   " + hashes + "\r\n   " + title + "\r\n   " + hashes + "\r\n\r\n" +
      "   Used measures: Genetic distance (Gregorius 1978) / kinship coefficient (Loiselle et al. 1995)\r\n\r\n"
      "Used weighted mean allele frequecies of selected population in neighbourhood of 3 populations to calculate of kinship\r\n\r\n"
      "\r\n"
      "N          = Number of individuals in the population\r\n"
      "NP         = Number of pairs of individuals in the population\r\n"
      "Min_GDM    = Minimum multilocus-genetic distance among pairs of individuals in the population\r\n"
      "Mean_GDM   = Mean multilocus-genetic distance among pairs of individuals in the population\r\n"
      "Max_GDM    = Maximum multilocus-genetic distance among pairs of individuals in the population\r\n"
      "N_D_00     = Number of pairs of individuals in the population with multilocus genetic distance D = 0.00\r\n"
      "N_D_05     = Number of pairs of individuals in the population with multilocus genetic distance D: 0.00 < D <= 0.05\r\n"
      "N_D_10     = Number of pairs of individuals in the population with multilocus genetic distance D: 0.05 < D <= 0.10\r\n"
      "Kin<125    = Proportion of pairs of individuals in the population with kinship Kin: 0.050< K <= 0.125\r\n"
      "Kin<250    = Proportion of pairs of individuals in the population with kinship Kin: 0.125< K <= 0.250\r\n"
      "Kin>250    = Proportion of pairs of individuals in the population with kinship Kin: K> 0.250\r\n"
      "Mean_K     = Mean kinship among pairs of individuals in the population\r\n"
      "\r\n" +
      cols({{5, "Pop"}, {20, "N"}, {30, "NP"}, {40, "Min_GDM"}, {50, "Mean_GDM"}, {60, "Max_GDM"}, {70, "N_D_00"},
            {80, "N_D_05"}, {90, "N_D_10"}, {100, "5<K<125"}, {110, "125<K<250"}, {120, "K>250"}, {130, "Mean_K"}}) +
      cols({{5, std::string(142, '-')}}) +
      // Counts bare, values as three-decimal texts; the undefined mean kinship as dashes. South has no pair.
      cols({{5, "North"}, {20, " 3 "}, {30, " 3 "}, {40, "0.000"}, {50, "0.500"}, {60, "1.000"}, {70, " 1 "},
            {80, " 0 "}, {90, " 2 "}, {100, "0.000"}, {110, "0.333"}, {120, "0.667"}, {130, "-----"}}) +
      "\r\n\r\n"
      "Confidence intervals for multilocus genetic distances between simulated pairs of individuals\r\n" +
      std::string(92, '-') + "\r\n"
      "Number of simulations = 4\r\n"
      "Confidence interval   = 95 %\r\n"
      "\r\n"
      "SE = selfings\r\nFS = fullsibs\r\nHS = halfsibs\r\nNR = unrelated individuals\r\n"
      "\r\n" +
      cols({{5, "Pop"}, {20, "CI_1_SE"}, {30, "CI_2_SE"}, {40, "CI_1_FS"}, {50, "CI_2_FS"}, {60, "CI_1_HS"},
            {70, "CI_2_HS"}, {80, "CI_1_NR"}, {90, "CI_2_NR"}}) +
      std::string(102, '-') + "\r\n" +
      cols({{5, " 1 "}, {20, "0.0000"}, {30, "0.2500"}, {40, "0.1000"}, {50, "0.3500"}, {60, "0.2000"},
            {70, "0.4500"}, {80, "0.3000"}, {90, "0.5500"}}) +
      cols({{5, " 2 "}, {20, "0.0000"}, {30, "0.0000"}, {40, "0.0000"}, {50, "0.0000"}, {60, "0.0000"},
            {70, "0.0000"}, {80, "0.0000"}, {90, "0.0000"}}) +
      "\r\n\r\n"
      "Proportion of multilocus genetic distances between individuals in classes of simulated confidence intervals \r\n" +
      std::string(108, '-') + "\r\n"
      "Number of simulations = 4\r\n"
      "Confidence interval   = 95 %\r\n"
      "\r\n"
      "SE    = selfings\r\nFS    = fullsibs\r\nFS_HS = between fullsibs and halfsibs\r\nHS    = halfsibs\r\n"
      "HS_NR = between halfsibs and unbrelated individuals\r\nNR    = unrelated individuals\r\n"
      "NN    = not clearly assigned to a group\r\n"
      "\r\n" +
      cols({{5, "Pop"}, {20, "SE"}, {30, "FS"}, {40, "FS_HS"}, {50, "HS"}, {60, "HS_NR"}, {70, "NR"}, {80, "NN"}}) +
      std::string(95, '-') + "\r\n" +
      cols({{5, " 1 "}, {20, "0.000"}, {30, "0.333"}, {40, "0.000"}, {50, "0.333"}, {60, "0.000"}, {70, "0.333"},
            {80, "0.000"}}) +
      cols({{5, " 2 "}}) +  // no evaluated pair: no shares
      "\r\n";
  EXPECT_EQ(out.str(), expect);

  // Without simulated intervals the section ends after the first table and its two empty lines; with the
  // pooled reference its line stands in place of the neighbourhood line; without kinship nothing prints.
  used.FlagSimulateCI = 0;
  used.FlagKinFreqNeighbours = 0;
  used.FlagKinFreqAllPops = 1;
  LineWriter plain;
  printKinshipSection(plain, m, used);
  const std::string firstTable = expect.substr(0, expect.find("Confidence intervals"));
  std::string withPooled = firstTable;
  const std::string nb = "Used weighted mean allele frequecies of selected population in neighbourhood of 3 populations to calculate of kinship";
  withPooled.replace(withPooled.find(nb), nb.size(), "Used weighted mean allele frequecies of selected population to calculate of kinship");
  EXPECT_EQ(plain.str(), withPooled);
  used.FlagKinship = 0;
  LineWriter none;
  printKinshipSection(none, m, used);
  EXPECT_EQ(none.str(), "");
}

}  // namespace
}  // namespace kiwora
