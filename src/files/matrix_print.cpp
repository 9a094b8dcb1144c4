#include "files/matrix_print.h"

#include <string>
#include <vector>

namespace kiwora {
namespace {

// Six hyphens and the cell's two blanks: one wider than a value, so the cells to its right in that row
// shift by one column.
constexpr const char* kUndefined = "------  ";

template <class CellAt>
void printMatrix(LineWriter& w, int nPop, const Vec1<int>& popSel, CellAt cellAt) {
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (p < static_cast<int>(popSel.size()) && popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);

  std::string header = "  ", rule = "--------";
  for (int j : pops) {
    header += std::to_string(j) + (j <= 9 ? "      " : "     ");
    rule += j <= 9 ? "------" : "-------";
  }
  w.nl();
  w.tab(4).text(header).nl();
  w.tab(4).text(rule).nl();
  for (int i : pops) {
    if (i >= nPop) break;
    w.num(i).tab(5);
    std::size_t first = 0;  // the populations up to i leave their cells blank
    while (first < pops.size() && pops[first] <= i) ++first;
    w.blanks(7 * static_cast<int>(first));
    for (std::size_t k = first; k < pops.size(); ++k) {
      const int j = pops[k];
      const Cell c = cellAt(i, j);
      if (c) w.fixed(*c, 3).text("  ");
      else w.text(kUndefined);
    }
    w.nl();
  }
  w.nl();
  w.tab(4).text("####################################").nl();
}

}  // namespace

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<double>& Matrix) {
  printMatrix(w, nPop, popSel, [&](int i, int j) -> Cell { return Matrix(i, j); });
}

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<Cell>& Matrix) {
  printMatrix(w, nPop, popSel, [&](int i, int j) { return Matrix(i, j); });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<double>& Matrix, int Locus) {
  printMatrix(w, nPop, popSel, [&](int i, int j) -> Cell { return Matrix(i, j, Locus); });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table3<Cell>& Matrix, int Locus) {
  printMatrix(w, nPop, popSel, [&](int i, int j) { return Matrix(i, j, Locus); });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const PairTable3<double>& Matrix, int Locus) {
  printMatrix(w, nPop, popSel, [&](int i, int j) -> Cell { return Matrix(i, j, Locus); });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const PairTable3<Cell>& Matrix, int Locus) {
  printMatrix(w, nPop, popSel, [&](int i, int j) { return Matrix(i, j, Locus); });
}

}  // namespace kiwora
