#pragma once
// Running the permutations of a test over the cores in blocks, with a progress report between blocks on
// the calling thread (where the window may process pending events).
#include <algorithm>
#include <functional>

#include "base/block_loop.h"

namespace kiwora {

// Calls chunk(first, last, slot) for consecutive runs of permutations covering 1..nPerm, spread over the
// cores; slot (below loopThreads()) is the running thread's own, so a caller keeps one workspace per slot
// and reuses it. A chunk must write only the results of its own permutations.
// progress(k) is called before the block that starts with permutation k, and with nPerm at the end.
template <class F>
void forEachPermutationChunk(int nPerm, const std::function<void(int perm)>& progress, F&& chunk) {
  constexpr int kChunk = 16;
  // About ten progress reports, with blocks of enough chunks to keep every core busy to the block's end.
  const int block = std::clamp(nPerm / 10, 512, 8192);
  forEachBlock(
      1, nPerm, block, kChunk,
      [&](long long first, long long) {
        if (progress) progress(static_cast<int>(first));
      },
      [&](int, long long k0, long long k1, int slot) { chunk(static_cast<int>(k0), static_cast<int>(k1), slot); }, kNoBlockStep);
  if (progress) progress(nPerm);
}

}  // namespace kiwora
