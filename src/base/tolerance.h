#pragma once
// The one rule by which results are compared wherever a decision hangs on them (which population is best,
// whether a simulated or permuted value reaches the observed one, whether a probability lies below a
// threshold). Values that are equal in exact arithmetic come out a few units in the last place apart when
// their terms are summed in another order, or when a coordinate or a frequency is not exact in binary;
// such values count as equal, so no decision depends on the order of summation. How far apart they may
// come out is the rounding error of the computation that made them, which only the caller knows: every
// decision names it as a `Rounding`, a number of units in the last place of the size of the terms summed
// (or of the operands). Values that differ by more than that decide as exact arithmetic does.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kiwora {

// One unit in the last place of 1 (2^-52): one rounding is off by at most half of it, relative.
inline constexpr double kUlp = 0x1p-52;

// The bound on the rounding error of the values one decision compares: `ulps` units in the last place of
// `size`, the magnitude of the terms summed or of the operands (for terms of one sign, the values
// themselves, which the rule also takes: the larger of |a|, |b| and `size` counts). A value computed by n
// roundings of terms no larger than S is off by at most about n/2 ulps of S; two such values compared
// need twice that. The caller writes down why its count covers its computation.
struct Rounding {
  double ulps = 0;
  double size = 0;
  // The width in absolute terms for the values a and b.
  double width(double a, double b) const {
    return ulps * kUlp * std::max({std::fabs(a), std::fabs(b), std::fabs(size)});
  }
};

// A rounding known as an absolute width (a distance's error bound from the size of the coordinates).
constexpr Rounding absoluteRounding(double width) { return {1, width / kUlp}; }

// The rounding of two values each a sum (or mean) of `terms` terms, every term off by at most `termUlps`
// ulps of the terms' size, which `size` gives (0: the values themselves, for terms of one sign). Each
// addition is off by half an ulp of a partial sum at most, so each value by (termUlps + terms) / 2 ulps.
constexpr Rounding ofSums(double terms, double termUlps, double size = 0) { return {terms + termUlps, size}; }

// What a value formed at one locus from allele frequencies may be off by, in ulps of 1: a frequency is a
// share of counts divided by the sum of the shares (two ulps of itself), or a mean of such over the
// populations; the sums over the alleles of a locus of frequencies, their squares, products or differences
// add an ulp of 1 per allele. 256 covers loci of up to about a hundred alleles in frequencies pooled over
// up to fifty populations, and stays a ten-thousandth part of 1e-11 of 1 per locus.
inline constexpr double kFrequencyTermUlps = 256;

// a and b equal within their rounding. Infinite values equal only themselves; NaN equals nothing.
inline bool ties(double a, double b, Rounding r) {
  if (a == b) return true;
  if (!std::isfinite(a) || !std::isfinite(b)) return false;
  return std::fabs(a - b) <= r.width(a, b);
}

// a below b, and not equal to it by the rule.
inline bool clearlyBelow(double a, double b, Rounding r) { return a < b && !ties(a, b, r); }
// a above b, and not equal to it by the rule.
inline bool clearlyAbove(double a, double b, Rounding r) { return a > b && !ties(a, b, r); }
// value >= observed, equal values included.
inline bool atLeast(double value, double observed, Rounding r) { return value >= observed || ties(value, observed, r); }
// value <= observed, equal values included.
inline bool atMost(double value, double observed, Rounding r) { return value <= observed || ties(value, observed, r); }

// x is 0 by the rule: a denominator, a variance or an expected heterozygosity that only rounding keeps
// from 0 counts as 0 wherever it decides whether a term is taken or a value is printed at all. The
// rounding's size is that of the values x was formed from (1 for one minus a sum of squared frequencies).
inline bool vanishes(double x, Rounding r) { return ties(x, 0, r); }

// The position of the first value equal by the rule to the smallest one: ties go to the earliest, as
// they would in exact arithmetic. values.size() when there is none.
inline std::size_t firstOfSmallest(const std::vector<double>& values, Rounding r) {
  if (values.empty()) return 0;
  const double smallest = *std::min_element(values.begin(), values.end());
  std::size_t i = 0;
  while (i < values.size() && !ties(values[i], smallest, r)) ++i;
  return i;
}

// The first of the positions 0..n-1 whose value(i) lies below `bound` and is equal by the rule to the
// smallest such value: ties go to the earliest, as they would in exact arithmetic. A NaN value is no
// candidate. n when there is none.
template <class Value>
std::size_t firstOfSmallest(std::size_t n, Value value, double bound, Rounding r) {
  double smallest = bound;
  for (std::size_t i = 0; i < n; ++i)
    if (const double v = value(i); v < smallest) smallest = v;
  if (!(smallest < bound)) return n;
  for (std::size_t i = 0; i < n; ++i)
    if (const double v = value(i); v < bound && ties(v, smallest, r)) return i;
  return n;
}

// x rounded to the nearest whole number, a value equal by the rule to a half rounded up.
inline double roundedHalfUp(double x, Rounding r) {
  if (!(std::fabs(x) < 0x1p52)) return x;  // whole already (or not a number)
  const double whole = std::floor(x);
  return atLeast(x, whole + 0.5, r) ? whole + 1 : whole;
}

// x rounded to the nearest whole number, a value equal by the rule to a half rounded away from zero.
inline double roundedHalfAway(double x, Rounding r) { return std::copysign(roundedHalfUp(std::fabs(x), r), x); }

}  // namespace kiwora
