#include "files/text_writer.h"

#include <gtest/gtest.h>

namespace kiwora {
namespace {

TEST(PrintRules, BareNumbers) {
  const struct { double v; const char* text; } cases[] = {
      {0, " 0 "},      {12, " 12 "},     {0.5, " .5 "},     {-0.25, "-.25 "},
      {1.0 / 3, " .333333333333333 "}, {-7, "-7 "}, {123456.75, " 123456.75 "},
  };
  for (const auto& c : cases) EXPECT_EQ(bareNumber(c.v), c.text) << c.v;
  EXPECT_EQ(bareNumber(0.5, ','), " ,5 ");
  EXPECT_EQ(plainNumber(0.05), "0.05");
  EXPECT_EQ(plainNumber(-0.5), "-0.5");
  EXPECT_EQ(plainNumber(100), "100");
}

TEST(PrintRules, Masks) {
  const struct { double v; const char* mask; const char* text; } cases[] = {
      {0.12345, "0.000", "0.123"}, {2.0 / 3, "0.00", "0.67"}, {12.5, "0.0000", "12.5000"},
      {-0.0001, "0.000", "0.000"}, {-0.25, "0.00", "-0.25"},  {3.7, "0", "4"},
  };
  for (const auto& c : cases) EXPECT_EQ(masked(c.v, c.mask), c.text) << c.v << " " << c.mask;
  EXPECT_EQ(masked(0.5, "0.00", ','), "0,50");
}

TEST(PrintRules, TabsZonesAndLineEnds) {
  LineWriter w;
  w.tab(4).text("abc").tab(10).text("x").nl();
  w.text("long text").tab(3).text("y").nl();  // past column 3: column 3 of the next line
  w.text("a").zone().text("b").zone().text("c");
  w.finish();
  EXPECT_EQ(w.str(), "   abc   x\r\nlong text\r\n  y\r\na             b             c\r\n");
}

TEST(PrintRules, LeadingNumber) {
  const struct { const char* text; double v; } cases[] = {
      {"12", 12}, {"  3.5abc", 3.5}, {"-2", -2}, {"abc", 0}, {"", 0}, {"1,5", 1}, {"+.25", 0.25}, {"-", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.v) << c.text;
}

}  // namespace
}  // namespace kiwora
