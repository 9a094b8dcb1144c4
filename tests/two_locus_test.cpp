// The locus quality check and the two-locus table, run from the analysis window into the result file, and
// the two-locus service on small hand-made populations.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "../bench/generate.h"
#include "analysis/quality_check.h"
#include "analysis/two_locus_section.h"
#include "base/worker_pool.h"
#include "two_locus/two_locus.h"
#include "stats/distances.h"
#include "support/analysed_model.h"
#include "support/app_fixture.h"

namespace kiwora {
namespace {

using testing::readFile;

// One printed line: each text starts at its column (counting from 1).
std::string at(std::initializer_list<std::pair<int, std::string>> items) {
  std::string s;
  for (const auto& [col, text] : items) {
    EXPECT_LE(s.size(), static_cast<std::size_t>(col - 1)) << "columns overlap at " << col;
    s.resize(static_cast<std::size_t>(col - 1), ' ');
    s += text;
  }
  return s;
}

// Three populations of four at Adh, Pgm, Got and Idh (tests/scripts/two_locus_data.txt), on a plane:
// P1 (0,0), P2 (0,4), P3 (3,0), so the population distances are 4 (P1-P2), 3 (P1-P3) and 5 (P2-P3).
//   Adh  P1 11 11 22 22   P2 12 12 12 22   P3 22 22 22 22
//   Pgm  monomorphic 11; one individual of P2 untyped
//   Got  P1 1- 12 12 12   P2 12 11 22 12   P3 untyped (not available: selected by hand)
//   Idh  P1 11 12 22 22   P2 13 33 13 33   P3 23 23 22 22
//
// Quality check, by hand:
//   Adh  data 100. v: P1 1/(.25+.25) = 2, P2 1/(9/64+25/64) = 64/34, P3 1 -> mean 1.627.
//        Fis over P1, P2 (v > 1): P1 He .5 Ho 0 -> 1; P2 He 30/64 Ho .75 -> -0.6; mean 0.200.
//        Dj: each population against the mean of the other two, (1/4 + 5/16 + 5/16) / 3 = 7/24 = 0.292.
//        Fst: Ht = 1 - (7/24)^2 - (17/24)^2 = 238/576, Hs = (0.5 + 30/64) / 3 -> 0.218.
//        r with space over the pairs (DG 1/8, 1/2, 3/8 against 4, 3, 5): -0.327.
//   Pgm  data (100 + 75 + 100) / 3 = 91.67; v 1.000, so no Fis; Dj and Fst 0; no correlation ("-").
//   Got  P3 has no data: data (87.5 + 100) / 2 = 93.75, v (49/25 + 2) / 2 = 1.980,
//        Fis P1 (24/49 - 1) / (24/49) = -25/24, P2 0 -> -0.521; Dj 1/3; Fst 0.005; r 0.000.
//   Idh  v (64/34 + 1.6 + 1.6) / 3 = 1.694; Fis (7/15 - 1/3 - 1/3) / 3 = -0.067; Dj 13/24 = 0.542;
//        Fst 0.361; r 0.866.
const char* const kDataFile = KIWORA_SOURCE_DIR "/tests/scripts/two_locus_data.txt";

std::string qualityCheckSection() {
  const std::string hashes(39, '#');
  return "\r\n   " + hashes + "\r\n   #####  RESULTS QUALITY CHECK LOCI #####\r\n   " + hashes + "\r\n\r\n\r\n" +
         at({{1, "No"}, {10, "Locus"}, {30, "data"}, {50, "Fis"}, {70, "v"}, {90, "Dj"}, {110, "F_ST"}, {130, "r_DG_SD"}}) + "\r\n" +
         at({{1, " 1 "}, {10, "Adh"}, {30, "100.00"}, {50, " 0.200"}, {70, "1.627"}, {90, "0.292"}, {110, "0.218"}, {130, "-0.327"}}) + "\r\n" +
         at({{1, " 2 "}, {10, "Pgm"}, {30, "91.67"}, {50, ""}, {70, "1.000"}, {90, "0.000"}, {110, "0.000"}, {130, "-"}}) + "\r\n" +
         at({{1, " 3 "}, {10, "Got"}, {30, "93.75"}, {50, "-0.521"}, {70, "1.980"}, {90, "0.333"}, {110, "0.005"}, {130, "0.000"}}) + "\r\n" +
         at({{1, " 4 "}, {10, "Idh"}, {30, "100.00"}, {50, "-0.067"}, {70, "1.694"}, {90, "0.542"}, {110, "0.361"}, {130, "0.866"}}) + "\r\n";
}

std::string twoLocusHead(const std::string& minDj, const std::string& minData) {
  const std::string hashes(33, '#');
  return "\r\n   " + hashes + "\r\n   #####   Two-Loci-Analysis   #####\r\n   " + hashes + "\r\n\r\n\r\n" +
         "Minimal diversity v of included loci > 1.0\r\n"
         "Minimum genetic differentiation Dj of included loci          = " + minDj + "\r\n" +
         "Minimum proportion of individuals with data of included loci = " + minData + "\r\n" +
         "\r\nComputed values\r\n---------------\r\n"
         "Fis_A    = mean fixation index at locus A\r\n"
         "Fis_B    = mean fixation index at locus B\r\n"
         "N_MG     = number of unordered multilocus-genotypes at both loci\r\n"
         "V_MG     = mean diversity v of multilocus-genotypes\r\n"
         "V_R      = mean proportion of realised diversity v of multilocus-genotypes\r\n"
         "DG_M     = mean genetic distance among populations based on frequencies of multilocus-genotypes\r\n"
         "r_DGM_SD = correlation coefficient (Peason) among genetic (multi-locus) and spatial distances\r\n"
         "r_DG_GD  = correlation coefficient (Peason) among single loci genetic distances (allele frquencies) for locus A and locus B\r\n"
         "\r\n" +
         at({{1, "Locus_A"}, {30, "Locus_B"}, {50, "Fis_A"}, {60, "Fis_B"}, {70, "N_MG"}, {80, "V_MG"}, {90, "V_R"},
             {100, "DG_M"}, {110, "r_GDM_SD"}, {120, "r_DG_DG"}});
}

// The pair (Adh, Idh), by hand. Types (Adh, Idh): P1 1111 1112 2222 2222; P2 1213 1233 1213 2233;
// P3 2223 2223 2222 2222: N_MG = 7. Diversity P1 1/(1/16+1/16+1/4) = 8/3, P2 8/3, P3 2: V_MG = 22/9 = 2.44.
// Distances on type frequencies: P1-P2 1, P1-P3 1/2 (2222 shared), P2-P3 1: DG_M = 5/6 = 0.833; against
// space 4, 3, 5: r = 0.5 / (sqrt(1/6) sqrt(2)) = 0.866. Gregorius at Adh 1/8, 1/2, 3/8 and at Idh 5/8, 5/8,
// 3/4: r = -0.756. V_R: each population's observed diversity times the sum of the squared expected
// frequencies of the seven types (p^2 or 2pq at each locus, multiplied): P3 has Adh 22 certain and Idh
// p2 = 3/4, p3 = 1/4, so 2222 9/16, 2223 3/8, 2233 1/16 and 2 x 0.4609 = 0.9219; P1 8/3 x 0.02451 = 0.0653;
// P2 8/3 x 0.14878 = 0.3967; mean 0.461.
std::string adhIdhRow() {
  return at({{1, "Adh"}, {30, "Idh"}, {50, "0.200"}, {60, "-0.067"}, {70, " 7 "}, {80, "2.44"},
             {90, "0.461"}, {100, "0.833"}, {110, "0.866"}, {120, "-0.756"}});
}

class TwoLocus : public testing::AppFixture {
 protected:
  // Loads the data, selects Got by hand and opens the analysis window with plane coordinates.
  void open() {
    dir.write("data.txt", readFile(kDataFile));
    run("file data.txt\nmenu OpenPopGen\nmenu EL\npick List2 3  - Got\nclick Command2\nclick Command3\n"
        "menu Diploid\ntick Check22");
  }
  std::string result() { return readFile(dir.file("data-out.txt")); }
  // What the run appended after the header block.
  std::string sections() {
    const std::string r = result();
    const std::string mark = "Coordinates in m or km\r\n\r\n";
    const std::size_t p = r.rfind(mark);
    return p == std::string::npos ? r : r.substr(p + mark.size());
  }
};

TEST_F(TwoLocus, QualityCheckFiguresByHandAndDjFstKeptAsNumbers) {
  open();
  run("tick Check21\nclick Command1\nexpect-window frmStart");
  EXPECT_EQ(sections(), qualityCheckSection());
  // The section rounds its own copies: the analysis keeps Dj 7/24 and Fst as numbers for the tests.
  EXPECT_DOUBLE_EQ(app.analysis.diff.DjLoc[1], 7.0 / 24);
  EXPECT_NEAR(*app.analysis.diff.FstLoc[1], 0.2184873949579832, 1e-12);
}

TEST_F(TwoLocus, TwoLocusRowByHandFromTheWindow) {
  open();
  run("tick Check25\ntype Text7 0.95\nleave Text7");
  // The pairs show their progress in the two-locus frame's box; the kinship frame's stays empty without
  // kinship: the analysis's own steps let events through without a text.
  std::vector<std::string> shown[2];
  for (int b = 0; b < 2; ++b) {
    TextBox& box = app.forms.find("frmDiplo")->get<TextBox>(b == 0 ? "Text8" : "Text9");
    box.onChange = [&box, &seen = shown[b]] { seen.push_back(box.text()); };
  }
  run("click Command1");
  // Check25 ticks the quality check too; Got (93.75 % data) is not admitted at 0.95.
  EXPECT_EQ(sections(), qualityCheckSection() + twoLocusHead("0.05", "0.95") + "\r\n" + adhIdhRow() + "\r\n");
  EXPECT_EQ(shown[0], (std::vector<std::string>{"25.0", "50.0", "75.0"}));  // once per first locus 1..3
  EXPECT_TRUE(shown[1].empty()) << shown[1].front();
  EXPECT_GE(services.doEventsCalls(), 3 + 7);

  // At the default 0.85 Got is admitted: three pairs in pair order, the hand-made row among them.
  run("menu Diploid\ntype Text7 0.85\nleave Text7\nclick Command1");
  const std::string s = sections();
  const std::size_t head = s.find(twoLocusHead("0.05", "0.85"));
  ASSERT_NE(head, std::string::npos) << s;
  const std::size_t adhGot = s.find("\r\nAdh" + std::string(26, ' ') + "Got", head);
  const std::size_t adhIdh = s.find("\r\n" + adhIdhRow() + "\r\n", head);
  const std::size_t gotIdh = s.find("\r\nGot" + std::string(26, ' ') + "Idh", head);
  EXPECT_TRUE(adhGot < adhIdh && adhIdh < gotIdh && gotIdh != std::string::npos) << s;
}

TEST_F(TwoLocus, WithoutTheQualityCheckBoxTheFiltersStillHaveTheirFigures) {
  open();
  // Check25 sets the quality-check flag without ticking its box: tick and clear the box to clear it.
  run("tick Check25\ntick Check21\nuntick Check21\ntype Text7 0.95\nleave Text7\nclick Command1");
  ASSERT_EQ(model().options.FlagCheckLoci, 0);
  EXPECT_EQ(sections(), twoLocusHead("0.05", "0.95") + "\r\n" + adhIdhRow() + "\r\n");
}

TEST_F(TwoLocus, SelectionAvailabilityAndMultilocusTablesAreLeftAlone) {
  open();
  run("tick Check25\ntick Check7\nclick Command1");
  const Selection before = model().sel;
  const MultilocusGenotypes mlg = app.analysis.mlg;
  ASSERT_EQ(before.LocAvail[3], 0);  // Got lacks data in P3
  // The analysis's own types over all four loci: six individuals are typed everywhere, in five types.
  EXPECT_EQ(mlg.NMLGTypes, 5);
  run("menu Diploid\nclick Command1");
  EXPECT_EQ(model().sel.LocSel, before.LocSel);
  EXPECT_EQ(model().sel.LocAvail, before.LocAvail);
  EXPECT_EQ(app.analysis.mlg.MLGKey, mlg.MLGKey);
  EXPECT_EQ(app.analysis.mlg.NIdentAll, mlg.NIdentAll);
  // "Include all loci" still means the loci with data everywhere: Got, excluded by hand, stays out.
  run("menu EL\npick List1 3  - Got\nclick Command1\ntick Check2\nexpect-list List1 1  - Adh | 2  - Pgm | 4  - Idh");
}

TEST_F(TwoLocus, FiltersCompareTheFiguresAsShownAndProgressNamesTheFirstLocusBegun) {
  open();
  run("tick Check25\nclick Command1");
  Model& m = model();
  // The run's last two steps, the quality check and the table, again on altered figures; then the section.
  const auto rowsOf = [&](const AnalysisOptions& used, std::vector<std::string>* progress = nullptr) {
    RunContext pairsRun;
    pairsRun.progressSink = [&](const std::string& p) {
      if (progress) progress->push_back(p);
    };
    app.analysis.quality = Calc_Quality_Check(AnalysisView(m, app.analysis));
    app.analysis.twoLocus = Run_Two_Locus_Table(AnalysisView(m, app.analysis), used, pairsRun);
    LineWriter out;
    printTwoLocusAnalysis(out, AnalysisView(m, app.analysis), used);
    out.finish();
    const std::string s = out.str();
    const std::size_t h = s.find("r_DG_DG\r\n");
    return h == std::string::npos ? std::string() : s.substr(h + 9);
  };
  auto pairsIn = [](const std::string& rows) {
    std::string names;
    for (std::size_t p = 0; p < rows.size(); p = rows.find("\r\n", p) + 2) names += rows.substr(p, 3) + rows.substr(p + 29, 3) + " ";
    return names;
  };

  AnalysisOptions used = m.options;
  const struct { double dj, adhDj, data; const char* pairs; } cases[] = {
      {0.05, 7.0 / 24, 0.85, "AdhGot AdhIdh GotIdh "},
      {0.05, 0.0504, 0.85, "GotIdh "},              // shows 0.050: not above 0.05, though the number is
      {0.05, 0.0506, 0.85, "AdhGot AdhIdh GotIdh "},  // shows 0.051
      {0.05, 7.0 / 24, 0.9375, "AdhGot AdhIdh GotIdh "},  // Got's 93.75 reaches the minimum
      {0.05, 7.0 / 24, 0.9376, "AdhIdh "},
  };
  for (const auto& c : cases) {
    app.analysis.diff.DjLoc[1] = c.adhDj;
    used.TwoLocMinDj = c.dj;
    used.TwoLocMinData = c.data;
    EXPECT_EQ(pairsIn(rowsOf(used)), c.pairs) << c.adhDj << " " << c.data;
    EXPECT_EQ(app.analysis.diff.DjLoc[1], c.adhDj);  // the filter never rewrites the analysis's numbers
  }
  app.analysis.diff.DjLoc[1] = 7.0 / 24;
  used.TwoLocMinDj = 0.3;  // only Idh (0.542) and Got (0.333) are above
  used.TwoLocMinData = 0.85;
  EXPECT_EQ(pairsIn(rowsOf(used)), "GotIdh ");
  // An unselected locus never appears, whatever its figures.
  m.sel.LocSel[3] = 0;
  EXPECT_EQ(pairsIn(rowsOf(used)), "");
  m.sel.LocSel[3] = 1;

  std::vector<std::string> progress;
  rowsOf(used, &progress);
  EXPECT_EQ(progress, (std::vector<std::string>{"25.0", "50.0", "75.0"}));
}

// A share shown as 50.16 reaches a minimum of 0.5016, though 50.16 / 100 comes out a unit below 0.5016;
// 50.15 does not.
TEST(TwoLocusFilter, AShareEqualToTheMinimumInItsDecimalsReachesIt) {
  AnalysedModel m;
  m.ds.NLoci = 1;
  m.sel.LocSel = {0, 1};
  m.quality.MeanV = {Cell{}, Cell{1.5}};
  m.quality.Dj = {Cell{}, Cell{0.2}};
  AnalysisOptions used;
  used.TwoLocMinDj = 0.1;
  used.TwoLocMinData = 0.5016;
  ASSERT_LT(50.16 / 100, 0.5016) << "the fixture needs the rounding it is about";
  const struct { double share; std::vector<int> admitted; } cases[] = {{50.16, {1}}, {50.15, {}}, {50.17, {1}}};
  for (const auto& c : cases) {
    m.quality.DataShare = {Cell{}, Cell{c.share}};
    EXPECT_EQ(twoLocusLoci(m, used), c.admitted) << c.share;
  }
}

TEST_F(TwoLocus, TheSectionsPrintTheRunsRecordAndComputeNothing) {
  open();
  run("tick Check25\nclick Command1");
  AnalysisResults r = app.analysis;
  ASSERT_EQ(r.twoLocus.pairs.size(), 3u);
  // Figures no computation gives: the quality check's and the two-locus rows come from the record.
  r.quality.MeanFis[1] = 0.5;
  r.quality.MeanV[4] = 7.25;
  r.twoLocus.rows[1].N_MG = 99;
  r.twoLocus.rows[1].DG_M.reset();
  LineWriter out;
  printQualityCheck(out, AnalysisView(model(), r), model().options);
  printTwoLocusAnalysis(out, AnalysisView(model(), r), model().options);
  out.finish();
  const std::string s = out.str();
  EXPECT_NE(s.find("\r\n" + at({{1, " 1 "}, {10, "Adh"}, {30, "100.00"}, {50, " 0.500"}, {70, "1.627"}})), std::string::npos) << s;
  EXPECT_NE(s.find(at({{1, " 4 "}, {10, "Idh"}, {30, "100.00"}, {50, "-0.067"}, {70, "7.250"}})), std::string::npos) << s;
  EXPECT_NE(s.find("\r\n" + at({{1, "Adh"}, {30, "Idh"}, {50, "0.500"}, {60, "-0.067"}, {70, " 99 "}, {80, "2.44"},
                                  {90, "0.461"}, {100, "-"}, {110, "0.866"}, {120, "-0.756"}})),
            std::string::npos)
      << s;
}

// A small population set for the service itself: `rows` are the (A, B) genotypes of each individual.
struct Pairs {
  DataSet ds;
  Selection sel;
  AlleleStats alleles;
  GenotypeView view() {
    return viewOf(ds, sel);
  }
  explicit Pairs(const std::vector<std::vector<std::array<int, 4>>>& pops, int maxAllele) {
    ds.NPop = static_cast<int>(pops.size());
    ds.NLoci = 2;
    ds.MaxAllele = maxAllele;
    ds.NInd = makeVec1<int>(ds.NPop);
    for (int p = 1; p <= ds.NPop; ++p) ds.NInd[static_cast<std::size_t>(p)] = static_cast<int>(pops[static_cast<std::size_t>(p - 1)].size());
    ds.Allele.resize(ds.NPop, 2, ds.NInd);
    for (int p = 1; p <= ds.NPop; ++p)
      for (int j = 1; j <= ds.NInd[static_cast<std::size_t>(p)]; ++j) {
        const auto& g = pops[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(j - 1)];
        ds.Allele.a1(p, 1, j) = g[0];
        ds.Allele.a2(p, 1, j) = g[1];
        ds.Allele.a1(p, 2, j) = g[2];
        ds.Allele.a2(p, 2, j) = g[3];
      }
    sel.PopSel = makeVec1<int>(ds.NPop, 1);
    sel.LocSel = makeVec1<int>(2, 1);
    Calc_Allele_Freq(view(), false, alleles);
  }
};

// Four populations that share no allele at either locus: every distance between them, single-locus or on
// two-locus types, is 1, and summing their frequencies leaves the computed ones a few units in the last
// place apart. Nothing varies, so the quality check and the two-locus table have no correlation to show.
TEST_F(TwoLocus, PopulationsSharingNoAlleleHaveNoCorrelationsOfDistances) {
  dir.write("data.txt", "No shared alleles\n4,2,20\nLocA\nLocB\n"
            "P1,0,0\n2,5,5,2\n3,5,4,5\n1,5,1,4\n3,5,2,2\n4,5,5,4\n\n"
            "P2,0,4\n9,7,7,7\n10,9,6,6\n7,10,6,8\n6,8,9,10\n9,9,9,10\n9,7,8,6\n\n"
            "P3,3,0\n11,12,14,12\n13,14,13,14\n15,14,15,13\n15,15,14,15\n"
            "12,13,11,13\n15,12,13,15\n15,15,11,12\n\n"
            "P4,7,5\n20,18,18,16\n16,19,19,16\n18,16,19,17\n16,18,19,19\n"
            "16,16,20,20\n16,19,20,18\n20,18,20,17\n16,18,16,16\nEND\n");
  run("file data.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check22\ntick Check25\nclick Command1");
  const std::string s = sections();
  const std::size_t check = s.find("RESULTS QUALITY CHECK LOCI");
  ASSERT_NE(check, std::string::npos) << s;
  for (const char* locus : {"LocA", "LocB"}) {
    const std::size_t row = s.find(std::string("       ") + locus, check);
    ASSERT_NE(row, std::string::npos) << s;
    const std::string line = s.substr(s.rfind("\r\n", row) + 2, s.find("\r\n", row) - s.rfind("\r\n", row) - 2);
    ASSERT_GE(line.size(), 130u) << line;
    EXPECT_EQ(line.substr(89, 5), "1.000") << line;  // Dj: no shared allele
    EXPECT_EQ(line.substr(129), "-") << line;
  }
  const std::size_t pair = s.find("\r\nLocA" + std::string(25, ' ') + "LocB");
  ASSERT_NE(pair, std::string::npos) << s;
  const std::string row = s.substr(pair + 2, s.find("\r\n", pair + 2) - pair - 2);
  ASSERT_GE(row.size(), 120u) << row;
  // DG_M, r_GDM_SD and r_DG_DG.
  EXPECT_EQ(row.substr(99), "1.000" + std::string(5, ' ') + "-" + std::string(9, ' ') + "-") << row;
}

TEST(TwoLocusTypes, IdentifiedByTheirFourCodesAndSortedByLabel) {
  // (1,12)+(3,4) and (1,1)+(2,34) share the label "11234" but are two types; (15,12)+(7,3) is "121537";
  // the individual with a missing allele forms no type.
  Pairs d({{{12, 1, 4, 3}, {1, 1, 2, 34}, {15, 12, 7, 3}, {1, 12, 3, 4}, {1, -1, 3, 4}}}, 40);
  const GenotypeData genotypes = d.ds.Allele;
  const LocusGenotypeIndex idx(d.view(), {1, 2});
  MultilocusGenotypes out;
  const Cell vr = Gen_MG_Two_Loci(d.view(), idx, 1, 2, d.alleles.AlleleFreq, false, out);
  EXPECT_EQ(out.NMLGTypes, 3);
  EXPECT_EQ(out.MLGKey, (Vec1<std::string>{"", "11234", "11234", "121537"}));
  EXPECT_EQ(out.NIdentAll[1], 4);
  // The first "11234" is (1,12)+(3,4), seen twice.
  EXPECT_DOUBLE_EQ(out.MLGFreq(1, 1), 0.5);
  EXPECT_DOUBLE_EQ(out.MLGFreq(1, 2), 0.25);
  EXPECT_EQ(out.MLGNTypes[1], 3);
  EXPECT_DOUBLE_EQ(*out.MLGDiversity[1], 1 / (0.25 + 0.0625 + 0.0625));
  ASSERT_TRUE(vr);
  EXPECT_EQ(d.ds.Allele, genotypes);  // read only: pairs may run side by side

  Gen_MG_Two_Loci(d.view(), idx, 1, 2, d.alleles.AlleleFreq, true, out);
  EXPECT_EQ(out.MLGKey, (Vec1<std::string>{"", "11234", "11234", "121537"}));
  EXPECT_DOUBLE_EQ(out.MLGFreq(1, 2), 0.25);  // order of first appearance: (1,12)+(3,4) came first
}

TEST(TwoLocusTypes, RealisedDiversityByHand) {
  // One population: A 11, 12, 22, 22 (p1 = 3/8) and B 33, 33, 33, 34 (p3 = 7/8): four types of 1/4 each,
  // observed diversity 4. Expected type frequencies p^2 or 2pq at each locus, multiplied: 1133 (9/64)(49/64),
  // 1233 (30/64)(49/64), 2233 (25/64)(49/64), 2234 (25/64)(14/64). V_R = 4 / (1 / the sum of their squares).
  Pairs d({{{1, 1, 3, 3}, {1, 2, 3, 3}, {2, 2, 3, 3}, {2, 2, 3, 4}}}, 4);
  const LocusGenotypeIndex idx(d.view(), {1, 2});
  MultilocusGenotypes out;
  const Cell vr = Gen_MG_Two_Loci(d.view(), idx, 1, 2, d.alleles.AlleleFreq, false, out);
  const double e[4] = {9.0 * 49, 30.0 * 49, 25.0 * 49, 25.0 * 14};
  double s = 0;
  for (double x : e) s += (x / 4096) * (x / 4096);
  ASSERT_TRUE(vr);
  EXPECT_NEAR(*vr, 4 * s, 1e-12);
}

TEST(TwoLocusAnalysis, FewerThanTwoPopulationsAndUntypedPopulationsGiveDashesNotDivisions) {
  Pairs d({{{1, 2, 1, 1}, {2, 2, 1, 2}}, {{1, 1, 2, 2}, {1, 2, 1, 2}}, {{-1, -1, 1, 1}}}, 2);
  PairTable3<double> distDG(3, 2);
  distDG(1, 2, 1) = 0.5;
  distDG(1, 3, 1) = 0.25;
  distDG(2, 3, 1) = 0.75;
  distDG(1, 2, 2) = 0.1;
  distDG(1, 3, 2) = 0.2;
  distDG(2, 3, 2) = 0.6;
  Table2<double> geo(3, 3);
  geo(1, 2) = 1;
  geo(1, 3) = 2;
  geo(2, 3) = 3;
  TwoLocusInputs in;
  in.g = d.view();
  in.AlleleFreq = &d.alleles.AlleleFreq;
  in.DistDG = [&](int p, int q, int l) { return distDG(p, q, l); };
  in.GeoDist = &geo;
  const LocusGenotypeIndex idx(in.g, {1, 2});
  MultilocusGenotypes scratch;

  // All three: P3 has no fully typed individual. It counts in V_MG with 0 and has no type distance, so
  // only the pair P1-P2 is left for DG_M and its correlation; the single-locus distances use all pairs.
  TwoLocusRow r = Two_Locus_Analysis(in, idx, 1, 2, scratch);
  EXPECT_EQ(r.N_MG, 4);
  ASSERT_TRUE(r.V_MG && r.DG_M && r.r_DG_GD);
  EXPECT_DOUBLE_EQ(*r.V_MG, (2.0 + 2.0 + 0) / 3);
  EXPECT_DOUBLE_EQ(*r.DG_M, 1.0);  // no shared type
  EXPECT_FALSE(r.r_DGM_SD);        // one pair
  // DG at A 0.5, 0.25, 0.75 against B 0.1, 0.2, 0.6: r = 0.1 / (sqrt(0.125) sqrt(0.14)).
  EXPECT_NEAR(*r.r_DG_GD, 0.1 / (std::sqrt(0.125) * std::sqrt(0.14)), 1e-12);

  // One population: no pair at all.
  d.sel.PopSel = {0, 1, 0, 0};
  r = Two_Locus_Analysis(in, idx, 1, 2, scratch);
  EXPECT_FALSE(r.DG_M);
  EXPECT_FALSE(r.r_DGM_SD);
  EXPECT_FALSE(r.r_DG_GD);
  ASSERT_TRUE(r.V_MG);
  EXPECT_DOUBLE_EQ(*r.V_MG, 2.0);
  // Only an untyped population: no types, no realised diversity.
  d.sel.PopSel = {0, 0, 0, 1};
  r = Two_Locus_Analysis(in, idx, 1, 2, scratch);
  EXPECT_EQ(r.N_MG, 0);
  EXPECT_FALSE(r.V_R);
  EXPECT_DOUBLE_EQ(*r.V_MG, 0.0);
}

// Restores the pool's own number of threads.
struct ThreadsGuard {
  ~ThreadsGuard() { setWorkerThreads(0); }
};

TEST(TwoLocusTable, EveryPairOfTheLociInOrderWhateverTheNumberOfThreads) {
  gen::Params prm;
  prm.nPop = 6;
  prm.nInd = 15;
  prm.nLoci = 12;
  prm.nAlleles = 5;
  prm.seed = 7;
  gen::Data d = gen::generate(prm);
  AlleleStats alleles;
  Calc_Allele_Freq(d.view(), false, alleles);
  PairTable3<double> distDG;
  Table2<double> distDGMean;
  Calc_Dist_Gregorius(d.view(), alleles.AlleleFreq, distDG, distDGMean);
  Table2<double> geo(prm.nPop, prm.nPop);
  for (int p = 1; p <= prm.nPop; ++p)
    for (int q = 1; q <= prm.nPop; ++q) geo(p, q) = std::abs(p - q) * 1.5 + (p + q) % 3;
  TwoLocusInputs in;
  in.g = d.view();
  in.AlleleFreq = &alleles.AlleleFreq;
  in.DistDG = [&](int p, int q, int l) { return distDG(p, q, l); };
  in.GeoDist = &geo;
  // Loci 1, 4 and 12 are not paired: the progress still names every first locus.
  const std::vector<int> loci = {2, 3, 5, 6, 7, 8, 9, 10, 11};

  const ThreadsGuard restore;
  std::vector<std::string> progress;
  RunContext run;
  run.progressSink = [&](const std::string& text) { progress.push_back(text); };
  setWorkerThreads(1);
  const TwoLocusTable one = Two_Locus_Table(in, loci, run);
  setWorkerThreads(8);
  const TwoLocusTable many = Two_Locus_Table(in, loci, RunContext{});

  std::vector<std::string> steps;
  for (int a = 1; a < prm.nLoci; ++a) steps.push_back(masked(100.0 * a / prm.nLoci, "0.0"));
  EXPECT_EQ(progress, steps);
  std::vector<std::pair<int, int>> pairs;
  for (std::size_t i = 0; i < loci.size(); ++i)
    for (std::size_t j = i + 1; j < loci.size(); ++j) pairs.emplace_back(loci[i], loci[j]);
  ASSERT_EQ(one.pairs, pairs);
  ASSERT_EQ(many.pairs, pairs);
  ASSERT_EQ(one.rows.size(), pairs.size());
  ASSERT_EQ(many.rows.size(), pairs.size());
  const LocusGenotypeIndex idx(in.g, loci);
  MultilocusGenotypes scratch;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    SCOPED_TRACE(std::to_string(pairs[i].first) + "-" + std::to_string(pairs[i].second));
    const TwoLocusRow want = Two_Locus_Analysis(in, idx, pairs[i].first, pairs[i].second, scratch);
    for (const TwoLocusRow* x : {&one.rows[i], &many.rows[i]}) {
      EXPECT_EQ(x->N_MG, want.N_MG);
      EXPECT_EQ(x->V_MG, want.V_MG);
      EXPECT_EQ(x->V_R, want.V_R);
      EXPECT_EQ(x->DG_M, want.DG_M);
      EXPECT_EQ(x->r_DGM_SD, want.r_DGM_SD);
      EXPECT_EQ(x->r_DG_GD, want.r_DG_GD);
    }
  }

  // A stop asked for during the third step ends the run there.
  run.stopRequest = [&] { return progress.size() == steps.size() + 3; };
  EXPECT_THROW(Two_Locus_Table(in, loci, run), RunStopped);
  EXPECT_EQ(progress.size(), steps.size() + 3);
}

}  // namespace
}  // namespace kiwora
