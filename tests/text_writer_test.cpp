#include "files/text_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "files/fixed_text.h"
#include "support/exact_decimal.h"

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

// printf rounds an exact half to even; the masks round it away from zero, and so a value stored a few
// units off a decimal half (1.0005 is stored a little below it).
TEST(PrintRules, MasksRoundHalvesAwayFromZero) {
  const struct { double v; const char* mask; const char* text; } cases[] = {
      {0.5625, "0.000", "0.563"}, {0.8125, "0.000", "0.813"}, {0.3125, "0.000", "0.313"},
      {-0.5625, "0.000", "-0.563"}, {0.0625, "0.000", "0.063"}, {0.125, "0.00", "0.13"},
      {0.25, "0.0", "0.3"},       {2.5, "0", "3"},           {-2.5, "0", "-3"},
      {0.5, "0", "1"},            {-0.5, "0", "-1"},         {9.5, "0", "10"},
      {99.5, "0", "100"},         {-9.75, "0.0", "-9.8"},    {0.9375, "0.000", "0.938"},
      {1.0005, "0.000", "1.001"}, {2.675, "0.00", "2.68"},   {0.1875, "0.000", "0.188"},
      {1.5, "0.000", "1.500"},    {1e20, "0.0", "100000000000000000000.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(masked(c.v, c.mask), c.text) << c.v << " " << c.mask;
    LineWriter w;
    w.fmt(c.v, c.mask);
    EXPECT_EQ(w.str(), c.text) << c.v << " " << c.mask;
  }
  EXPECT_EQ(masked(0.125, "0.00", ','), "0,13");
  EXPECT_EQ(masked(-0.0004, "0.000", ','), "0,000");
}

// Fractions as exact arithmetic rounds them: to the nearest, a half away from zero. Their doubles lie a
// few units off the decimal half (3/80 a little below 0.0375), which the tie rule sets aside; so do
// sums that are a half in exact arithmetic. Every way of printing agrees.
TEST(PrintRules, DecimalHalvesAsExactArithmeticGivesThem) {
  const struct { long long num, den; int decimals; } fractions[] = {
      {1, 80, 3},   {3, 80, 3},    {5, 80, 3},      {7, 80, 3},          {-3, 80, 3},  {1, 8, 2},
      {-13, 32, 4}, {1, 40, 2},    {2675, 1000, 2}, {10005, 10000, 3},   {45, 1000, 2}, {1, 200, 2},
      {1, 3, 3},    {2, 3, 2},     {1, 7, 4},       {3, 16, 3},          {-5, 2, 0},   {12345675, 1000, 2},
      {49999, 100000, 3}, {50001, 100000, 3}, {7, 2000, 3}, {-7, 2000, 3}, {1, 1, 3},  {0, 5, 3},
  };
  for (const auto& f : fractions) {
    const double v = static_cast<double>(f.num) / static_cast<double>(f.den);
    const std::string mask = f.decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(f.decimals), '0');
    const std::string want = kiwora::testing::exactDecimal(f.num, f.den, f.decimals);
    EXPECT_EQ(masked(v, mask), want) << f.num << "/" << f.den;
    LineWriter w;
    w.fmt(v, mask);
    EXPECT_EQ(w.str(), want) << f.num << "/" << f.den;
    std::string cell;
    FixedText(f.decimals, '.').append(cell, v);
    EXPECT_EQ(cell, want) << f.num << "/" << f.den;
  }
  // Halves in exact arithmetic, reached by sums and differences.
  EXPECT_EQ(masked((0.1 + 0.2) / 8, "0.000"), "0.038");
  EXPECT_EQ(masked(1 - 0.9625, "0.000"), "0.038");
  EXPECT_EQ(masked(0.1 * 3 / 80, "0.0000"), "0.0038");
  EXPECT_EQ(masked(std::nextafter(-0.40625, 0.0), "0.0000"), "-0.4063");
}

