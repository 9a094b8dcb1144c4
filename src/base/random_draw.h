#pragma once
// Drawing several distinct indices at once, without replacement.
#include <vector>

#include "base/random.h"

namespace kiwora {

// k distinct indices out of 1..n, every k-subset equally likely, in the order drawn. Each pick is one
// randomIndex draw among the indices still free, so the draw always ends; k is taken within 0..n.
std::vector<int> drawDistinct(Random& rng, int n, int k);

}  // namespace kiwora
