// Rules of the report sections that the golden files do not isolate: the dendrogram against drawings made
// by hand, counts of four digits and more, undefined and near-zero values, the closing of an open line,
// values worked out by hand on the example data, and maternal loci in the genotype table.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "support/app_fixture.h"
#include "support/analysed_model.h"

namespace kiwora {
namespace {

using testing::readFile;

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < s.size()) {
    const std::size_t end = s.find("\r\n", start);
    out.push_back(s.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

// Populations named A, B, C, ... all selected, one locus "L", and a chain of the given steps and levels.
AnalysedModel chainModel(const std::vector<int>& steps, const std::vector<double>& levels) {
  AnalysedModel m;
  const int n = static_cast<int>(steps.size());
  m.ds.NPop = n;
  m.ds.NLoci = 1;
  m.ds.LocName = {"", "L"};
  m.ds.PopName = makeVec1<std::string>(n);
  for (int p = 1; p <= n; ++p) m.ds.PopName[static_cast<std::size_t>(p)] = std::string(1, static_cast<char>('A' + p - 1));
  m.sel.PopSel = makeVec1<int>(n, 1);
  m.sel.LocSel = {0, 1};
  ClusterSteps& c = m.dist.ClusterDG;
  c.NClusterSteps = n - 1;
  c.Step = makeVec1<int>(n);
  c.Level = makeVec1<double>(n);
  for (int p = 1; p <= n; ++p) c.Step[static_cast<std::size_t>(p)] = steps[static_cast<std::size_t>(p - 1)];
  for (std::size_t s = 0; s < levels.size(); ++s) c.Level[s + 1] = levels[s];
  m.dist.ClusterMLG = c;
  return m;
}

// The drawing lines between the empty line after "-----------" and the empty line before the axis.
std::vector<std::string> drawing(const std::string& section) {
  const auto all = lines(section);
  std::size_t i = 0;
  while (all[i] != "    -----------") ++i;
  std::vector<std::string> out;
  for (i += 2; !all[i].empty(); ++i) out.push_back(all[i]);
  return out;
}

std::string at20(const std::string& name, const std::string& units) {
  return (name.empty() ? std::string(19, ' ') : " " + name + std::string(18 - name.size(), ' ')) + units;
}

std::string rep(const std::string& unit, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += unit;
  return s;
}

TEST(ReportDendrogram, ThreePopulationsOnTheCoarseScale) {
  // A+B at 0.10, then C at 0.40: coarse scale, one character per hundredth.
  const AnalysedModel m = chainModel({1, 1, 2}, {0.10, 0.40});
  LineWriter out;
  printClusterGenepool(out, m);
  const std::vector<std::string> expected = {
      at20("A", rep("*", 10)),
      at20("", rep(" ", 9) + "*"),
      at20("", rep(" ", 9) + rep("*", 31)),
      at20("", rep(" ", 9) + "*" + rep(" ", 29) + "*"),
      at20("B", rep("*", 10) + rep(" ", 29) + "*"),
      at20("", rep(" ", 39) + "*"),
      at20("", rep(" ", 39) + "*"),
      at20("", rep(" ", 39) + "*"),
      at20("C", rep("*", 40)),
  };
  EXPECT_EQ(drawing(out.str()), expected) << out.str();
  EXPECT_NE(out.str().find("     1             0.1000    A\r\n     1             0.1000    B\r\n"
                           "     2             0.4000    C\r\n"),
            std::string::npos);
  EXPECT_NE(out.str().find(std::string(19, ' ') + "0" + std::string(19, ' ') + "0.20" + std::string(16, ' ') + "0.40"),
            std::string::npos);
}

TEST(ReportDendrogram, FineScaleAndHalvesGoingUp) {
  // Levels 0.05 and 0.20: four characters per hundredth; A's bar is 20 stars.
  AnalysedModel m = chainModel({1, 1, 2}, {0.05, 0.20});
  LineWriter out;
  printClusterGenepool(out, m);
  auto d = drawing(out.str());
  ASSERT_EQ(d.size(), 9u);
  EXPECT_EQ(d[0], at20("A", rep("****", 5)));
  EXPECT_EQ(d[1], at20("", rep("    ", 4) + "   *"));
  EXPECT_EQ(d[8], at20("C", rep("****", 20)));
  EXPECT_NE(out.str().find("0.05" + std::string(16, ' ') + "0.10"), std::string::npos);

  // 0.125 is position 13 (a half goes up).
  m = chainModel({1, 1, 2}, {0.125, 0.20});
  LineWriter out2;
  printClusterGenepool(out2, m);
  EXPECT_EQ(drawing(out2.str())[0], at20("A", rep("****", 13)));
}

// Levels that rounding left a few units off their exact value are drawn as the exact value: 1/8 and 5/8
// are halves of a hundredth (13 and 63 units), and a last level of exactly 1/4 takes the fine scale.
TEST(ReportDendrogram, LevelsAsExactArithmeticDrawsThem) {
  const struct { double first, last; int units; bool fine; } cases[] = {
      {0.125, 0.20, 13, true},
      {std::nextafter(0.125, 0.0), 0.20, 13, true},
      {std::nextafter(std::nextafter(0.125, 0.0), 0.0), 0.20, 13, true},
      {0.05, std::nextafter(0.25, 1.0), 5, true},
      {0.05, 0.25, 5, true},
      {std::nextafter(0.625, 0.0), 0.7, 63, false},
      {0.05, 0.2501, 5, false},
  };
  for (const auto& c : cases) {
    const AnalysedModel m = chainModel({1, 1, 2}, {c.first, c.last});
    LineWriter out;
    printClusterGenepool(out, m);
    EXPECT_EQ(drawing(out.str())[0], at20("A", rep(c.fine ? "****" : "*", c.units))) << c.first << " " << c.last;
    EXPECT_EQ(out.str().find("0.20" + std::string(16, ' ') + "0.25") != std::string::npos, c.fine) << c.last;
  }
}

TEST(ReportDendrogram, FallingLevelsDifferBetweenTheMembers) {
  // Four populations: A+B at 0.10, C at 0.30, D at 0.20 (a falling level).
  const AnalysedModel m = chainModel({1, 1, 2, 3}, {0.10, 0.30, 0.20});
  LineWriter gp, ml;
  printClusterGenepool(gp, m);
  printClusterMultilocus(ml, m);
  const auto g = drawing(gp.str()), u = drawing(ml.str());
  ASSERT_EQ(g.size(), 14u);
  ASSERT_EQ(u.size(), 14u);
  // Step 2 with x = 30, y = 20 (fine scale: the last level decides): the gene-pool member leaves out the
  // final joints, the multilocus member draws them.
  EXPECT_EQ(g[5], at20("", rep("    ", 29)));
  EXPECT_EQ(u[5], at20("", rep("    ", 29) + "   *"));
  EXPECT_EQ(g[6], at20("", rep("    ", 20)));
  EXPECT_EQ(g[7], at20("", rep("    ", 19)));
  EXPECT_EQ(u[7], at20("", rep("    ", 19) + "   *"));
  EXPECT_EQ(g[9], at20("C", rep("****", 20)));
  EXPECT_EQ(u[9], at20("C", rep("****", 20) + "   *"));
  // 0.30 runs past the 100-character axis.
  EXPECT_EQ(g[4].size(), 19u + 4 * 30);
  EXPECT_EQ(g[13], at20("D", rep("****", 20)));
}

TEST(ReportDendrogram, TwoPopulationsAndTooFew) {
  const AnalysedModel two = chainModel({1, 1}, {0.30});
  LineWriter out;
  printClusterGenepool(out, two);
  const std::vector<std::string> expected = {
      at20("A", rep("*", 30)), at20("", rep(" ", 29) + "*"), at20("", rep(" ", 29) + "*"),
      at20("", rep(" ", 29) + "*"), at20("B", rep("*", 30)),
  };
  EXPECT_EQ(drawing(out.str()), expected) << out.str();

  AnalysedModel one = chainModel({0, 0}, {});
  one.sel.PopSel[2] = 0;
  one.dist.ClusterDG.NClusterSteps = 0;
  LineWriter few;
  printClusterMultilocus(few, one);
  EXPECT_EQ(few.str(), std::string("\r\n   ") + std::string(32, '#') + "\r\n   #####   CLUSTER ANALYSIS   #####\r\n   " +
                           std::string(32, '#') + "\r\n\r\n" +
                           "   Method          = one growing cluster by unweighted average distance (not UPGMA)\r\n"
                           "   Used Distance   = Genetic Distance of Multilocus Genotypes (Gregorius 1974)\r\n\r\n"
                           "   Clustering needs at least two selected populations.\r\n\r\n");
}

TEST(ReportRows, LargeCountsUndefinedAndNearZeroValues) {
  AnalysedModel m;
  m.ds.NPop = 3;
  m.sel.PopSel = {0, 1, 1, 1};
  const PopulationRows rows{m, '.'};
  const std::vector<long long> counts = {0, 999, 1000, 1234567};
  // Right-aligned in six characters; four digits and more keep a blank before them.
  EXPECT_EQ(rows.paddedCountRow(" ", [&](int p) { return counts[static_cast<std::size_t>(p)]; }),
            "    999  1000 1234567");
  EXPECT_EQ(rows.trailingCountRow([&](int p) { return counts[static_cast<std::size_t>(p)]; }), "999   1000  1234567 ");

  const std::vector<Cell> cells = {Cell{}, Cell{std::nan("")}, Cell{-0.0001}, Cell{}};
  const std::vector<Cell> withInf = {Cell{}, Cell{INFINITY}, Cell{-INFINITY}, Cell{}};
  EXPECT_EQ(rows.valueRow("", "0.000", [&](int p) { return p == 3 ? withInf[1] : cells[static_cast<std::size_t>(p)]; }),
            " ----- 0.000 -----");
  EXPECT_EQ(maskedCell(withInf[2], "0.0000", '.'), "------");
  EXPECT_EQ(maskedCell(Cell{-0.00004}, "0.0000", ','), "0,0000");
}

TEST(ResultFile, ClosingEndsAnOpenLine) {
  testing::TempDir dir;
  const std::string path = dir.file("r.txt");
  TextFile f;
  ASSERT_TRUE(f.open(path, TextFile::Mode::Create));
  f.text("last row");
  ASSERT_TRUE(f.close());
  ASSERT_TRUE(f.open(path, TextFile::Mode::Append));
  f.text("next header").nl();
  ASSERT_TRUE(f.close());
  EXPECT_EQ(readFile(path), "last row\r\nnext header\r\n");
}

class ReportOnData : public testing::AppFixture {
 protected:
  std::string calculate(const std::string& ticks) {
    dir.write("data.txt", testing::kDemoFile);
    run("file data.txt\nmenu OpenPopGen\nmenu Diploid\n" + ticks + "\nclick Command1\nexpect-window frmStart");
    return readFile(dir.file("data-out.txt"));
  }
};

TEST_F(ReportOnData, HandComputedValuesOfTheExampleData) {
  const std::string out = calculate("tick Check1\ntick Check2\ntick Check8\ntick Check11");
  // SNP_002 has frequencies 1/2, 1/2 in populations 1 and 2 and 1/3, 2/3 in population 3: v = 1 / sum p^2.
  EXPECT_NE(out.find("SNP_002             2.000 2.000 1.800\r\n"), std::string::npos);
  // Allelic richness: the rarefaction size is 6 copies (3 at SNP_005); the total sums the loci.
  const double mono6 = 1 - std::exp(-6.0), mono3 = 1 - std::exp(-3.0);
  const double total1 = 3 * mono6 + mono3 + 2 * (1 - std::exp(-3.0));
  const double total3 = 3 * mono6 + mono3 + (1 - std::exp(-2.0)) + (1 - std::exp(-4.0));
  EXPECT_EQ(masked(total1, "0.0"), "5.8");
  EXPECT_EQ(masked(total3, "0.0"), "5.8");
  EXPECT_NE(out.find("SNP_005   3     1.0     1.0     1.0     \r\n"), std::string::npos);
  EXPECT_NE(out.find("Total           5.8     5.8     5.8     \r\n"), std::string::npos);
  // Population 2 at SNP_002: all three heterozygous (Ho 1), He 1/2, Fis = 1 - Ho/He = -1.
  EXPECT_NE(out.find("    SNP_002         3         3        1.000     0.500     -1.000\r\n"), std::string::npos);
  // Monomorphic: no Fis.
  EXPECT_NE(out.find("    SNP_001         3         3        0.000     0.000      ----\r\n"), std::string::npos);
  // Dj at SNP_002: population 3 (1/3, 2/3) against the mean of 1 and 2 (1/2, 1/2) differs by 1/6.
  EXPECT_NE(out.find("SNP_002        0.0833 0.0833 0.1667 0.1111\r\n"), std::string::npos);
}

TEST_F(ReportOnData, MaternalLociHaveNoGenotypeTable) {
  dir.write("data.txt", testing::kDemoFile);
  run("file data.txt\nmenu OpenPopGen");
  model().sel.LocMode[2] = 2;
  run("menu Diploid\ntick Check5\ntick Check6\nclick Command1");
  const std::string out = readFile(dir.file("data-out.txt"));
  const std::size_t genotypes = out.find("Frequencies Genotypes");
  ASSERT_NE(genotypes, std::string::npos);
  EXPECT_LT(out.find("   SNP_002\r\n"), genotypes);
  EXPECT_EQ(out.find("   SNP_002\r\n", genotypes), std::string::npos);
  EXPECT_NE(out.find("   SNP_003\r\n", genotypes), std::string::npos);
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

// The line of the result text that starts with `start`, after `from`.
std::string lineStarting(const std::string& out, const std::string& start, std::size_t from = 0) {
  const std::size_t at = out.find("\r\n" + start, from);
  if (at == std::string::npos) return {};
  return out.substr(at + 2, out.find("\r\n", at + 2) - at - 2);
}

// 3/3, 1/2 and 3/4: Ho = 2/3 and He = 1 - (1 + 1 + 9 + 1) / 36 = 2/3, so Fis is 0, although the computed
// He falls a unit in the last place short of Ho. Every section prints it as zero, without a sign.
TEST_F(ReportOnData, AFisOfZeroThatRoundingMadeNegativePrintsWithoutASign) {
  dir.write("data.txt", "T\n1,1,4\nL1\nP,0,0\n3,3\n1,2\n3,4\nEND\n");
  run("file data.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check8\ntick Check21\nclick Command1\nexpect-window frmStart");
  const std::string out = readFile(dir.file("data-out.txt"));
  const std::size_t het = out.find("HETEROZYGOSITY");
  ASSERT_NE(het, std::string::npos);
  ASSERT_LT(*app.analysis.variation.Fis(1, 1), 0) << "the fixture needs the rounding it is about";
  EXPECT_EQ(lineStarting(out, "    L1", het),
            "    L1" + std::string(13, ' ') + " 3 " + std::string(7, ' ') + " 3 " + std::string(7, ' ') + "0.667" +
                std::string(5, ' ') + "0.667" + std::string(5, ' ') + " 0.000");
  const std::string mean = lineStarting(out, "    Mean", het);
  ASSERT_GE(mean.size(), 63u) << mean;
  EXPECT_EQ(mean.substr(57), " 0.000") << mean;
  EXPECT_EQ(lineStarting(out, "     1 ", het), "     1" + std::string(13, ' ') + "0.6667" + std::string(4, ' ') +
                                                    "0.6667" + std::string(4, ' ') + "0.0000");
  EXPECT_EQ(out.find("-0.0"), std::string::npos) << out;
}

// A locus typed in one population only compares nothing: both Fst sections and the quality check print
// dashes for it, and the totals are those of the other loci.
TEST_F(ReportOnData, AnFstWithoutTwoPopulationsWithDataPrintsDashes) {
  dir.write("data.txt",
            "T\n3,2,2\nL1\nL2\nP1,0,0\n1,1,1,2\n2,2,2,2\n\nP2,0,0\n2,2,-1,-1\n2,1,-1,-1\n\nP3,0,0\n1,2,-1,-1\nEND\n");
  // L2 has no genotype in P2 and P3, so the reader drops it; the range "Include" takes it back.
  run("file data.txt\nmenu OpenPopGen\nmenu EL\ntype Text1 2\ntype Text2 2\nclick Command4\nclick Command3");
  run("menu Diploid\ntick Check13\ntick Check21\nclick Command1\nexpect-window frmStart");
  const std::string out = readFile(dir.file("data-out.txt"));
  const std::size_t fst = out.find("GENETIC FIXATION Fst  #####"), std_ = out.find("STANDARDISED GENETIC FIXATION");
  ASSERT_NE(fst, std::string::npos);
  ASSERT_NE(std_, std::string::npos);
  EXPECT_EQ(lineStarting(out, "L2", fst), "L2            ------");
  EXPECT_EQ(lineStarting(out, "L2", std_), "L2            ------");
  // The totals are L1's values alone.
  const std::string l1 = lineStarting(out, "L1", fst);
  ASSERT_GE(l1.size(), 20u);
  EXPECT_EQ(lineStarting(out, "Fst_G = ", fst), "Fst_G = " + l1.substr(14));
  const std::string quality = lineStarting(out, " 2 ", out.find("RESULTS QUALITY CHECK LOCI"));
  ASSERT_GE(quality.size(), 114u) << quality;
  EXPECT_NE(quality.substr(89, 5), "-----") << "Dj is defined with three populations: " << quality;
  EXPECT_EQ(quality.substr(109, 5), "-----") << quality;
}

// Populations without one complete multilocus genotype have no defined distance: the section says so and
// draws no empty dendrogram.
TEST_F(ReportOnData, NoDefinedDistanceIsSaidAndNothingIsDrawn) {
  dir.write("data.txt", "T\n2,2,2\nL1\nL2\nP1,0,0\n1,2,-1,1\n\nP2,0,0\n-1,2,1,1\nEND\n");
  run("file data.txt\nmenu OpenPopGen\nmenu Diploid\ntick Check15\nclick Command1\nexpect-window frmStart");
  const std::string out = readFile(dir.file("data-out.txt"));
  EXPECT_NE(out.find("   Used Distance   = Genetic Distance of Multilocus Genotypes (Gregorius 1974)\r\n\r\n"
                     "   No two selected populations have a defined distance.\r\n\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("DENDROGRAMM"), std::string::npos);
  EXPECT_EQ(out.find("Distance\r\n", out.find("CLUSTER ANALYSIS")), std::string::npos) << "no axis";
}

// With one population selected the quality check shows Dj and Fst as their sections do: as dashes.
TEST_F(ReportOnData, TheQualityCheckOfOnePopulationHasNoDjAndNoFst) {
  dir.write("data.txt", testing::kDemoFile);
  run("file data.txt\nmenu OpenPopGen\nmenu Es\npick List1 2 - Pop_2\nclick Command1\npick List1 3 - Pop_3\n"
      "click Command1\nclick Command3");
  run("menu Diploid\ntick Check11\ntick Check13\ntick Check21\nclick Command1\nexpect-window frmStart");
  const std::string out = readFile(dir.file("data-out.txt"));
  EXPECT_NE(out.find("\r\nSNP_002       ------\r\n"), std::string::npos);  // the Fst section
  const std::size_t check = out.find("RESULTS QUALITY CHECK LOCI");
  ASSERT_NE(check, std::string::npos);
  for (const char* no : {" 1 ", " 2 ", " 5 "}) {
    const std::string row = lineStarting(out, no, check);
    ASSERT_GE(row.size(), 114u) << row;
    EXPECT_EQ(row.substr(89, 5), "-----") << row;
    EXPECT_EQ(row.substr(109, 5), "-----") << row;
  }
}

}  // namespace
}  // namespace kiwora

namespace kiwora {
namespace {

// One population "P" and one locus per case, named L1, L2, ...
AnalysedModel onePopulation(int nLoci) {
  AnalysedModel m;
  m.ds.NPop = 1;
  m.ds.NLoci = nLoci;
  m.ds.PopName = {"", "P"};
  m.ds.NInd = {0, 4};
  m.ds.LocName = makeVec1<std::string>(nLoci);
  for (int l = 1; l <= nLoci; ++l) m.ds.LocName[static_cast<std::size_t>(l)] = "L" + std::to_string(l);
  m.sel.PopSel = {0, 1};
  m.sel.LocSel = makeVec1<int>(nLoci, 1);
  return m;
}

TEST(ReportRows, FisLinesUpAndNoZeroReadsNegative) {
  const struct { double fis; const char* text; } cases[] = {
      {0.125, " 0.125"}, {-0.125, "-0.125"}, {0, " 0.000"}, {0.0001, " 0.000"},
      {-0.0001, " 0.000"},  // rounds to zero: no sign
      {-0.0005, "-0.001"}, {-1, "-1.000"},
  };
  const int n = static_cast<int>(std::size(cases));
  AnalysedModel m = onePopulation(n);
  VariationStats& v = m.variation;
  v.Ho.resize(1, n);
  v.He.resize(1, n);
  v.Fis.resize(1, n);
  v.NIdentLoc.resize(1, n);
  v.HoMean = v.HeMean = v.FisMean = makeVec1<Cell>(1);
  for (int k = 1; k <= n; ++k) {
    v.Ho(1, k) = 0.5;
    v.He(1, k) = 0.5;
    v.Fis(1, k) = cases[k - 1].fis;
  }
  v.FisMean[1] = -0.0002;
  LineWriter out;
  printHeterozygosity(out, m);
  const std::string s = out.str();
  for (int k = 1; k <= n; ++k) {
    const std::string row = "    L" + std::to_string(k) + " ";
    const std::size_t at = s.find(row);
    ASSERT_NE(at, std::string::npos) << k;
    const std::string line = s.substr(at, s.find("\r\n", at) - at);
    ASSERT_EQ(line.size(), 65u) << line;  // every Fis ends in the same column
    EXPECT_EQ(line.substr(59), cases[k - 1].text) << line;
  }
  // The mean row: its Fis at column 58, in the place of the sign a blank.
  const std::size_t mean = s.find("    Mean");
  ASSERT_NE(mean, std::string::npos);
  EXPECT_EQ(s.substr(mean + 57, 8), " 0.000\r\n") << s;
}

TEST(ReportRows, AllelicRichnessPadsFollowItsValue) {
  // 5 blanks after a value of 9.9 or less, 4 after a larger one; 9.9 summed a unit above it is 9.9.
  const struct { double value; const char* cell; } cases[] = {
      {3, "3.0     "},         {9.9, "9.9     "},        {std::nextafter(9.9, 10.0), "9.9     "},
      {9.93, "9.9    "},       {9.96, "10.0    "},       {123.4, "123.4    "},
  };
  for (const auto& c : cases) {
    AnalysedModel m = onePopulation(1);
    m.alleles.AllelicRichness.resize(1, 1);
    m.alleles.AllelicRichness(1, 1) = c.value;
    m.alleles.MinGeneCount = {0, 8};
    LineWriter out;
    printAllelicRichness(out, m);
    const std::string s = out.str();
    EXPECT_NE(s.find("\r\nL1        8     " + std::string(c.cell) + "\r\n"), std::string::npos) << c.value << "\n" << s;
    EXPECT_NE(s.find("\r\nTotal           " + std::string(c.cell) + "\r\n"), std::string::npos) << c.value << "\n" << s;
  }
}

}  // namespace
}  // namespace kiwora
