// Differentiation Dj (against all others and against the next neighbours), Fst and standardised Fst.
// With fewer than two selected populations these are undefined and print as dashes.
#include <string>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

// " Pop" & i & "  " for each selected population.
std::string populationHeader(const PopulationRows& rows) {
  std::string s;
  rows.forSelected([&](int i) { s += " Pop" + std::to_string(i) + "  "; });
  return s;
}

// A label at column 1, then the text from column 15 (column 15 of the next line after a long label).
void labelled(LineWriter& out, const std::string& label, const std::string& text) {
  out.tab(1).text(label).tab(10).zone().text(text).nl();
}

bool differentiationDefined(const AnalysisView& m) { return m.sel.countSelectedPops() >= 2; }

Cell when(bool defined, double v) { return defined ? Cell{v} : Cell{}; }

}  // namespace

void printDifferentiationDj(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  GENETIC DIFFERENTIATION Dj (Gregorius & Roberts 1986) #####");
  out.nl();
  const PopulationRows rows{m, out.decimalSign()};
  const DifferentiationStats& d = m.diff;
  const bool defined = differentiationDefined(m);
  const char dec = out.decimalSign();
  labelled(out, "Locus", populationHeader(rows) + " delta");
  forSelectedLoci(m, [&](int k) {
    labelled(out, m.ds.LocName[u(k)],
             rows.valueRow("", "0.0000", [&](int i) { return when(defined, d.DjLocPop(i, k)); }) + " " +
                 maskedCell(when(defined, d.DjLoc[u(k)]), "0.0000", dec));
  });
  out.nl();
  labelled(out, "GenePool", rows.valueRow("", "0.0000", [&](int i) { return when(defined, d.DjPop[u(i)]); }));
  out.nl();
  out.tab(1).text("Delta_T = " + maskedCell(when(defined, d.DjTotal), "0.0000", dec)).nl();
}

void printDjNeighbours(LineWriter& out, const AnalysisView& m, int nNeighbours) {
  printSectionFrame(out, "#####  GENETIC DIFFERENTIATION Dj for Next Neighbours #####");
  out.nl();
  const PopulationRows rows{m, out.decimalSign()};
  const DifferentiationStats& d = m.diff;
  out.tab(1).text("Number of populations as next neighbours = " + std::to_string(nNeighbours)).nl();
  out.nl();
  out.nl();
  labelled(out, "Locus", populationHeader(rows));
  forSelectedLoci(m, [&](int k) {
    labelled(out, m.ds.LocName[u(k)], rows.valueRow("", "0.0000", [&](int i) { return d.DjNbLocPop(i, k); }));
  });
  out.nl();
  labelled(out, "GenePool", rows.valueRow("", "0.0000", [&](int i) { return d.DjNbPop[u(i)]; }));
  out.nl();
}

void printFixationFst(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  GENETIC FIXATION Fst  #####");
  out.nl();
  const char dec = out.decimalSign();
  // Undefined with one selected population, and at a locus where fewer than two have data.
  forSelectedLoci(m, [&](int k) { labelled(out, m.ds.LocName[u(k)], maskedCell(m.diff.FstLoc[u(k)], "0.0000", dec)); });
  out.nl();
  out.tab(1).text("Fst_G = " + maskedCell(m.diff.FstTotal, "0.0000", dec)).nl();
}

void printStandardisedFst(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  STANDARDISED GENETIC FIXATION Fst (Hedrick 2005) #####");
  out.nl();
  const char dec = out.decimalSign();
  forSelectedLoci(m, [&](int k) { labelled(out, m.ds.LocName[u(k)], maskedCell(m.diff.FstNLoc[u(k)], "0.0000", dec)); });
  out.nl();
  out.tab(1).text("Fst_Gn = " + maskedCell(m.diff.FstNTotal, "0.0000", dec)).nl();
}

}  // namespace kiwora
