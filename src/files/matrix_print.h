#pragma once
// Upper-triangle matrices of population-by-population tables in the result text: a header of the selected
// population numbers, a rule, one row per selected population below the last, cells "0.000". An undefined
// cell prints as "------" in the cell's seven columns, so the columns to its right stay in place.
#include <cstddef>
#include <functional>

#include "files/text_writer.h"
#include "base/cell.h"
#include "base/table.h"

namespace kiwora {

void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<double>& Matrix);
void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const Table2<Cell>& Matrix);
// A matrix whose rows are worked out as they are printed: rowValues(k, vals) fills vals[m] for the places
// m = k + 1.. among the selected populations with the cell of the k-th and the m-th (NaN: undefined). It
// is called from the pool's threads, which format bands of rows that are then written in order.
using MatrixRows = std::function<void(std::size_t k, double* vals)>;
void Print_Pop_Matrix_Rows(LineWriter& w, int nPop, const Vec1<int>& popSel, const MatrixRows& rowValues);
// The same for cells that are not held in a population-by-population table: cellAt(i, j), i < j.
void Print_Pop_Matrix(LineWriter& w, int nPop, const Vec1<int>& popSel, const std::function<Cell(int, int)>& cellAt);

}  // namespace kiwora
