#pragma once
// Uniform generator on [0,1) with explicit seeding. Small and fast (xoshiro256**), so every simulated
// unit can own a stream derived from a run seed and its index.
#include <cstdint>

namespace kiwora {

class Random {
 public:
  explicit Random(std::uint64_t seed = 0x9E3779B97F4A7C15ull) { reseed(seed); }
  void reseed(std::uint64_t seed);
  std::uint64_t next() {  // inline: simulations draw hundreds of numbers per simulated group
    const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0,1)

  // A stream of its own for unit `index` of a run seeded with `runSeed`.
  static Random stream(std::uint64_t runSeed, std::uint64_t index);
  // The stream of item `item` (a permutation, a simulation, a test) of unit `unit` (a population, a pair):
  // each owns its stream, so results do not depend on how the items are spread over threads.
  static Random stream(std::uint64_t runSeed, int unit, int item) { return stream(runSeed, streamKey(unit, item)); }
  // The index of item `item` of unit `unit`: the unit in the high 32 bits, the item in the low.
  static std::uint64_t streamKey(int unit, int item) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(unit)) << 32) | static_cast<std::uint32_t>(item);
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t s_[4];
};

// A draw in 1..n, each index equally likely: floor(u * n) + 1. Inline: the resamplings draw millions.
inline int randomIndex(Random& rng, int n) {
  if (n <= 1) return 1;
  const int i = static_cast<int>(rng.uniform() * n) + 1;
  return i > n ? n : i;
}

}  // namespace kiwora
