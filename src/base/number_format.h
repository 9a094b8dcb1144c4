#pragma once
// Number text shared by every writer of result text, export and text box: bare numbers, masked numbers,
// the leading-number rule and the text of a cell that may be undefined.
#include <cstddef>
#include <string>

#include "base/cell.h"

namespace kiwora {

// Shortest decimal text of a value printed bare: at most 15 significant digits, no 0 before the decimal
// sign of a value between -1 and 1, a leading blank when not negative and a trailing blank.
std::string bareNumber(double v, char decimalSign = '.');
// The same text without the two blanks (a number joined into a text).
std::string joinedNumber(double v, char decimalSign = '.');
// Plain number text as a text box shows it: shortest form, with the 0 before the decimal sign (0.05, 100).
std::string plainNumber(double v, char decimalSign = '.');
// A number through a mask "0", "0.0", "0.00", "0.000", ...: that many decimals, rounded to the nearest
// with a half away from zero (0.5625 gives "0.563", -2.5 gives "-3"), at least one digit before the
// decimal sign; never "-0.000". A value equal by the tie rule (base/tolerance.h) to a decimal half of its
// last place is that half: 3/80, stored a little below 0.0375, gives "0.038".
std::string masked(double v, const std::string& mask, char decimalSign = '.');
// The masked text with a blank in the place of the sign when it shows none, so that positive and negative
// values end in the same column; a value that rounds to zero shows no sign (" 0.000").
std::string signedMasked(double v, const std::string& mask, char decimalSign = '.');
// The number of decimals a mask asks for.
int maskDecimals(const std::string& mask);
// The masked text written into `buf` (kFixedBufferSize bytes), without allocating; returns its length.
// Decimals beyond kMaxMaskDecimals are cut to it.
inline constexpr int kMaxMaskDecimals = 30;
inline constexpr std::size_t kFixedBufferSize = 400;
std::size_t formatFixed(char* buf, double v, int decimals, char decimalSign = '.');
// |v| in units of its last place (10^-decimals), rounded as the masks round; false for values the masks
// print the long way (10^12 units or more, more than 22 decimals, not finite).
bool printedUnits(double v, int decimals, unsigned long long& units);
// How far below a decimal half, in units in the last place of the value, a value still rounds up.
inline constexpr double kPrintedRoundingUlps = 256;
// Leading-number rule: leading blanks skipped, optional sign, digits, optional "." and decimals;
// text that does not begin with a number gives 0.
double leadingNumber(const std::string& text);

// A value through its mask, or `undefined` ("-", "------", ...) where the value is undefined or not
// finite, so no cell ever reads "nan", "inf" or "-0.000". Every writer prints an undefined cell this way.
std::string maskedOr(const Cell& v, const std::string& mask, char decimalSign, const std::string& undefined);
// The same with dashes of the mask's width, so the columns to its right stay in place.
std::string maskedCell(const Cell& v, const std::string& mask, char decimalSign);

}  // namespace kiwora
