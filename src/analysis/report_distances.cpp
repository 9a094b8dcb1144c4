// Distances between the selected populations: Gregorius (with the multilocus matrix), the table of
// spatial and genetic distances, and Nei.
#include <string>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "stats/matrix_print.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

template <class Table3T, class Table2T>
void distanceMatrices(LineWriter& out, const Model& m, const Table3T& perLocus, const Table2T& genePool) {
  out.nl();
  forSelectedLoci(m, [&](int k) {
    out.nl();
    out.tab(4).text(m.ds.LocName[u(k)] + " (Alleles)").nl();
    out.nl();
    Print_Pop_Matrix_Locus(out, m.ds.NPop, m.sel.PopSel, perLocus, k);
  });
  out.nl();
  out.tab(4).text("Gene pool").nl();
  out.nl();
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, genePool);
}

}  // namespace

void printGregoriusDistances(LineWriter& out, const Model& m, bool withMultilocus) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Gregorius 1974)  #####");
  distanceMatrices(out, m, m.dist.DistDG, m.dist.DistDGMean);
  if (!withMultilocus) return;
  out.nl();
  out.tab(4).text("Genetic Distance of Multilocus-Genotypes").nl();
  out.nl();
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, m.dist.DistMLG);
}

void printNeiDistances(LineWriter& out, const Model& m) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Nei 1972)   #####");
  distanceMatrices(out, m, m.dist.DistDN, m.dist.DistDNMean);
}

void printSpatialAndGeneticDistances(LineWriter& out, const Model& m) {
  printSectionFrame(out, "#####   SPATIAL DISTANCE and GENETIC DISTANCE D (Gregorius 1974)  #####");
  const char dec = out.decimalSign();
  // The heading's first field and last separator are commas while the rows use ";"; it stays so.
  std::string heading = "Pops, S_Dis";
  forSelectedLoci(m, [&](int k) { heading += ";" + m.ds.LocName[u(k)]; });
  heading += ",Gene_pool";
  out.tab(1).text(heading).nl();
  const auto on = [&](int p) { return m.sel.PopSel[u(p)] == 1; };
  for (int i = 1; i < m.ds.NPop; ++i) {
    if (!on(i)) continue;
    for (int j = i + 1; j <= m.ds.NPop; ++j) {
      if (!on(j)) continue;
      std::string row = m.ds.PopName[u(i)] + "/" + m.ds.PopName[u(j)] + ";" + maskedCell(m.dist.GeoDist(i, j), "0.0", dec);
      forSelectedLoci(m, [&](int k) { row += ";" + maskedCell(m.dist.DistDG(i, j, k), "0.000", dec); });
      row += ";" + maskedCell(m.dist.DistDGMean(i, j), "0.000", dec);
      out.tab(1).text(row).nl();
    }
  }
}

}  // namespace kiwora
