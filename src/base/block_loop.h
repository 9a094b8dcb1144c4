#pragma once
// The one loop for long runs of independent items: the items go out over the pool in blocks, each block
// in chunks (a chunk sets up its workspace once), and between blocks the calling thread merges what the
// block left and shows progress, where the window may process pending events or stop the run.
#include <algorithm>
#include <type_traits>

#include "base/worker_pool.h"

namespace kiwora {

// Items first..last (inclusive) in blocks of `block` items. For each block: before(b0, b1) on the calling
// thread, then chunk(c, k0, k1) for the block's chunks of `chunk` items (c counts the chunks of the block
// from 0, k0..k1 inclusive) spread over the pool, then after(b0, b1) on the calling thread. A chunk that
// also takes a slot, chunk(c, k0, k1, slot), gets the running thread's own (below loopThreads()), so it can
// keep one workspace per slot from block to block.
template <class Before, class Chunk, class After>
void forEachBlock(long long first, long long last, long long block, long long chunk, Before&& before, Chunk&& run,
                  After&& after) {
  for (long long b0 = first; b0 <= last; b0 += block) {
    const long long b1 = std::min(last, b0 + block - 1);
    before(b0, b1);
    const int chunks = static_cast<int>((b1 - b0) / chunk + 1);
    if constexpr (std::is_invocable_v<Chunk&, int, long long, long long, int>) {
      parallelForSlots(chunks, [&](int c, int slot) {
        const long long k0 = b0 + c * chunk;
        run(c, k0, std::min(b1, k0 + chunk - 1), slot);
      });
    } else {
      parallelFor(chunks, [&](int c) {
        const long long k0 = b0 + c * chunk;
        run(c, k0, std::min(b1, k0 + chunk - 1));
      });
    }
    after(b0, b1);
  }
}

// Nothing to do between blocks on that side.
inline constexpr auto kNoBlockStep = [](long long, long long) {};

}  // namespace kiwora
