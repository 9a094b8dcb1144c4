#pragma once
// Small helpers on allele codes shared by the statistics.
#include <cstddef>
#include <cstdint>

namespace kiwora {

// A copy takes part in a statistic when its code has a slot in the allele tables; -1 (missing) and any
// code outside 0..maxAllele count as missing everywhere, so no statistic sees a copy another one skips.
inline bool isTyped(int a, int maxAllele) { return a >= 0 && a <= maxAllele; }

// Whether a table indexed by code (0..maxAllele) suits a pass over `copies` gene copies: always for the
// usual few thousand codes, and while the table costs no more than a small multiple of the copies it
// serves. Beyond that the codes present are sorted or hashed instead, so that a few huge codes cost what
// a few small ones cost.
inline bool codeTableFits(int maxAllele, std::size_t copies) {
  constexpr int kAlwaysDirect = 4096;
  constexpr std::size_t kCellsPerCopy = 16;
  return maxAllele <= kAlwaysDirect || static_cast<std::size_t>(maxAllele) <= kCellsPerCopy * copies;
}

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
