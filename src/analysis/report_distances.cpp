// Distances between the selected populations: Gregorius (with the multilocus matrix), the table of
// spatial and genetic distances, and Nei.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "files/fixed_text.h"
#include "files/ordered_parts.h"
#include "files/matrix_print.h"
#include "stats/distances.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

void distanceMatrices(LineWriter& out, const AnalysisView& m, const LocusDistances& perLocus, const auto& genePool,
                      const ProgressFn& progress) {
  out.nl();
  // Each locus's matrix is worked out and formatted on the pool a band of rows at a time, and written in
  // order, so neither the values nor the text of a whole matrix are held.
  forSelectedLoci(m, [&](int k) {
    // A step per matrix: one of thousands of populations takes a noticeable time.
    if (progress) progress("Report");
    out.nl();
    out.tab(4).text(m.ds.LocName[u(k)] + " (Alleles)").nl();
    out.nl();
    Print_Pop_Matrix_Locus(out, m.ds.NPop, m.sel.PopSel, perLocus, k);
  });
  out.nl();
  out.tab(4).text("Gene pool").nl();
  out.nl();
  if (progress) progress("Report");
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, genePool);
}

}  // namespace

void printGregoriusDistances(LineWriter& out, const AnalysisView& m, bool withMultilocus, const ProgressFn& progress) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Gregorius 1974)  #####");
  distanceMatrices(out, m, m.dist.DistDG, m.dist.DistDGMean, progress);
  if (!withMultilocus) return;
  out.nl();
  out.tab(4).text("Genetic Distance of Multilocus-Genotypes").nl();
  out.nl();
  Print_Pop_Matrix(out, m.ds.NPop, m.sel.PopSel, m.dist.DistMLG);
}

void printNeiDistances(LineWriter& out, const AnalysisView& m, const ProgressFn& progress) {
  printSectionFrame(out, "#####   GENETIC DISTANCE D (Nei 1972)   #####");
  distanceMatrices(out, m, m.dist.DistDN, m.dist.DistDNMean, progress);
}

void printSpatialAndGeneticDistances(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####   SPATIAL DISTANCE and GENETIC DISTANCE D (Gregorius 1974)  #####");
  // The heading's first field and last separator are commas while the rows use ";"; it stays so.
  std::string heading = "Pops, S_Dis";
  forSelectedLoci(m, [&](int k) { heading += ";" + m.ds.LocName[u(k)]; });
  heading += ",Gene_pool";
  out.tab(1).text(heading).nl();
  std::vector<int> pops, loci;
  for (int p = 1; p <= m.ds.NPop; ++p)
    if (m.sel.PopSel[u(p)] == 1) pops.push_back(p);
  forSelectedLoci(m, [&](int k) { loci.push_back(k); });
  // The rows of a few consecutive populations with the populations after them form a part of about
  // kPartText; parts are formatted on the pool and written in order.
  const std::size_t rowText = 7 * loci.size() + 40;
  std::vector<std::size_t> partFrom;
  for (std::size_t a = 0, text = kPartText; a + 1 < pops.size(); ++a) {
    if (text >= kPartText) {
      partFrom.push_back(a);
      text = 0;
    }
    text += (pops.size() - a - 1) * rowText;
  }
  partFrom.push_back(pops.empty() ? 0 : pops.size() - 1);
  const FixedText kilometres(1, out.decimalSign()), distance(3, out.decimalSign());
  const auto cell = [](std::string& row, const Cell& v, const FixedText& text, const char* undefined) {
    row += ';';
    if (v && std::isfinite(*v)) text.append(row, *v);
    else row += undefined;
  };
  appendInOrder(out, partFrom.size() - 1, [&](std::size_t c, LineWriter& w) {
    std::string row;
    for (std::size_t a = partFrom[c]; a < partFrom[c + 1]; ++a) {
      const int i = pops[a];
      for (std::size_t b = a + 1; b < pops.size(); ++b) {
        const int j = pops[b];
        row.assign(m.ds.PopName[u(i)]).append("/").append(m.ds.PopName[u(j)]);
        cell(row, m.dist.GeoDist(i, j), kilometres, "---");
        for (int k : loci) cell(row, m.dist.DistDG(i, j, k), distance, "-----");
        cell(row, m.dist.DistDGMean(i, j), distance, "-----");
        w.text(row).nl();
      }
    }
  });
}

}  // namespace kiwora
