#include "files/matrix_print.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "files/fixed_text.h"
#include "files/ordered_parts.h"

namespace kiwora {
namespace {

// Six hyphens and the cell's two blanks: one wider than a value, so the cells to its right in that row
// shift by one column.
constexpr const char* kUndefined = "------  ";

// rowValues(k, vals) fills vals[m] for m = k + 1..n - 1 with the cell of pops[k] and pops[m], NaN when
// undefined; it is called from the pool's threads, a row at a time.
template <class RowValues>
void printMatrix(LineWriter& w, int nPop, const Vec1<int>& popSel, RowValues rowValues) {
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
  // Rows of the populations below the last one; the populations up to a row's own leave their cells blank.
  std::size_t nRows = 0;
  while (nRows < pops.size() && pops[nRows] < nPop) ++nRows;
  const std::size_t n = pops.size();
  const std::size_t rowText = 7 * n + 16;
  const std::size_t rowsPerPart = std::max<std::size_t>(1, kPartText / rowText);
  const FixedText cellText(3, w.decimalSign());
  appendInOrder(w, (nRows + rowsPerPart - 1) / rowsPerPart, [&](std::size_t c, LineWriter& part) {
    std::vector<double> vals(n);
    std::string cells;
    cells.reserve(rowText);
    const std::size_t first = c * rowsPerPart;
    const std::size_t last = std::min(nRows, first + rowsPerPart);
    for (std::size_t k = first; k < last; ++k) {
      rowValues(k, vals.data());
      part.num(pops[k]).tab(5);
      part.blanks(7 * static_cast<int>(k + 1));
      cells.clear();
      for (std::size_t m = k + 1; m < n; ++m) {
        if (std::isnan(vals[m])) {
          cells += kUndefined;
        } else {
          cellText.append(cells, vals[m]);
          cells += "  ";
        }
      }
      part.text(cells).nl();
    }
  });
  w.nl();
  w.tab(4).text("####################################").nl();
}

template <class CellAt>
auto fromCells(const std::vector<int>& pops, CellAt cellAt) {
  return [&pops, cellAt](std::size_t k, double* vals) {
    for (std::size_t m = k + 1; m < pops.size(); ++m) {
      const Cell c = cellAt(pops[k], pops[m]);
      vals[m] = c ? *c : std::nan("");
    }
  };
}

std::vector<int> selectedOf(int nPop, const Vec1<int>& popSel) {
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (p < static_cast<int>(popSel.size()) && popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);
  return pops;
}

template <class CellAt>
void printCells(LineWriter& w, int nPop, const Vec1<int>& popSel, CellAt cellAt) {
  const std::vector<int> pops = selectedOf(nPop, popSel);
  printMatrix(w, nPop, popSel, fromCells(pops, cellAt));
}

}  // namespace

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<double>& Matrix) {
  printCells(w, nPop, popSel, [&](int i, int j) -> Cell { return Matrix(i, j); });
}

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<Cell>& Matrix) {
  printCells(w, nPop, popSel, [&](int i, int j) { return Matrix(i, j); });
}

void Print_Pop_Matrix_Rows(LineWriter& w, int nPop, const Vec1<int>& popSel, const MatrixRows& rowValues) {
  printMatrix(w, nPop, popSel, rowValues);
}

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const std::function<Cell(int, int)>& cellAt) {
  printCells(w, nPop, popSel, cellAt);
}

}  // namespace kiwora
