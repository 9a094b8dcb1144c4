// Distances between the selected populations: Gregorius (with the multilocus matrix), the table of
// spatial and genetic distances, and Nei.
#include <algorithm>
#include <string>
#include <vector>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "base/worker_pool.h"
#include "files/matrix_print.h"
#include "stats/distances.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

void distanceMatrices(LineWriter& out, const AnalysisView& m, const LocusDistances& perLocus, const auto& genePool) {
  out.nl();
  // Each locus's matrix is worked out and formatted on the pool a band of rows at a time, and written in
  // order, so neither the values nor the text of a whole matrix are held.
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
  std::vector<int> pops, loci;
  for (int p = 1; p <= m.ds.NPop; ++p)
    if (m.sel.PopSel[u(p)] == 1) pops.push_back(p);
  forSelectedLoci(m, [&](int k) { loci.push_back(k); });
  // One population's rows with the populations after it form a part; parts are formatted on the pool a
  // batch at a time and written in order.
  const std::size_t rowsFrom = pops.empty() ? 0 : pops.size() - 1;
  const std::size_t batch = static_cast<std::size_t>(std::max(1, workerThreads())) * 4;
  std::vector<LineWriter> parts;
  for (std::size_t from = 0; from < rowsFrom; from += batch) {
    parts.assign(std::min(batch, rowsFrom - from), LineWriter(dec));
    parallelFor(static_cast<int>(parts.size()), [&](int c) {
      LineWriter& w = parts[u(c)];
      const int i = pops[from + u(c)];
      for (std::size_t b = from + u(c) + 1; b < pops.size(); ++b) {
        const int j = pops[b];
        std::string row = m.ds.PopName[u(i)] + "/" + m.ds.PopName[u(j)] + ";" + maskedCell(m.dist.GeoDist(i, j), "0.0", dec);
        for (int k : loci) row += ";" + maskedCell(m.dist.DistDG(i, j, k), "0.000", dec);
        row += ";" + maskedCell(m.dist.DistDGMean(i, j), "0.000", dec);
        w.tab(1).text(row).nl();
      }
    });
    for (LineWriter& w : parts) out.append(w);
  }
}

}  // namespace kiwora