// A value that rounds to zero at its printed precision prints without a sign, whichever way it is printed:
// through the short path of the masks, the long one (many decimals), the table of the long cell runs, bare, or with a blank in the place of the sign.
TEST(PrintRules, NoNumberReadsAsANegativeZero) {
  const double belowHalf = -0.0004999;  // clearly below a half
  const struct { double v; std::string mask, text; } cases[] = {
      {-0.0, "0.000", "0.000"},      {-1e-300, "0.000", "0.000"},  {-0.0004, "0.000", "0.000"},
      {-0.4, "0", "0"},              {-0.04, "0.0", "0.0"},        {-0.00004, "0.0000", "0.0000"},
      {belowHalf, "0.000", "0.000"}, {-0.0005, "0.000", "-0.001"}, {-0.0006, "0.000", "-0.001"},
      {-1e-12, "0.0000000000", "0.0000000000"},  {-0.0, "0.000000000000", "0.000000000000"},
      {-1e-31, "0." + std::string(30, '0'), "0." + std::string(30, '0')},  // the long way: 30 places
  };
  const FixedText table(3, '.');
  for (const auto& c : cases) {
    EXPECT_EQ(masked(c.v, c.mask), c.text) << c.v << " " << c.mask;
    LineWriter w;
    w.fmt(c.v, c.mask);
    EXPECT_EQ(w.str(), c.text) << c.v << " " << c.mask;
    const std::string blank = c.text[0] == '-' ? "" : " ";
    EXPECT_EQ(signedMasked(c.v, c.mask), blank + c.text) << c.v << " " << c.mask;
    if (std::string(c.mask) == "0.000") {
      std::string cell;
      table.append(cell, c.v);
      EXPECT_EQ(cell, c.text) << c.v;
    }
  }
  EXPECT_EQ(signedMasked(-0.0001, "0.000", ','), " 0,000");
  EXPECT_EQ(signedMasked(0.125, "0.000"), " 0.125");
  EXPECT_EQ(signedMasked(-0.125, "0.000"), "-0.125");
  EXPECT_EQ(maskedCell(Cell{-0.0}, "0.00", '.'), "0.00");
  EXPECT_EQ(bareNumber(-0.0), " 0 ");
  EXPECT_EQ(joinedNumber(-0.0), "0");
  EXPECT_EQ(plainNumber(-0.0), "0");
}

TEST(PrintRules, TabsZonesAndLineEnds) {
  LineWriter w;
  w.tab(4).text("abc").tab(10).text("x").nl();
  w.text("long text").tab(3).text("y").nl();  // past column 3: column 3 of the next line
  w.text("a").zone().text("b").zone().text("c");
  w.finish();
  EXPECT_EQ(w.str(), "   abc   x\r\nlong text\r\n  y\r\na             b             c\r\n");
}

// Away from exact halves a mask gives what printf gives, for values near a rounding step too.
TEST(PrintRules, MasksAgreeWithPrintfAwayFromHalves) {
  std::uint64_t state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) * 0x1.0p-53;
  };
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const int decimals = i % 7;
    const double scale = i % 3 == 0 ? 1 : i % 3 == 1 ? 1000 : 1e8;
    double v = (next() - 0.3) * scale;
    if (i % 5 == 0) v = std::round(v * 1000) / 1000 + 0.0005;  // close to a step of three decimals
    // A half, or a value equal to one by the tie rule (DecimalHalvesAsExactArithmeticGivesThem).
    const double units = std::fabs(v) * std::pow(10.0, decimals);
    // The product units is off by half an ulp of itself more.
    if (std::fabs(units - std::floor(units) - 0.5) <= std::min((kPrintedRoundingUlps + 1) * 0x1p-52 * units, 1e-3))
      continue;
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
    std::string e = expected;
    if (e[0] == '-' && e.find_first_not_of("-0.") == std::string::npos) e.erase(0, 1);
    const std::string mask = decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
    ASSERT_EQ(masked(v, mask), e) << v << " " << mask;
    ++checked;
  }
  EXPECT_GT(checked, 19000);
}

// A long report goes out to the file as it grows instead of being held until the file is closed.
TEST(PrintRules, FileStreamsLongText) {
  const std::string path = ::testing::TempDir() + "kiwora-stream-test.txt";
  std::string expected;
  {
    TextFile f;
    ASSERT_TRUE(f.open(path, TextFile::Mode::Create));
    for (int i = 0; i < 200000; ++i) {
      f.text("line ").fmt(i / 16.0, "0.000").nl();
      expected += "line " + masked(i / 16.0, "0.000") + "\r\n";
    }
    EXPECT_LT(f.str().size(), expected.size() / 2);
    f.text("open line");
    ASSERT_TRUE(f.close());
  }
  expected += "open line\r\n";
  std::FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::string got(expected.size() + 10, '\0');
  got.resize(std::fread(got.data(), 1, got.size(), in));
  std::fclose(in);
  std::remove(path.c_str());
  EXPECT_TRUE(got == expected);
}

TEST(PrintRules, LeadingNumber) {
  const struct { const char* text; double v; } cases[] = {
      {"12", 12}, {"  3.5abc", 3.5}, {"-2", -2}, {"abc", 0}, {"", 0}, {"1,5", 1}, {"+.25", 0.25}, {"-", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.v) << c.text;
}

}  // namespace
}  // namespace kiwora
