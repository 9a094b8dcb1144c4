#pragma once
// The text exact arithmetic gives for a fraction at a number of decimals: rounded to the nearest, a half
// away from zero, no sign on a value that rounds to zero. What the masks must print for the fraction's
// double, however far rounding has moved it off a decimal half.
#include <string>

namespace kiwora::testing {

inline std::string exactDecimal(long long num, long long den, int decimals) {
  if (den < 0) num = -num, den = -den;
  long long n = num < 0 ? -num : num;
  for (int d = 0; d < decimals; ++d) n *= 10;
  long long units = n / den;
  if (2 * (n % den) >= den) ++units;
  std::string digits = std::to_string(units);
  if (digits.size() <= static_cast<std::size_t>(decimals))
    digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
  if (decimals > 0) digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
  return (num < 0 && units != 0 ? "-" : "") + digits;
}

}  // namespace kiwora::testing
