#include "permutation/among_report.h"

#include <string>

#include "base/number_format.h"

namespace kiwora {
namespace {

void valueRow(LineWriter& out, const std::string& start, const std::vector<Cell>& values, const std::string& mask) {
  std::string s = start;
  for (const Cell& v : values) s += ";" + maskedOr(v, mask, out.decimalSign(), "-");
  out.text(s).nl();
}

}  // namespace

void printAmongTestReport(LineWriter& out, const AmongTestResult& r, const Vec1<std::string>& locName) {
  const std::string hashes(37, '#');
  out.nl();
  out.tab(4).text(hashes).nl();
  out.tab(4).text("#####  Results of Permutations  #####").nl();
  out.tab(4).text(hashes).nl();
  out.nl();

  std::string head = "Per";
  const struct {
    const char* locus;
    const char* total;
  } groups[] = {{"Dj", "Dj_T"}, {"Fst", "Fst_G"}, {"Fst_N", "Fst_GN"}};
  for (const auto& g : groups) {
    for (int l : r.loci) head += std::string(", ") + g.locus + "(" + locName[static_cast<std::size_t>(l)] + ")";
    head += std::string(", ") + g.total;
  }
  out.text(head).nl();
  for (int k = 1; k <= r.nPerm; ++k) valueRow(out, std::to_string(k), r.permuted[static_cast<std::size_t>(k)], "0.0000");
  out.nl();
  valueRow(out, "P<O", r.shareAtMost, "0.000");
  out.nl();
  valueRow(out, "P>O", r.shareAtLeast, "0.000");
}

}  // namespace kiwora
