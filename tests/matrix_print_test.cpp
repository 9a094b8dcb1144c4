#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "files/matrix_print.h"
#include "support/full_distance_tables.h"

namespace kiwora {
namespace {

Vec1<int> selection(int n, std::initializer_list<int> off = {}) {
  Vec1<int> s = makeVec1<int>(n, 1);
  s[0] = 0;
  for (int p : off) s[static_cast<std::size_t>(p)] = 0;
  return s;
}

// One line with each text starting at its column (counted from 1), blanks between.
std::string at(std::initializer_list<std::pair<int, std::string>> parts) {
  std::string s;
  for (const auto& [col, text] : parts) {
    s.resize(static_cast<std::size_t>(col - 1), ' ');
    s += text;
  }
  return s;
}

std::string lines(std::initializer_list<std::string> ls) {
  std::string s;
  for (const auto& l : ls) s += l + "\r\n";
  return s;
}

const std::string kClose = at({{4, std::string(36, '#')}});

TEST(PopMatrixPrint, ThreePopulationsWithAnUndefinedCell) {
  Table2<Cell> m(3, 3);
  m(1, 2) = .25;
  m(1, 3) = .5;
  m(2, 1) = 9.0;  // lower triangle: never printed
  LineWriter w;
  Print_Pop_Matrix(w, 3, selection(3), m);
  EXPECT_EQ(w.str(), lines({"",
                            at({{6, "1"}, {13, "2"}, {20, "3      "}}),
                            at({{4, std::string(26, '-')}}),
                            at({{2, "1"}, {12, "0.250  "}, {19, "0.500  "}}),
                            at({{2, "2"}, {19, "------  "}}),
                            "",
                            kClose}));
}

// An undefined cell takes eight characters with its blanks: the cells after it in the row move right by one.
TEST(PopMatrixPrint, UndefinedCellShiftsTheRestOfItsRow) {
  Table2<Cell> m(4, 4);
  m(1, 3) = .125;
  m(1, 4) = -0.0001;  // rounds to zero: no sign
  m(2, 3) = 1.0;
  m(2, 4) = .3;
  m(3, 4) = .75;
  LineWriter w;
  Print_Pop_Matrix(w, 4, selection(4), m);
  EXPECT_EQ(w.str(), lines({"",
                            at({{6, "1"}, {13, "2"}, {20, "3"}, {27, "4      "}}),
                            at({{4, std::string(32, '-')}}),
                            at({{2, "1"}, {12, "------  "}, {20, "0.125  "}, {27, "0.000  "}}),
                            at({{2, "2"}, {19, "1.000  "}, {26, "0.300  "}}),
                            at({{2, "3"}, {26, "0.750  "}}),
                            "",
                            kClose}));
}

TEST(PopMatrixPrint, SelectedPopulationsOnlyWithTwoDigitNumbers) {
  // Selected: 1, 3, 10, 12 of 13. Row 12 has no selected population after it: blanks only.
  Table2<double> m(13, 13);
  m(1, 3) = .1;
  m(1, 10) = .2;
  m(1, 12) = .3;
  m(3, 10) = .4;
  m(3, 12) = .5;
  m(10, 12) = .6;
  m(1, 2) = m(2, 3) = m(1, 13) = 7;  // unselected: never printed
  const Vec1<int> sel = selection(13, {2, 4, 5, 6, 7, 8, 9, 11, 13});
  LineWriter w;
  Print_Pop_Matrix(w, 13, sel, m);
  EXPECT_EQ(w.str(), lines({"",
                            at({{6, "1"}, {13, "3"}, {20, "10"}, {27, "12     "}}),
                            at({{4, std::string(8 + 6 + 6 + 7 + 7, '-')}}),
                            at({{2, "1"}, {12, "0.100  "}, {19, "0.200  "}, {26, "0.300  "}}),
                            at({{2, "3"}, {19, "0.400  "}, {26, "0.500  "}}),
                            at({{2, "10"}, {26, "0.600  "}}),
                            at({{2, "12"}, {33, ""}}),
                            "",
                            kClose}));
}

TEST(PopMatrixPrint, OneLocusOfAThreeIndexTable) {
  Table3<double> m(3, 3, 2);
  m(1, 2, 2) = .2;
  m(1, 3, 2) = .3;
  m(2, 3, 2) = .4;
  m(1, 2, 1) = m(1, 3, 1) = m(2, 3, 1) = .9;  // another locus
  LineWriter w;
  Print_Pop_Matrix_Locus(w, 3, selection(3), m, 2);
  EXPECT_EQ(w.str(), lines({"",
                            at({{6, "1"}, {13, "2"}, {20, "3      "}}),
                            at({{4, std::string(26, '-')}}),
                            at({{2, "1"}, {12, "0.200  "}, {19, "0.300  "}}),
                            at({{2, "2"}, {19, "0.400  "}}),
                            "",
                            kClose}));

  // The table with undefined cells prints them with the marker.
  Table3<Cell> c(3, 3, 2);
  c(1, 2, 2) = .2;
  c(1, 3, 2) = .3;
  LineWriter wc;
  Print_Pop_Matrix_Locus(wc, 3, selection(3), c, 2);
  EXPECT_EQ(wc.str(), lines({"",
                             at({{6, "1"}, {13, "2"}, {20, "3      "}}),
                             at({{4, std::string(26, '-')}}),
                             at({{2, "1"}, {12, "0.200  "}, {19, "0.300  "}}),
                             at({{2, "2"}, {19, "------  "}}),
                             "",
                             kClose}));
}

TEST(PopMatrixPrint, ThreeDigitNumbersPushTheRowToTheNextLine) {
  Table2<double> m(101, 101);
  m(100, 101) = .5;
  Vec1<int> sel = makeVec1<int>(101, 0);
  sel[100] = sel[101] = 1;
  LineWriter w;
  Print_Pop_Matrix(w, 101, sel, m);
  // The row number " 100 " ends past column 5, so the cells begin at column 5 of the next line.
  EXPECT_EQ(w.str(), lines({"",
                            at({{6, "100"}, {14, "101     "}}),
                            at({{4, std::string(8 + 7 + 7, '-')}}),
                            " 100 ",
                            at({{12, "0.500  "}}),
                            "",
                            kClose}));
}

}  // namespace
}  // namespace kiwora
