#pragma once
// The one rule by which results are compared wherever a decision hangs on them (which population is best,
// whether a simulated or permuted value reaches the observed one, whether a probability lies below a
// threshold). Values that are equal in exact arithmetic come out a few units in the last place apart when
// their terms are summed in another order; such values count as equal, so no decision depends on the order
// of summation.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kiwora {

// Two values are equal when they differ by no more than this share of the larger magnitude ...
inline constexpr double kTieTolerance = 1e-9;
// ... or, near 0, by no more than this.
inline constexpr double kTieFloor = 1e-12;

// a and b equal within the rule. `scale` widens the magnitude the relative share is taken of (the size of
// the operands when a and b are themselves differences of larger values). Infinite values equal only
// themselves; NaN equals nothing.
inline bool ties(double a, double b, double scale = 0) {
  if (a == b) return true;
  if (!std::isfinite(a) || !std::isfinite(b)) return false;
  const double m = std::max({std::fabs(a), std::fabs(b), std::fabs(scale)});
  return std::fabs(a - b) <= std::max(kTieFloor, kTieTolerance * m);
}

// a below b, and not equal to it by the rule.
inline bool clearlyBelow(double a, double b, double scale = 0) { return a < b && !ties(a, b, scale); }
// a above b, and not equal to it by the rule.
inline bool clearlyAbove(double a, double b, double scale = 0) { return a > b && !ties(a, b, scale); }
// value >= observed, equal values included.
inline bool atLeast(double value, double observed, double scale = 0) {
  return value >= observed || ties(value, observed, scale);
}
// value <= observed, equal values included.
inline bool atMost(double value, double observed, double scale = 0) {
  return value <= observed || ties(value, observed, scale);
}

// x is 0 by the rule: a denominator, a variance or an expected heterozygosity that only rounding keeps
// from 0 counts as 0 wherever it decides whether a term is taken or a value is printed at all. `scale` is
// the size of the values x was formed from (1 for one minus a sum of squared frequencies); without it
// only the floor applies, as for a value that is no difference.
inline bool vanishes(double x, double scale = 0) { return ties(x, 0, scale); }

// The position of the first value equal by the rule to the smallest one: ties go to the earliest, as
// they would in exact arithmetic. values.size() when there is none.
inline std::size_t firstOfSmallest(const std::vector<double>& values) {
  if (values.empty()) return 0;
  const double smallest = *std::min_element(values.begin(), values.end());
  std::size_t i = 0;
  while (i < values.size() && !ties(values[i], smallest)) ++i;
  return i;
}

// The first of the positions 0..n-1 whose value(i) lies below `bound` and is equal by the rule to the
// smallest such value: ties go to the earliest, as they would in exact arithmetic. A NaN value is no
// candidate. n when there is none.
template <class Value>
std::size_t firstOfSmallest(std::size_t n, Value value, double bound) {
  double smallest = bound;
  for (std::size_t i = 0; i < n; ++i)
    if (const double v = value(i); v < smallest) smallest = v;
  if (!(smallest < bound)) return n;
  for (std::size_t i = 0; i < n; ++i)
    if (const double v = value(i); v < bound && ties(v, smallest)) return i;
  return n;
}

// x rounded to the nearest whole number, a value equal by the rule to a half rounded up.
inline double roundedHalfUp(double x) {
  if (!(std::fabs(x) < 0x1p52)) return x;  // whole already (or not a number)
  const double whole = std::floor(x);
  return atLeast(x, whole + 0.5) ? whole + 1 : whole;
}

// x rounded to the nearest whole number, a value equal by the rule to a half rounded away from zero.
inline double roundedHalfAway(double x) { return std::copysign(roundedHalfUp(std::fabs(x)), x); }

}  // namespace kiwora
