#pragma once
// Running the permutations of a test over the cores in blocks, with a progress report between blocks on
// the calling thread (where the window may process pending events).
#include <algorithm>
#include <functional>

#include "spatial/parallel_chunks.h"

namespace kiwora {

// Calls perm(k) for k = 1..nPerm, spread over the cores; each call must write only its own slot.
// progress(k) is called before the block that starts with permutation k, and with nPerm at the end.
template <class F>
void forEachPermutation(int nPerm, const std::function<void(int perm)>& progress, F&& perm) {
  // About fifty progress reports, but blocks large enough to keep the cores busy.
  const int block = std::clamp(nPerm / 50, 64, 4096);
  for (int first = 1; first <= nPerm; first += block) {
    if (progress) progress(first);
    parallelFor(std::min(block, nPerm - first + 1), [&](int i) { perm(first + i); });
  }
  if (progress) progress(nPerm);
}

}  // namespace kiwora
