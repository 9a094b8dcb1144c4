#include "base/number_format.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/tolerance.h"

namespace kiwora {
namespace {

std::string withDecimalSign(std::string s, char dec) {
  if (dec != '.')
    for (char& c : s)
      if (c == '.') c = dec;
  return s;
}

}  // namespace

std::string joinedNumber(double v, char dec) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return "0";
  char buf[64];
  // Shortest text that holds at most 15 significant digits (the %G form: exponent of at least two digits).
  char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15).ptr;
  std::string mant(buf, static_cast<std::size_t>(end - buf)), expo;
  if (auto e = mant.find('e'); e != std::string::npos) {
    expo = mant.substr(e);
    expo[0] = 'E';
    mant.erase(e);
  }
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  // No 0 before the decimal sign between -1 and 1.
  if (mant.rfind("0.", 0) == 0) mant.erase(0, 1);
  else if (mant.rfind("-0.", 0) == 0) mant.erase(1, 1);
  return withDecimalSign(mant + expo, dec);
}

std::string plainNumber(double v, char dec) {
  std::string s = joinedNumber(v, dec);
  if (s.size() > 1 && s[0] == dec) s.insert(s.begin(), '0');
  else if (s.size() > 2 && s[0] == '-' && s[1] == dec) s.insert(s.begin() + 1, '0');
  return s;
}

std::string bareNumber(double v, char dec) {
  std::string s = joinedNumber(v, dec);
  return (v < 0 ? "" : " ") + s + " ";
}

int maskDecimals(const std::string& mask) {
  const auto p = mask.find('.');
  return p == std::string::npos ? 0 : static_cast<int>(mask.size() - p - 1);
}

bool printedUnits(double v, int decimals, unsigned long long& units) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (decimals < 0 || decimals > 22) return false;
  const double unit = kPow10[decimals];  // exact up to 10^22
  const double scaled = std::fabs(v) * unit;
  // Below 10^12 units the product is off by at most half an ulp of itself, well within the width below.
  if (!(scaled < 1e12)) return false;
  const double whole = std::floor(scaled);
  const double off = scaled - whole - 0.5;  // scaled - whole is exact
  // A value on a decimal half in exact arithmetic reaches the masks a few ulps off it: a quotient of counts
  // (3/80) is off by half an ulp, a mean of at most a few hundred terms or a difference of values up to
  // a hundred times its own size (1 - 0.9625) by at most kPrintedRoundingUlps of itself. Closer to the half
  // than that it rounds up; anything farther, 1e-11 of the value included, rounds as exact arithmetic
  // does. The width is never more than a thousandth of a unit: with many digits printed, ulps of the value
  // would reach the printed digit itself.
  const double tolerance = std::min(kPrintedRoundingUlps * kUlp * scaled, 1e-3);
  units = static_cast<unsigned long long>(whole) + (off >= -tolerance ? 1 : 0);
  return true;
}

namespace {

bool formatFixedFast(char* buf, double v, int decimals, char dec, std::size_t& length) {
  unsigned long long r = 0;
  if (!printedUnits(v, decimals, r)) return false;
  const bool nonZero = r != 0;
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + r % 10);
    r /= 10;
  } while (r > 0 || n <= decimals);
  char* out = buf;
  if (v < 0 && nonZero) *out++ = '-';
  for (int i = n - 1; i >= 0; --i) {
    *out++ = digits[i];
    if (i == decimals && decimals > 0) *out++ = dec;
  }
  length = static_cast<std::size_t>(out - buf);
  return true;
}

}  // namespace

std::size_t formatFixed(char* buf, double v, int decimals, char dec) {
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxMaskDecimals) decimals = kMaxMaskDecimals;
  if (std::size_t length = 0; formatFixedFast(buf, v, decimals, dec, length)) return length;
  char* const end = buf + kFixedBufferSize;
  char* last = std::to_chars(buf, end, v, std::chars_format::fixed, decimals).ptr;
  // Past 10^12 units of the last place (or 22 places) the double holds no digits to spare beyond the
  // printed ones, so only a half that is exact in binary counts. to_chars rounds it to even; a value is
  // an exact half at `decimals` places only when it is a multiple of 2^-(decimals+1): only then does the
  // text one place longer decide.
  if (std::isfinite(v)) {
    const double scaled = std::ldexp(std::fabs(v), decimals + 1);
    if (scaled == std::floor(scaled)) {
      char* longer = std::to_chars(buf, end, v, std::chars_format::fixed, decimals + 1).ptr;
      if (longer[-1] == '5') {
        // Drop the 5 and add one unit in the last kept place, away from zero.
        last = longer - 1;
        if (decimals == 0) --last;  // the decimal point
        char* d = last;
        const char* first = buf + (buf[0] == '-');
        bool carry = true;
        while (carry && d > first) {
          --d;
          if (*d == '.') continue;
          if (*d == '9') *d = '0';
          else {
            ++*d;
            carry = false;
          }
        }
        if (carry) {
          std::memmove(buf + (first - buf) + 1, first, static_cast<std::size_t>(last - first));
          buf[first - buf] = '1';
          ++last;
        }
      }
    }
  }
  // A value that rounds to zero prints without its sign.
  if (buf[0] == '-') {
    bool zero = true;
    for (const char* c = buf + 1; c < last && zero; ++c) zero = *c == '0' || *c == '.';
    if (zero) {
      std::memmove(buf, buf + 1, static_cast<std::size_t>(last - buf - 1));
      --last;
    }
  }
  if (dec != '.')
    for (char* c = buf; c < last; ++c)
      if (*c == '.') *c = dec;
  return static_cast<std::size_t>(last - buf);
}

std::string masked(double v, const std::string& mask, char dec) {
  char buf[kFixedBufferSize];
  return std::string(buf, formatFixed(buf, v, maskDecimals(mask), dec));
}

std::string signedMasked(double v, const std::string& mask, char dec) {
  std::string s = masked(v, mask, dec);
  if (s.empty() || s[0] != '-') s.insert(s.begin(), ' ');
  return s;
}

double leadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  return std::strtod(text.substr(start, i - start).c_str(), nullptr);
}

std::string maskedOr(const Cell& v, const std::string& mask, char decimalSign, const std::string& undefined) {
  if (!v || !std::isfinite(*v)) return undefined;
  return masked(*v, mask, decimalSign);
}

std::string maskedCell(const Cell& v, const std::string& mask, char decimalSign) {
  return maskedOr(v, mask, decimalSign, std::string(mask.size(), '-'));
}

}  // namespace kiwora
