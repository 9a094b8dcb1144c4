#pragma once
// Small helpers on allele codes shared by the statistics.
#include <cstdint>

namespace kiwora {

// A copy takes part in a statistic when its code has a slot in the allele tables; -1 (missing) and any
// code outside 0..maxAllele count as missing everywhere, so no statistic sees a copy another one skips.
inline bool isTyped(int a, int maxAllele) { return a >= 0 && a <= maxAllele; }

// An unordered single-locus genotype identified by its two codes (never by a joined text).
inline std::uint64_t pairKey(int a, int b) {
  if (b < a) {
    const int t = a;
    a = b;
    b = t;
  }
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

}  // namespace kiwora
