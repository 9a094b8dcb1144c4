#include "base/random.h"

namespace kiwora {
namespace {
std::uint64_t splitmix(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
}  // namespace

void Random::reseed(std::uint64_t seed) {
  std::uint64_t x = seed;
  for (auto& s : s_) s = splitmix(x);
}

Random Random::stream(std::uint64_t runSeed, std::uint64_t index) {
  std::uint64_t x = runSeed ^ (index * 0xD1B54A32D192ED03ull);
  return Random(splitmix(x));
}

int randomIndex(Random& rng, int n) {
  if (n <= 1) return 1;
  const int i = static_cast<int>(rng.uniform() * n) + 1;
  return i > n ? n : i;
}

}  // namespace kiwora
