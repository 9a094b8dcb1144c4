// Distances between the selected populations: Gregorius (with the multilocus matrix), the table of
// spatial and genetic distances, and Nei.
#include <algorithm>
#include <string>
#include <vector>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "base/worker_pool.h"
#include "files/matrix_print.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

template <class Table3T, class Table2T>
void distanceMatrices(LineWriter& out, const AnalysisView& m, const Table3T& perLocus, const Table2T& genePool) {
  out.nl();
  std::vector<int> loci;
  forSelectedLoci(m, [&](int k) { loci.push_back(k); });
  // The loci's matrices are formatted side by side, a few at a time so that memory stays small, and
  // written in locus order.
  const std::size_t batch = static_cast<std::size_t>(std::max(1, workerThreads()));
  std::vector<LineWriter> parts;
  // A matrix row holds seven characters per selected population and a few more.
  const auto selected = static_cast<std::size_t>(countSelectedPopulations(m));
  const std::size_t matrixSize = (selected + 8) * (7 * selected + 16);
  for (std::size_t from = 0; from < loci.size(); from += batch) {
    parts.assign(std::min(batch, loci.size() - from), LineWriter(out.decimalSign()));
    parallelFor(static_cast<int>(parts.size()), [&](int i) {
      LineWriter& w = parts[static_cast<std::size_t>(i)];
      w.reserve(matrixSize);
      const int k = loci[from + static_cast<std::size_t>(i)];
      w.nl();
      w.tab(4).text(m.ds.LocName[u(k)] + " (Alleles)").nl();
      w.nl();
      Print_Pop_Matrix_Locus(w, m.ds.NPop, m.sel.PopSel, perLocus, k);
    });
    for (LineWriter& w : parts) out.append(w);
  }
  out.nl();
  out.tab(4).text("Gene pool").nl();
  out.nl();
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, genePool);
}

}  // namespace

void printGregoriusDistances(LineWriter& out, const AnalysisView& m, bool withMultilocus) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Gregorius 1974)  #####");
  distanceMatrices(out, m, m.dist.DistDG, m.dist.DistDGMean);
  if (!withMultilocus) return;
  out.nl();
  out.tab(4).text("Genetic Distance of Multilocus-Genotypes").nl();
  out.nl();
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, m.dist.DistMLG);
}

void printNeiDistances(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Nei 1972)   #####");
  distanceMatrices(out, m, m.dist.DistDN, m.dist.DistDNMean);
}

void printSpatialAndGeneticDistances(LineWriter& out, const AnalysisView& m) {
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
