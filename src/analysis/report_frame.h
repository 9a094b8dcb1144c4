#pragma once
// The frame every section of the population-analysis report shares, its header block, and the row
// builders that lay out one value per selected population in fixed-width columns.
#include <string>

#include "files/text_writer.h"
#include "base/cell.h"
#include "analysis/analysis_results.h"

namespace kiwora {

// An empty line, a row of "#" as long as the title, the title, the row of "#" again, an empty line.
void printSectionFrame(LineWriter& out, const std::string& title);

// The list of selected populations with their coordinates, the locus counts and the coordinate kind.
void printSelectionHeader(LineWriter& out, const AnalysisView& m);

// Calls f(k) for every selected locus, in index order.
template <class F>
void forSelectedLoci(const AnalysisView& m, F f) {
  for (int k = 1; k <= m.ds.NLoci; ++k)
    if (m.sel.LocSel[static_cast<std::size_t>(k)] == 1) f(k);
}

// Row builders over the selected populations, in index order.
struct PopulationRows {
  const AnalysisView& m;
  // The start text, then each selected population's index followed by `a` blanks (index <= 9) or `b` (>= 10).
  std::string numberRow(const std::string& start, int a = 5, int b = 4) const;
  // The start text, then `run` dashes for each selected population.
  std::string dashRow(const std::string& start, int run) const;
  // The start text, then for each selected population a blank and its value through the mask; an undefined
  // value prints as dashes of the mask's width.
  template <class Get>
  std::string valueRow(const std::string& start, const std::string& mask, Get value) const {
    std::string s = start;
    forSelected([&](int p) { s += " " + cellText(value(p), mask); });
    return s;
  }
  // The start text, then each count right-aligned in 6 characters.
  template <class Get>
  std::string paddedCountRow(const std::string& start, Get count) const {
    std::string s = start;
    forSelected([&](int p) {
      const long long c = count(p);
      const std::string t = std::to_string(c);
      // Counts of six digits and more keep one blank before them.
      s += std::string(t.size() < 6 ? 6 - t.size() : 1, ' ') + t;
    });
    return s;
  }
  // Each count followed by blanks up to 6 characters (left-aligned).
  template <class Get>
  std::string trailingCountRow(Get count) const {
    std::string s;
    forSelected([&](int p) {
      const std::string t = std::to_string(count(p));
      s += t + std::string(t.size() < 6 ? 6 - t.size() : 1, ' ');
    });
    return s;
  }
  template <class F>
  void forSelected(F f) const {
    for (int p = 1; p <= m.ds.NPop; ++p)
      if (m.sel.PopSel[static_cast<std::size_t>(p)] == 1) f(p);
  }
  char dec() const { return decimal; }
  char decimal = '.';
  std::string cellText(const Cell& v, const std::string& mask) const;
};

}  // namespace kiwora
