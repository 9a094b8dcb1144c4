// Allele codes are names: the population analysis, kinship, the two-locus table, the three permutation
// tests and the exports on codes in the millions take the memory of the few codes present, not of the
// largest one, and write what they write with the same codes renumbered small (in the same order, so
// every sum over codes adds in the same order).
#ifdef KIWORA_BINARY
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/app_fixture.h"
#include "support/played_process.h"

namespace kiwora {
namespace {

// Three populations of four individuals at two loci, in small codes 1..9; 0 stands for a missing code.
struct Population {
  const char* header;
  std::vector<std::vector<int>> members;  // the two codes of L1, then of L2
};
const std::vector<Population> kPopulations = {
    {"North,1.0,2.0", {{1, 2, 3, 3}, {2, 2, 3, 4}, {1, 1, 4, 4}, {1, 3, 0, 0}}},
    {"South,5.0,1.0", {{2, 3, 1, 2}, {3, 3, 2, 2}, {2, 4, 1, 1}, {3, 3, 1, 4}}},
    {"East,9.0,7.0", {{4, 4, 1, 3}, {1, 4, 3, 3}, {4, 9, 2, 3}, {2, 4, 1, 1}}},
};

// Small code c as a code in the millions: 1 111 110 .. 9 999 998, all of seven digits and in the same
// order, so that labels joined from codes sort as the small ones do. The dominant correction reads codes 1
// (recessive) and 2 (dominant) by number, so under it those two stay as they are.
int large(int c, bool dominant) { return dominant && c <= 2 ? c : c * 1'111'111 - 1; }
constexpr std::size_t kLargeDigits = 7;

std::string dataFile(bool largeCodes, bool dominant) {
  const auto code = [&](int c) {
    return c == 0 ? std::string("-1") : std::to_string(largeCodes ? large(c, dominant) : c);
  };
  std::ostringstream s;
  s << "Codes\n3,2," << code(9) << "\nL1\nL2\n";
  for (std::size_t p = 0; p < kPopulations.size(); ++p) {
    s << kPopulations[p].header << "\n";
    for (const auto& m : kPopulations[p].members) s << code(m[0]) << "," << code(m[1]) << "," << code(m[2]) << "," << code(m[3]) << "\n";
    s << (p + 1 == kPopulations.size() ? "END\n" : "\n");
  }
  return s.str();
}

// The text with every large code written back as its small one (also inside labels joined from codes,
// such as "1111110_2222221" or "11111102222221"), and every run of blanks and line ends as one blank: a
// seven-digit code takes more columns than a one-digit one, so the columns it pushes may move.
std::string asSmallCodes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const bool startsNumber = std::isdigit(static_cast<unsigned char>(text[i])) &&
                              (i == 0 || (!std::isdigit(static_cast<unsigned char>(text[i - 1])) && text[i - 1] != '.'));
    if (startsNumber) {
      std::size_t end = i;
      while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
      std::string digits = text.substr(i, end - i), small;
      bool allCodes = digits.size() % kLargeDigits == 0;
      for (std::size_t k = 0; allCodes && k < digits.size(); k += kLargeDigits) {
        const int v = std::stoi(digits.substr(k, kLargeDigits));
        allCodes = (v + 1) % 1'111'111 == 0;
        small += std::to_string((v + 1) / 1'111'111);
      }
      out += allCodes ? small : digits;
      i = end;
    } else if (std::isspace(static_cast<unsigned char>(text[i]))) {
      while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
      out += ' ';
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

constexpr const char* kAnalysis = "menu Diploid\nexpect-window frmDiplo\n";
constexpr const char* kCalculate = "click Command1\nexpect-window frmStart\n";

TEST(AnalysisLargeCodes, RunsInTheMemoryOfTheCodesPresentAndWritesAsWithSmallCodes) {
  const struct {
    const char* what;
    bool dominant;        // the dominant correction is ticked, so codes 1 and 2 keep their numbers
    std::string actions;  // after the data file is loaded, ending at the main window
    std::vector<const char*> files;  // written besides the result file
  } cases[] = {
      {"allele frequencies, variation, heterozygosity", false,
       std::string(kAnalysis) + "tick Check5\ntick Check1\ntick Check20\ntick Check17\ntick Check2\ntick Check12\n"
                                "tick Check8\ntick Check3\n" + kCalculate, {}},
      {"single-locus genotype frequencies", false, std::string(kAnalysis) + "tick Check6\n" + kCalculate, {}},
      {"multilocus genotypes and their variation", false, std::string(kAnalysis) + "tick Check7\ntick Check4\n" + kCalculate, {}},
      {"distances, differentiation, genepool cluster", false,
       std::string(kAnalysis) + "tick Check9\ntick Check10\ntick Check11\ntick Check29\ntick Check13\ntick Check14\n"
                                "tick Check19\ntick Check21\n" + kCalculate, {}},
      {"multilocus distances and their cluster", false, std::string(kAnalysis) + "tick Check7\ntick Check9\ntick Check15\n" + kCalculate, {}},
      {"the dominant correction", true, std::string(kAnalysis) + "tick Check18\ntick Check5\ntick Check9\ntick Check2\n" + kCalculate, {}},
      {"kinship with intervals and the pairs file", false,
       std::string(kAnalysis) + "type Text14 200\ntick Check27\nfile pairs.csv\ntick Check26\ntick Check28\n" + kCalculate,
       {"pairs.csv"}},
      {"kinship on each population's own frequencies", false, std::string(kAnalysis) + "tick Check27\n" + kCalculate, {}},
      {"kinship on the neighbours' frequencies", false,
       std::string(kAnalysis) + "tick Check27\ntick Check30\ntype Text12 1\n" + kCalculate, {}},
      {"two-locus table", false, std::string(kAnalysis) + "tick Check25\n" + kCalculate, {}},
      {"test within populations", false,
       std::string(kAnalysis) + "tick Check8\ntick Check3\ntick Check4\n" + kCalculate +
           "menu WS\ntype Text1 200\ntick Check3\nclick Command1\nexpect-window frmStart\n", {}},
      {"test within populations, dominant correction", true,
       std::string(kAnalysis) + "tick Check18\ntick Check8\ntick Check3\n" + kCalculate +
           "menu WS\ntype Text1 200\ntick Check3\nclick Command1\nexpect-window frmStart\n", {}},
      {"test between two populations, all pairs", false,
       std::string(kAnalysis) + "tick Check2\ntick Check7\ntick Check9\ntick Check10\n" + kCalculate +
           "menu BTS\ntype Text1 200\nchoose Option1\nclick Command2\nexpect-window frmStart\n", {}},
      {"test between two populations, dominant correction", true,
       std::string(kAnalysis) + "tick Check18\ntick Check2\ntick Check9\ntick Check10\n" + kCalculate +
           "menu BTS\ntype Text1 200\nchoose Option1\nclick Command2\nexpect-window frmStart\n", {}},
      {"test among populations", false,
       std::string(kAnalysis) + "tick Check11\ntick Check13\n" + kCalculate +
           "menu BAS\ntype Text1 200\nclick Command1\nexpect-window frmStart\n", {}},
      {"test among populations, dominant correction", true,
       std::string(kAnalysis) + "tick Check18\ntick Check11\ntick Check13\n" + kCalculate +
           "menu BAS\ntype Text1 200\nclick Command1\nexpect-window frmStart\n", {}},
      {"exports", false, std::string(kAnalysis) + "tick Check5\n" + kCalculate +
                      "file freq-tarn.txt\nmenu exTarn\nfile freq.csv\nmenu OutPutPast\n"
                      "file saved.txt\nmenu Save_As_Kiwora\nfile saved-tarn.txt\nmenu Save_AS_Tarn\n",
       {"freq-tarn.txt", "freq.csv", "saved.txt", "saved-tarn.txt"}},
  };
  // A table by the largest code takes tens to hundreds of megabytes here; the data take a few kilobytes.
  constexpr std::size_t kLimit = std::size_t{300} << 20;
  constexpr long kPeakKilobytes = 150 << 10;
  for (const auto& c : cases) {
    std::vector<std::string> written[2];
    testing::TempDir dir;  // one for both, so that the files name the same files
    bool completed = true;
    for (const bool largeCodes : {false, true}) {
      for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry.path());
      dir.write("data.txt", dataFile(largeCodes, c.dominant));
      const std::string script = dir.write("run.kws", "seed 5\nfile data.txt\nmenu OpenPopGen\n" + c.actions);
      const testing::PlayedProcess played = testing::playInChild(script, kLimit);
      const char* which = largeCodes ? ", large codes" : ", small codes";
      completed = played.exited && played.exitCode == 0;
      if (!completed) {
        ADD_FAILURE() << c.what << which << ":\n" << played.out << played.err;
        break;
      }
      EXPECT_LT(played.peakKilobytes, kPeakKilobytes) << c.what << which;
      written[largeCodes].push_back(contentOf(dir.file("data-out.txt")));
      for (const char* f : c.files) written[largeCodes].push_back(contentOf(dir.file(f)));
    }
    if (!completed) continue;
    EXPECT_NE(written[0][0].find("#####  "), std::string::npos) << c.what << ": no section written\n" << written[0][0];
    for (std::size_t k = 0; k < written[0].size(); ++k) {
      EXPECT_FALSE(written[0][k].empty()) << c.what << ", file " << k;
      EXPECT_EQ(asSmallCodes(written[1][k]), asSmallCodes(written[0][k])) << c.what << ", file " << k;
    }
  }
}

}  // namespace
}  // namespace kiwora
#endif
