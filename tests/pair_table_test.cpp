// The distance tables that hold each pair of populations once per locus.
#include <gtest/gtest.h>

#include "base/pair_table.h"

namespace kiwora {
namespace {

TEST(PairTable, BothOrdersOfAPairAreOneCell) {
  PairTable3<double> t(4, 2);
  t(3, 1, 2) = 0.25;
  t(2, 2, 1) = 0.5;
  EXPECT_EQ(t(1, 3, 2), 0.25);
  EXPECT_EQ(t(3, 1, 2), 0.25);
  EXPECT_EQ(t(1, 3, 1), 0.0);  // another locus
  EXPECT_EQ(t(2, 2, 1), 0.5);
  // A population's partners after it lie side by side.
  for (int q = 1; q <= 4; ++q) t(1, q, 1) = q;
  const double* row = t.row(1, 1);
  for (int q = 1; q <= 4; ++q) EXPECT_EQ(row[q - 1], q);
  EXPECT_EQ(t(4, 4, 2), 0.0);  // the last cell exists and is apart from the others
  t(4, 4, 2) = 9;
  EXPECT_EQ(t(4, 3, 2), 0.0);
}

TEST(PairTable, CellsStartUndefinedAndKeepWhatIsWritten) {
  PairTable3<Cell> t(3, 1);
  EXPECT_FALSE(t(1, 2, 1));
  t(2, 1, 1) = 0.75;
  t(1, 3, 1) = Cell{};
  t(3, 3, 1) = 0.0;
  EXPECT_EQ(t(1, 2, 1), Cell{0.75});
  EXPECT_FALSE(t(3, 1, 1).has_value());
  EXPECT_EQ(t(3, 3, 1), Cell{0.0});
  EXPECT_TRUE(static_cast<bool>(t(2, 1, 1)));
  EXPECT_EQ(*t(1, 2, 1), 0.75);
  t.resize(3, 1);
  EXPECT_FALSE(t(1, 2, 1));
}

}  // namespace
}  // namespace kiwora
