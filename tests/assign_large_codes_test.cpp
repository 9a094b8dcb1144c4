// Allele codes are names: an assignment or a self-assignment on codes in the millions takes the memory of
// the few codes present, not of the largest one, and reports exactly what it reports with the same codes
// renumbered small (in the same order, so every sum over codes adds in the same order).
#ifdef KIWORA_BINARY
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/app_fixture.h"
#include "support/played_process.h"

namespace kiwora {
namespace {

// One individual: the two codes at each of the loci L1, L2, L3; 0 stands for a missing code.
struct Member {
  int a[6];
};
struct Block {
  const char* name;
  std::vector<Member> members;
};

// Reference populations and test groups in small codes 1..9. East carries 9 at L1; 9 at L2 is carried
// only by a test group.
const std::vector<Block> kReference = {
    {"North", {{{1, 2, 3, 3, 1, 1}}, {{2, 2, 3, 4, 1, 2}}, {{1, 3, 4, 4, 2, 2}}, {{2, 3, 3, 5, 1, 1}}, {{1, 1, 0, 0, 1, 1}}}},
    {"South", {{{5, 6, 4, 4, 2, 2}}, {{6, 6, 5, 5, 2, 1}}, {{5, 5, 4, 6, 2, 2}}, {{6, 7, 4, 5, 0, 0}}}},
    {"East", {{{7, 7, 3, 6, 1, 1}}, {{7, 8, 6, 6, 3, 3}}, {{8, 8, 3, 3, 3, 3}}, {{8, 9, 6, 5, 3, 1}}}},
};
const std::vector<Block> kTestGroups = {
    {"G1", {{{1, 2, 3, 4, 1, 1}}, {{2, 2, 9, 3, 1, 2}}}},
    {"G2", {{{7, 8, 6, 6, 3, 3}}, {{8, 8, 0, 0, 3, 1}}, {{6, 7, 5, 5, 2, 2}}}},
};

// Small code c at L1 and L2 as a code in the millions: 1 111 110 .. 9 999 998, in the same order. L3 keeps
// its codes, since a maternal haplotype is named by the text of its codes.
int large(int c) { return c * 1'111'111 - 1; }

std::string dataFile(const char* title, const std::vector<Block>& blocks, bool largeCodes) {
  const auto code = [&](int c, int locus) {
    if (c == 0) return std::string("-1");
    return std::to_string(largeCodes && locus < 2 ? large(c) : c);
  };
  std::ostringstream s;
  s << title << "\r\n" << blocks.size() << ",3," << (largeCodes ? large(9) : 9) << "\r\nL1\r\nL2\r\nL3\r\n";
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    s << blocks[b].name << "," << b + 1 << "," << b + 1 << "\r\n";
    for (const Member& m : blocks[b].members) {
      for (int k = 0; k < 6; ++k) s << (k ? "," : "") << code(m.a[k], k / 2);
      s << "\r\n";
    }
    s << (b + 1 == blocks.size() ? "END\r\n" : "\r\n");
  }
  return s.str();
}

constexpr const char* kLoad =
    "seed 11\n"
    "file ref.txt\nmenu OpenRefFile\nexpect-message The reading of the reference data was successful!\n"
    "file test.txt\nmenu OpenTestFile\nexpect-message The reading of the test data was successful!\n";
// East taken out of the reference populations: its members, tested all the same, carry a code no
// candidate population carries.
constexpr const char* kWithoutEast = "menu Es\npick List1 3 - East\nclick Command1\nclick Command3\n";
// L3 maternally inherited.
constexpr const char* kMaternalL3 = "menu Mode_inheritance\npick List1 3  - L3\nclick Command1\nclick Command3\n";

TEST(AssignmentLargeCodes, RunsInTheMemoryOfTheCodesPresentAndReportsAsWithSmallCodes) {
  const struct {
    const char* what;
    const char* before;  // actions before the assignment window opens
    const char* window;  // actions in the window, ending with the run's button
  } cases[] = {
      {"Bayesian, LOD1, corrected frequencies", "", "type Text2 40\nclick Command2\n"},
      {"frequency method, delta", "", "choose Option2\nchoose Option9\ntype Text2 40\nclick Command2\n"},
      {"distance on alleles, recombined haplotypes", "", "choose Option10\nchoose Option4\ntype Text2 40\nclick Command2\n"},
      {"distance on genotypes, recombined genotypes", "", "choose Option11\nchoose Option5\ntype Text2 40\nclick Command2\n"},
      {"Bayesian, delta, recombined alleles", "", "choose Option6\nchoose Option9\ntype Text2 40\nclick Command2\n"},
      {"a maternal locus, alleles and haplotypes", kMaternalL3, "choose Option2\nchoose Option7\ntype Text2 40\nclick Command2\n"},
      {"self-assignment, Bayesian", "", "click Command4\n"},
      {"self-assignment, frequency method, groups of 2", "", "choose Option2\ntype Text4 2\ntype Text5 5\nclick Command4\n"},
      {"self-assignment, distance on alleles", "", "choose Option10\nclick Command4\n"},
      {"self-assignment, distance on genotypes", "", "choose Option11\nclick Command4\n"},
      {"self-assignment without East, Bayesian", kWithoutEast, "click Command4\n"},
      {"self-assignment without East, frequency method", kWithoutEast, "choose Option2\nclick Command4\n"},
      {"self-assignment, a maternal locus", kMaternalL3, "choose Option2\nclick Command4\n"},
  };
  // A frequency table sized by the largest code takes gigabytes here.
  constexpr std::size_t kLimit = std::size_t{300} << 20;
  for (const auto& c : cases) {
    std::string report[2];
    testing::TempDir dir;  // one for both, so that the reports name the same files
    for (const bool largeCodes : {false, true}) {
      std::filesystem::remove(dir.file("ref-out.txt"));
      dir.write("ref.txt", dataFile("Reference", kReference, largeCodes));
      dir.write("test.txt", dataFile("Test groups", kTestGroups, largeCodes));
      const std::string script =
          dir.write("run.kws", std::string(kLoad) + c.before + "menu AssisgnmentGr\n" + c.window + "expect-window frmStart\n");
      const testing::PlayedProcess played = testing::playInChild(script, kLimit);
      ASSERT_TRUE(played.exited && played.exitCode == 0)
          << c.what << (largeCodes ? ", large codes" : ", small codes") << ":\n" << played.out << played.err;
      std::ifstream in(dir.file("ref-out.txt"), std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      report[largeCodes] = text.str();
    }
    EXPECT_NE(report[0].find("Results of "), std::string::npos) << c.what << ": no results written\n" << report[0];
    EXPECT_EQ(report[1], report[0]) << c.what;
  }
}

}  // namespace
}  // namespace kiwora
#endif
