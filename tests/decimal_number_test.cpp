#include "files/decimal_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kiwora {
namespace {

TEST(DecimalNumber, OnlyPlainDecimalTextIsANumber) {
  const struct { const char* text; bool ok; double value; } cases[] = {
      {"3", true, 3},         {" -1 ", true, -1},     {"+4", true, 4},       {"28.0252", true, 28.0252},
      {".5", true, 0.5},      {"5.", true, 5},        {"-0.125", true, -0.125},
      {"0x3", false, 0},      {"0x1p3", false, 0},    {"1e3", false, 0},     {"2E-1", false, 0},
      {"inf", false, 0},      {"nan", false, 0},      {"", false, 0},        {"-", false, 0},
      {".", false, 0},        {"1,5", false, 0},      {"3 4", false, 0},     {"--1", false, 0},
  };
  for (const auto& c : cases) {
    double v = 99;
    EXPECT_EQ(parseDecimal(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

TEST(DecimalNumber, WholeNumbersMayCarryZeroDecimalsButNoFraction) {
  const struct { const char* text; bool ok; long long value; } cases[] = {
      {"12", true, 12}, {"-1", true, -1}, {"3.0", true, 3}, {"2.5", false, 0},
      {"0x3", false, 0}, {"1e2", false, 0}, {"1000000000000000000000", false, 0},
      // Decided on the digits: these round to a whole double but are not whole numbers.
      {"3.000", true, 3}, {" 3.000 ", true, 3}, {"5.", true, 5},
      {"2.9999999999999999999999", false, 0}, {"3.000000000000000000001", false, 0},
      {"1.99999999999999999999", false, 0}, {"2.9999999999999996", false, 0}, {"-1.00000000000000000001", false, 0},
  };
  for (const auto& c : cases) {
    long long v = 99;
    EXPECT_EQ(parseWholeDecimal(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(DecimalNumber, WrittenTextReadsBackExactly) {
  for (double v : {0.0, -0.0, 28.0252, -12.25, 1e-7, 1e20, 0.1 + 0.2, -123456.789, 5e-324,
                   std::numeric_limits<double>::max()}) {
    const std::string t = decimalText(v);
    EXPECT_EQ(t.find_first_of("eExX"), std::string::npos) << t;
    double back = 1;
    ASSERT_TRUE(parseDecimal(t, back)) << t;
    EXPECT_EQ(back, v) << t;
  }
  EXPECT_EQ(decimalText(-0.0), "0");
  EXPECT_EQ(decimalText(1e-7), "0.0000001");
}

}  // namespace
}  // namespace kiwora
