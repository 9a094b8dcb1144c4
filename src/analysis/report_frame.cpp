#include "analysis/report_frame.h"

#include <cmath>

namespace kiwora {

void printSectionFrame(LineWriter& out, const std::string& title) {
  const std::string hashes(title.size(), '#');
  out.nl();
  out.tab(4).text(hashes).nl();
  out.tab(4).text(title).nl();
  out.tab(4).text(hashes).nl();
  out.nl();
}

void printSelectionHeader(LineWriter& out, const AnalysisView& m) {
  const std::string hashes(38, '#');
  out.tab(4).text(hashes).nl();
  out.tab(4).text("###  List of Selected Populations  ###").nl();
  out.tab(4).text(hashes).nl();
  out.nl();
  out.tab(4).text("Name").tab(30).text("x-Pos").tab(50).text("y-Pos").nl();
  for (int p = 1; p <= m.ds.NPop; ++p) {
    if (m.sel.PopSel[static_cast<std::size_t>(p)] != 1) continue;
    out.tab(4).text(std::to_string(p) + ". " + m.ds.PopName[static_cast<std::size_t>(p)]);
    out.tab(30).num(m.ds.PopX[static_cast<std::size_t>(p)]);
    out.tab(50).num(m.ds.PopY[static_cast<std::size_t>(p)]).nl();
  }
  out.nl();
  out.tab(4).text(std::string(55, '_')).nl();
  out.nl();
  out.tab(1).text("Total number of loci    = " + std::to_string(m.ds.NLoci)).nl();
  out.tab(1).text("Number of selected loci = " + std::to_string(m.sel.countSelectedLoci())).nl();
  out.nl();
  out.nl();
  out.tab(1).text(m.options.coordinates() == Coordinates::Plane ? "Coordinates in m or km"
                                           : "Coordinates as longitude and latitude in decimal degrees")
      .nl();
  out.nl();
}

std::string PopulationRows::numberRow(const std::string& start, int a, int b) const {
  std::string s = start;
  forSelected([&](int p) { s += std::to_string(p) + std::string(static_cast<std::size_t>(p <= 9 ? a : b), ' '); });
  return s;
}

std::string PopulationRows::dashRow(const std::string& start, int run) const {
  std::string s = start;
  forSelected([&](int) { s += std::string(static_cast<std::size_t>(run), '-'); });
  return s;
}

std::string PopulationRows::cellText(const Cell& v, const std::string& mask) const {
  return maskedCell(v, mask, decimal);
}

}  // namespace kiwora
