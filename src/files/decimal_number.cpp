#include "files/decimal_number.h"

#include <charconv>
#include <cmath>
#include <string>

#include "files/text_lines.h"

namespace kiwora {

bool parseDecimal(std::string_view text, double& value) {
  const std::string_view s = trimBlanks(text);
  std::size_t i = 0, digits = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t start = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0 || i != s.size()) return false;
  double v = 0;
  // The form is checked above, so fixed notation reads exactly these characters.
  const auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v, std::chars_format::fixed);
  if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  value = s[0] == '-' ? -v : v;
  return true;
}

bool parseWholeDecimal(std::string_view text, long long& value) {
  double v;
  if (!parseDecimal(text, v)) return false;
  // Whole by its digits, not by the double they round to: "2.99999999999999999999" is not 3, though it
  // reads as 3.0, while "3.000" is.
  const std::string_view s = trimBlanks(text);
  const std::size_t point = s.find('.');
  if (point != std::string_view::npos && s.find_first_not_of('0', point + 1) != std::string_view::npos) return false;
  if (v != std::floor(v) || std::fabs(v) > 1e15) return false;
  value = static_cast<long long>(v);
  return true;
}

std::string decimalText(double value) {
  char buf[400];  // the longest finite double in fixed notation has 309 digits before the point
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value == 0 ? 0.0 : value, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

}  // namespace kiwora
