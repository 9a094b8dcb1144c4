#include "files/frequency_export.h"

#include <algorithm>
#include <vector>

#include "files/decimal_number.h"
#include "files/export_text.h"

namespace kiwora {
namespace {

bool on(const Vec1<int>& flags, int i) {
  return i >= 0 && static_cast<std::size_t>(i) < flags.size() && flags[static_cast<std::size_t>(i)] == 1;
}

// The frequencies as the last run left them; a cell the run did not size (another data set, or no run
// yet) counts as 0.
double frequency(const AlleleFreqTable& freq, int p, int l, int a) {
  if (freq.empty() || p > freq.n1() || l > freq.n2() || a > freq.n3()) return 0;
  return freq(p, l, a);
}

// The codes 1..MaxAllele that may have a frequency other than 0 at locus l: those with a cell of their own
// (every other code reads 0), ascending. A loop over these, not over every code up to the largest, costs
// what the codes present cost.
std::vector<int> codesWithCells(const DataSet& ds, const AlleleFreqTable& freq, int l) {
  std::vector<int> codes;
  if (freq.empty() || l > freq.n2()) return codes;
  for (int a : freq.codes(l))
    if (a >= 1 && a <= ds.MaxAllele && a <= freq.n3()) codes.push_back(a);
  return codes;
}

// A coordinate as the other writers write it (no exponent), with the user's decimal sign.
std::string coordinateText(double v, char decimalSign) {
  std::string text = decimalText(v);
  std::replace(text.begin(), text.end(), '.', decimalSign);
  return text;
}

struct Columns {
  std::vector<int> pops, loci;
  std::vector<std::vector<int>> present;  // per entry of `loci`: the codes 1..MaxAllele present, ascending
};

Columns columns(const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq) {
  Columns c;
  for (int p = 1; p <= ds.NPop; ++p)
    if (on(sel.PopSel, p)) c.pops.push_back(p);
  for (int l = 1; l <= ds.NLoci; ++l) {
    if (!on(sel.LocSel, l)) continue;
    c.loci.push_back(l);
    std::vector<int>& codes = c.present.emplace_back();
    for (int a : codesWithCells(ds, freq, l))
      for (int p : c.pops)
        if (frequency(freq, p, l, a) > 0) {
          codes.push_back(a);
          break;
        }
  }
  return c;
}

}  // namespace

void writeTarnFrequencies(LineWriter& out, const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq) {
  const Columns c = columns(ds, sel, freq);
  out.text(ds.Title).nl();
  out.num(static_cast<double>(c.pops.size())).nl();
  out.num(static_cast<double>(c.loci.size())).nl();
  for (std::size_t k = 0; k < c.loci.size(); ++k) {
    out.text(csvField(ds.LocName[static_cast<std::size_t>(c.loci[k])])).text(",");
    if (!c.present[k].empty()) out.text(std::to_string(c.present[k].size()));
    out.nl();
  }
  for (int p : c.pops) {
    const std::string where = std::to_string(p) + "," + decimalText(ds.PopX[static_cast<std::size_t>(p)]) + "," +
                              decimalText(ds.PopY[static_cast<std::size_t>(p)]);
    for (std::size_t k = 0; k < c.loci.size(); ++k) {
      std::string line = where;
      for (int a : c.present[k]) line += "," + masked(frequency(freq, p, c.loci[k], a), "0.000");
      out.text(line).nl();
    }
  }
}

Refusal saveTarnFrequencyFile(const std::string& path, const DataSet& ds, const Selection& sel,
                              const AlleleFreqTable& freq) {
  return writeFile(path, [&](LineWriter& out) { writeTarnFrequencies(out, ds, sel, freq); });
}

char frequencyTableSeparator(const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq, char decimalSign) {
  // Any one frequency written with a "." decides, so the order of the search does not matter.
  for (int l = 1; l <= ds.NLoci; ++l) {
    if (!on(sel.LocSel, l)) continue;
    const std::vector<int> codes = codesWithCells(ds, freq, l);
    for (int p = 1; p <= ds.NPop; ++p) {
      if (!on(sel.PopSel, p)) continue;
      for (int a : codes)
        if (joinedNumber(frequency(freq, p, l, a), decimalSign).find('.') != std::string::npos) return ',';
    }
  }
  return ';';
}

void writeAlleleFrequencyTable(LineWriter& out, const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq,
                               char decimalSign) {
  const char s = frequencyTableSeparator(ds, sel, freq, decimalSign);
  const std::string sep(1, s);
  const Columns c = columns(ds, sel, freq);
  std::string header = "Pop" + sep + "X_Pos" + sep + "Y_Pos";
  for (std::size_t k = 0; k < c.loci.size(); ++k)
    for (int a : c.present[k])
      header += sep + csvField(ds.LocName[static_cast<std::size_t>(c.loci[k])] + "_" + std::to_string(a), s);
  out.text(header).nl();
  for (int p : c.pops) {
    const auto pi = static_cast<std::size_t>(p);
    std::string row = csvField(ds.PopName[pi], s) + sep + coordinateText(ds.PopX[pi], decimalSign) + sep +
                      coordinateText(ds.PopY[pi], decimalSign);
    for (std::size_t k = 0; k < c.loci.size(); ++k)
      for (int a : c.present[k]) row += sep + masked(frequency(freq, p, c.loci[k], a), "0.000", decimalSign);
    out.text(row).nl();
  }
}

Refusal saveAlleleFrequencyTable(const std::string& path, const DataSet& ds, const Selection& sel,
                                 const AlleleFreqTable& freq, char decimalSign) {
  return writeFile(path, [&](LineWriter& out) { writeAlleleFrequencyTable(out, ds, sel, freq, decimalSign); });
}

}  // namespace kiwora
