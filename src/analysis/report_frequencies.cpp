// The dominant-marker banner and the tables of allele, single-locus genotype and multilocus-genotype
// frequencies.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "files/fixed_text.h"
#include "files/ordered_parts.h"
#include "stats/present_codes.h"

namespace kiwora {
namespace {

const std::string kUnderscores(55, '_');

std::size_t u(int i) { return static_cast<std::size_t>(i); }

}  // namespace

void printDominantBanner(LineWriter& out) {
  const std::string hashes(51, '#');
  out.nl();
  out.tab(4).text(hashes).nl();
  for (const char* line : {"#####  RESULTS FOR DOMINANT GENE MARKERS      #####",
                           "#####  Assumptions:                           #####",
                           "#####  - Hardy-Weinberg proportions           #####",
                           "#####  - allele 1 recessive                   #####",
                           "#####  - allele 2 dominant                    #####"})
    out.tab(4).text(line).nl();
  out.tab(4).text(hashes).nl();
  out.nl();
}

void printAlleleFrequencies(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  ALLELE FREQUENCIES  #####");
  const PopulationRows rows{m, out.decimalSign()};
  const auto& freq = m.alleles.AlleleFreq;
  GenotypeView selectionView;  // the selection only: which codes are present is all it is asked
  selectionView.nPop = m.ds.NPop;
  selectionView.nLoci = m.ds.NLoci;
  selectionView.maxAllele = m.ds.MaxAllele;
  selectionView.popSel = &m.sel.PopSel;
  selectionView.locSel = &m.sel.LocSel;
  forSelectedLoci(m, [&](int k) {
    out.nl();
    out.tab(4).text(m.ds.LocName[u(k)]).nl();
    out.nl();
    out.tab(15).text(rows.numberRow("     ")).nl();
    out.tab(15).text(rows.dashRow("-----", 5)).nl();
    // The codes some selected population carries, ascending; code 0 is never printed.
    for (int j : presentCodesAt(selectionView, freq, k, &m.alleles.PresentCodes, 1)) {
      out.tab(10).num(j).tab(15).text(rows.valueRow(" ", "0.000", [&](int i) -> Cell { return freq(i, k, j); })).nl();
    }
    out.nl();
    out.tab(4).text("N").tab(15).text(rows.paddedCountRow(" ", [&](int i) { return 2LL * m.ds.NInd[u(i)]; })).nl();
    out.tab(4).text("Iden").tab(15).text(rows.paddedCountRow(" ", [&](int i) { return m.alleles.GeneCount(i, k); })).nl();
    out.nl();
    out.tab(4).text(kUnderscores).nl();
    out.nl();
  });
  out.nl();
}

void printGenotypeFrequencies(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  Frequencies Genotypes  #####");
  const PopulationRows rows{m, out.decimalSign()};
  const GenotypeTable& g = m.genotypeTable;
  forSelectedLoci(m, [&](int k) {
    // Maternal and paternal loci have no genotypes of two parents to list.
    if (m.sel.inheritance(k) != Inheritance::BiParental) return;
    out.nl();
    out.tab(4).text(m.ds.LocName[u(k)]).nl();
    out.nl();
    out.tab(20).text(rows.numberRow("     ")).nl();
    out.tab(20).text(rows.dashRow("  -----", 5)).nl();
    const int n = u(k) < g.NGenoTypes.size() ? g.NGenoTypes[u(k)] : 0;
    for (int t = 1; t <= n; ++t)
      out.tab(10).text(g.GenoKey[u(k)][u(t)]).tab(20)
          .text(rows.valueRow(" ", "0.000", [&](int i) -> Cell { return g.GenoFreq[u(k)](i, t); })).nl();
    out.nl();
    out.tab(4).text("N").tab(20).text(rows.paddedCountRow(" ", [&](int i) { return m.ds.NInd[u(i)]; })).nl();
    out.tab(4).text("Iden").tab(20).text(rows.paddedCountRow(" ", [&](int i) { return g.GenoSampleN(i, k); })).nl();
    out.nl();
    out.tab(4).text(kUnderscores).nl();
    out.nl();
  });
  out.nl();
}

void printMultilocusFrequencies(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  Frequencies of Multilocus-Genotypes  #####");
  const PopulationRows rows{m, out.decimalSign()};
  const MultilocusGenotypes& t = m.mlg;
  std::string combination;
  int nLoci = 0;
  forSelectedLoci(m, [&](int k) {
    combination += " " + m.ds.LocName[u(k)];
    ++nLoci;
  });
  // Both codes of every selected locus, without separator.
  const int perLocus = m.ds.MaxAllele < 10 ? 2 : m.ds.MaxAllele <= 99 ? 4 : 6;
  const int width = perLocus * nLoci;

  out.tab(5).text("Combination of loci = ").tab(30).text(combination).nl();
  out.nl();
  out.tab(4).text("Sample sizes").nl();
  out.tab(4).text("------------").nl();
  out.nl();
  out.tab(5).text("Population").tab(20).text("Total N").tab(30).text("Identified N").nl();
  out.tab(1).text(std::string(46, '_')).nl();
  rows.forSelected([&](int i) {
    const int typed = u(i) < t.NIdentAll.size() ? t.NIdentAll[u(i)] : 0;
    out.tab(2).text(m.ds.PopName[u(i)]).tab(20).num(m.ds.NInd[u(i)]).tab(30).num(typed).nl();
  });
  out.nl();
  out.tab(2).text("Genotypes").tab(width + 4).text(rows.numberRow("")).nl();
  out.tab(width + 4).text(rows.dashRow("", 6)).nl();
  // A row per type, formatted on the pool a part at a time. Types ascend, so each population's held types
  // are walked once within a part, from where the part's first type would stand.
  std::vector<int> pops;
  rows.forSelected([&](int i) { pops.push_back(i); });
  const std::size_t rowText = 6 * pops.size() + static_cast<std::size_t>(width) + 5;
  const std::size_t typesPerPart = std::max<std::size_t>(1, kPartText / rowText);
  const std::size_t nTypes = t.NMLGTypes > 0 ? static_cast<std::size_t>(t.NMLGTypes) : 0;
  const std::size_t held = t.MLGFreq.empty() ? 0 : static_cast<std::size_t>(t.MLGFreq.n1()) + 1;
  const std::string zeroCell = " " + masked(0.0, "0.000", out.decimalSign());
  const FixedText frequency(3, out.decimalSign());
  appendInOrder(out, (nTypes + typesPerPart - 1) / typesPerPart, [&](std::size_t c, LineWriter& part) {
    const int first = static_cast<int>(c * typesPerPart) + 1;
    const int last = static_cast<int>(std::min(nTypes, (c + 1) * typesPerPart));
    std::vector<const std::pair<int, double>*> next(pops.size(), nullptr), end(pops.size(), nullptr);
    for (std::size_t s = 0; s < pops.size(); ++s) {
      if (u(pops[s]) >= held) continue;
      const auto& cells = t.MLGFreq.row(pops[s]);
      next[s] = cells.data() + (std::lower_bound(cells.begin(), cells.end(), first, [](const auto& cell, int y) { return cell.first < y; }) - cells.begin());
      end[s] = cells.data() + cells.size();
    }
    std::string cells;
    for (int y = first; y <= last; ++y) {
      part.tab(2).text(t.MLGKey[u(y)]).tab(width + 3);
      cells.clear();
      for (std::size_t s = 0; s < pops.size(); ++s) {
        double v = 0;
        if (next[s] != nullptr) {
          while (next[s] != end[s] && next[s]->first < y) ++next[s];
          if (next[s] != end[s] && next[s]->first == y) v = next[s]->second;
        }
        // Most cells are types the population does not hold.
        if (v == 0) {
          cells += zeroCell;
        } else if (std::isfinite(v)) {
          cells += ' ';
          frequency.append(cells, v);
        } else {
          cells += " -----";
        }
      }
      part.text(cells).nl();
    }
  });
  out.nl();
}

}  // namespace kiwora
