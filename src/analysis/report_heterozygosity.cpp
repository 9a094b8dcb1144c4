// Observed and expected heterozygosity with Fis per population and locus, and the degree of
// heterozygosity of the fully typed individuals.
#include <cmath>
#include <string>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

// Fis with a blank in the place of the sign, so that positive and negative values end in the same column.
std::string signedFis(const Cell& fis, char dec) {
  if (!fis) return " ----";
  if (!std::isfinite(*fis)) return maskedCell(fis, "0.000", dec);
  return signedMasked(*fis, "0.000", dec);
}

}  // namespace

void printHeterozygosity(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####    HETEROZYGOSITY   #####");
  const PopulationRows rows{m, out.decimalSign()};
  const VariationStats& v = m.variation;
  const char dec = out.decimalSign();
  rows.forSelected([&](int i) {
    out.nl();
    out.tab(4).text("Population = " + m.ds.PopName[u(i)]).nl();
    out.nl();
    out.tab(5).text("Locus").tab(20).text("N").tab(30).text("N Iden").tab(40).text("He(obs.)").tab(50).text("He(exp.)");
    out.tab(60).text("Fis").nl();
    out.tab(5).text(std::string(58, '_')).nl();
    forSelectedLoci(m, [&](int k) {
      const std::string he = maskedCell(v.He(i, k), "0.000", dec);
      // Without expected heterozygosity there is no fixation to show.
      const bool noHe = !v.He(i, k) || masked(*v.He(i, k), "0.000", '.') == "0.000";
      out.tab(5).text(m.ds.LocName[u(k)]).tab(20).num(m.ds.NInd[u(i)]).tab(30).num(v.NIdentLoc(i, k));
      out.tab(40).text(maskedCell(v.Ho(i, k), "0.000", dec)).tab(50).text(he);
      out.tab(60).text(noHe ? " ----" : signedFis(v.Fis(i, k), dec)).nl();
    });
    out.tab(5).text(std::string(60, '-')).nl();
    out.tab(5).text("Mean").tab(35).text(maskedCell(v.HoMean[u(i)], "0.000", dec)).zone();
    out.tab(45).text(maskedCell(v.HeMean[u(i)], "0.000", dec)).zone();
    out.tab(58).text(signedFis(v.FisMean[u(i)], dec)).nl();
    out.nl();
    out.tab(4).text(std::string(37, '#')).nl();
  });
  out.nl();
  out.tab(4).text(std::string(55, '_')).nl();
  out.nl();
  out.nl();
  out.tab(1).text("Summary of mean values for the populations").nl();
  out.tab(1).text(std::string(42, '-')).nl();
  out.nl();
  out.tab(5).text("Nr. Pop").tab(20).text("Ho").tab(30).text("He").tab(40).text("Fis").nl();
  rows.forSelected([&](int i) {
    out.tab(5).num(i).tab(20).text(maskedCell(v.HoMean[u(i)], "0.0000", dec));
    out.tab(30).text(maskedCell(v.HeMean[u(i)], "0.0000", dec));
    out.tab(40).text(maskedCell(v.FisMean[u(i)], "0.0000", dec)).nl();
  });
  out.nl();
  out.nl();
}

void printDegreeOfHeterozygosity(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####    DEGREE OF HETEROZYGOSITY   #####");
  const PopulationRows rows{m, out.decimalSign()};
  const VariationStats& v = m.variation;
  out.tab(4).text("Selected loci").nl();
  out.tab(4).text("-------------").nl();
  forSelectedLoci(m, [&](int k) { out.tab(1).text(m.ds.LocName[u(k)]).nl(); });
  out.nl();
  out.tab(10).text(rows.numberRow("  ")).nl();
  out.tab(10).text(rows.dashRow("", 7)).nl();
  for (int c = 1; c <= m.sel.NSelLoci + 1; ++c) {
    out.tab(1).text("HeG(" + std::to_string(c - 1) + ")").tab(10);
    out.text(rows.valueRow("", "0.000", [&](int i) -> Cell {
      return c <= v.HetDegreeDist.n2() ? v.HetDegreeDist(i, c) : Cell{};
    })).nl();
  }
  out.nl();
  out.tab(1).text("N").tab(7).text(rows.paddedCountRow(" ", [&](int i) { return m.ds.NInd[u(i)]; })).nl();
  out.tab(1).text("Iden").tab(7).text(rows.paddedCountRow(" ", [&](int i) { return v.NIdentAll[u(i)]; })).nl();
  out.nl();
}

}  // namespace kiwora
