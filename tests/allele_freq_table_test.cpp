// The allele-frequency table that keeps cells only for the codes each locus carries.
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "model/allele_freq_table.h"
#include "support/heap_peak.h"

namespace kiwora {
namespace {

TEST(AlleleFreqTable, CodesWithCellsKeepTheirValuesAndEveryOtherCodeReadsZero) {
  // Loci of different widths, a code listed twice, a code beyond the largest ignored, a locus without codes.
  AlleleFreqTable t;
  t.resize(2, 3, 9002, {{}, {9001, 1, 1}, {0, 5000, 9002, 9003}, {}});
  EXPECT_EQ(t.n1(), 2);
  EXPECT_EQ(t.n2(), 3);
  EXPECT_EQ(t.n3(), 9002);
  const struct {
    int p, l, code;
    double value;
  } cells[] = {{1, 1, 1, 0.25}, {1, 1, 9001, 0.75}, {2, 1, 9001, 0.5}, {1, 2, 0, 0.125},
               {2, 2, 5000, 0.375}, {2, 2, 9002, 0.625}};
  for (const auto& c : cells) t.write(c.p, c.l)[c.code] = c.value;

  for (int p = 0; p <= 2; ++p)
    for (int l = 0; l <= 3; ++l)
      for (int code = 0; code <= 9002; ++code) {
        double expected = 0;
        for (const auto& c : cells)
          if (c.p == p && c.l == l && c.code == code) expected = c.value;
        ASSERT_EQ(t(p, l, code), expected) << p << " " << l << " " << code;
        ASSERT_EQ(t.row(p, l)[code], expected);
      }
  // The 0 that absent codes share cannot be overwritten.
  EXPECT_THROW(t.write(1, 1)[2] = 1, std::logic_error);
  EXPECT_THROW(t.write(1, 3)[0] = 1, std::logic_error);
  EXPECT_EQ(t(1, 1, 2), 0);
}

TEST(AlleleFreqTable, DenseTableGivesEveryCodeItsOwnCell) {
  AlleleFreqTable t(2, 2, 4);
  for (int p = 0; p <= 2; ++p)
    for (int l = 0; l <= 2; ++l)
      for (int a = 0; a <= 4; ++a) t.write(p, l)[a] = 100 * p + 10 * l + a;
  for (int p = 0; p <= 2; ++p)
    for (int l = 0; l <= 2; ++l)
      for (int a = 0; a <= 4; ++a) EXPECT_EQ(t(p, l, a), 100 * p + 10 * l + a);
  t.resize(1, 1, 2);  // a new shape starts from zeros
  EXPECT_FALSE(t.empty());
  EXPECT_EQ(t(1, 1, 2), 0);
}

// The same codes found by the table of slots (small largest code) and by search (a largest code in the
// millions): the same cells, and the memory of the codes alone.
TEST(AlleleFreqTable, HugeCodesCostWhatTheCodesPresentCost) {
  const std::vector<std::vector<int>> small = {{}, {1, 4, 2}, {3, 3, 0, 9}, {}};
  const auto huge = [](int c) { return c == 0 ? 0 : c * 1'111'111 - 1; };
  std::vector<std::vector<int>> large;
  for (const auto& l : small) {
    large.emplace_back();
    for (int c : l) large.back().push_back(huge(c));
  }
  AlleleFreqTable bySlot, bySearch;
  bySlot.resize(2, 3, 9, small);
  {
    testing::HeapPeak heap;
    bySearch.resize(2, 3, huge(9), large);
    EXPECT_LT(heap.peak(), 64u * 1024) << "a table of 7 codes at 3 loci";
  }
  for (int p = 0; p <= 2; ++p)
    for (int l = 0; l <= 3; ++l)
      for (int c : small[static_cast<std::size_t>(l)]) {
        bySlot.write(p, l)[c] = 10 * p + l + 0.125 * c;
        bySearch.write(p, l)[huge(c)] = 10 * p + l + 0.125 * c;
      }
  for (int p = 0; p <= 2; ++p)
    for (int l = 0; l <= 3; ++l)
      for (int c = 0; c <= 9; ++c) {
        ASSERT_EQ(bySearch(p, l, huge(c)), bySlot(p, l, c)) << p << " " << l << " " << c;
        // Codes between the listed ones, beyond the largest and below 0 read 0.
        if (c > 0) {
          for (int off : {-1, 1}) ASSERT_EQ(bySearch(p, l, huge(c) + off), 0.0);
        }
      }
  EXPECT_EQ(bySearch(1, 1, -1), 0.0);
  EXPECT_EQ(bySearch(1, 1, huge(9) + 1), 0.0);
  EXPECT_THROW(bySearch.write(1, 1)[huge(3)] = 1, std::logic_error);
}

}  // namespace
}  // namespace kiwora
