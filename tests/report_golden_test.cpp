// The report sections of a population analysis, pinned by golden result files: the example data, a
// larger data set (twelve populations, missing data, two-digit allele codes and population numbers), and
// the example data with one population selected. Every golden was checked line by line when first made.
// To rewrite them after an intended change: KIWORA_UPDATE_GOLDEN=1 ./kiwora_tests --gtest_filter='ReportGolden*'
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/app_fixture.h"
#include "support/golden.h"

namespace kiwora {
namespace {

using testing::readFile;
using testing::goldenPath;
using testing::expectGolden;
using testing::expectNoBrokenNumbers;

class ReportGolden : public testing::AppFixture {
 protected:
  void load(const std::string& data) {
    dir.write("data.txt", data);
    run("file data.txt\nmenu OpenPopGen\nexpect-window frmStart");
  }
  void playAllSections() { run(readFile(goldenPath("all_sections.kws"))); }
  // The result file with the temporary folder replaced, so that the header's file line is stable.
  std::string result() {
    std::string s = readFile(dir.file("data-out.txt"));
    for (std::size_t at; (at = s.find(dir.path())) != std::string::npos;) s.replace(at, dir.path().size(), "<dir>");
    return s;
  }
};

TEST_F(ReportGolden, ExampleData) {
  load(readFile(std::string(KIWORA_SOURCE_DIR) + "/examples/demo.txt"));
  playAllSections();
  const std::string out = result();
  expectGolden(out, "demo-report.txt");

  // Every section of the run, in the fixed order of the report; the dominant run follows.
  const char* titles[] = {
      "#####  ALLELE FREQUENCIES  #####",
      "#####  Frequencies Genotypes  #####",
      "#####  Frequencies of Multilocus-Genotypes  #####",
      "#####      No. of Alleles      #####",
      "#####  No. of unordered Single-Locus-Genotypes  #####",
      "#####    Percentage of Polymorphic loci     #####",
      "#####     Allelic Richness     #####",
      "#####   DIVERSITY V (ALLELES)  #####",
      "#####   EVENESS (ALLELES)  #####",
      "#####    VARIATION OF MULTILOCUS GENOTYPES   #####",
      "#####    HETEROZYGOSITY   #####",
      "#####    DEGREE OF HETEROZYGOSITY   #####",
      "#####   GENETIC DISTANCE D (Gregorius 1974)  #####",
      "Genetic Distance of Multilocus-Genotypes",
      "#####   SPATIAL DISTANCE and GENETIC DISTANCE D (Gregorius 1974)  #####",
      "#####   GENETIC DISTANCE D (Nei 1972)   #####",
      "#####  GENETIC DIFFERENTIATION Dj (Gregorius & Roberts 1986) #####",
      "#####  GENETIC DIFFERENTIATION Dj for Next Neighbours #####",
      "#####  GENETIC FIXATION Fst  #####",
      "#####  STANDARDISED GENETIC FIXATION Fst (Hedrick 2005) #####",
      "= Genetic Distance of Genpools (Gregorius 1974)",
      "= Genetic Distance of Multilocus Genotypes (Gregorius 1974)",
      "#####  RESULTS FOR DOMINANT GENE MARKERS      #####",
      "#####  ALLELE FREQUENCIES  #####",
  };
  std::size_t at = 0;
  for (const char* t : titles) {
    const std::size_t found = out.find(t, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << t;
    at = found + 1;
  }
  EXPECT_EQ(out.find("List of Selected Populations"), out.rfind("List of Selected Populations"));
  expectNoBrokenNumbers(out);
}

TEST_F(ReportGolden, TwelvePopulationsWithMissingData) {
  load(readFile(goldenPath("large.txt")));
  // Population 2 left out: the columns keep the data-set numbers, with a gap.
  run("menu Es\npick List1 2 - Oak_02\nclick Command1\nclick Command3\nexpect-window frmStart");
  playAllSections();
  const std::string out = result();
  expectGolden(out, "large-report.txt");
  expectNoBrokenNumbers(out);
}

TEST_F(ReportGolden, OnePopulationSelected) {
  load(readFile(std::string(KIWORA_SOURCE_DIR) + "/examples/demo.txt"));
  run("menu Es\npick List1 2 - Pop_2\nclick Command1\npick List1 3 - Pop_3\nclick Command1\nclick Command3");
  playAllSections();
  const std::string out = result();
  expectGolden(out, "demo-one-population.txt");
  EXPECT_NE(out.find("Clustering needs at least two selected populations."), std::string::npos);
  EXPECT_EQ(out.find("DENDROGRAMM"), std::string::npos);
  EXPECT_NE(out.find("Delta_T = ------\r\n"), std::string::npos);
  EXPECT_NE(out.find("Fst_G = ------\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kiwora
