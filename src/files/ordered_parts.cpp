#include "files/ordered_parts.h"

#include <atomic>
#include <cstdint>
#include <vector>

#include "base/worker_pool.h"

namespace kiwora {

void appendInOrder(LineWriter& out, std::size_t n, const PartFormatter& format) {
  if (n == 0) return;
  // The number of parts written so far; kBroken once a part failed, so that nobody waits for it.
  constexpr std::size_t kBroken = SIZE_MAX;
  std::atomic<std::size_t> written{0};
  const auto broken = [&] {
    written.store(kBroken);
    written.notify_all();
  };
  std::vector<LineWriter> parts(static_cast<std::size_t>(loopThreads()), LineWriter(out.decimalSign()));
  // Items are handed out in increasing order, so the part every waiting thread depends on is always being
  // formatted or written by a thread that waits for nobody.
  parallelForSlots(static_cast<int>(n), [&](int item, int slot) {
    const std::size_t i = static_cast<std::size_t>(item);
    LineWriter& part = parts[static_cast<std::size_t>(slot)];
    part.reserve(kPartText + kPartText / 4);
    try {
      format(i, part);
    } catch (...) {
      broken();
      throw;
    }
    for (std::size_t w = written.load(std::memory_order_acquire); w != i; w = written.load(std::memory_order_acquire)) {
      if (w == kBroken) return;  // an earlier part failed; its exception ends the loop
      written.wait(w, std::memory_order_acquire);
    }
    try {
      out.append(part);
    } catch (...) {
      broken();
      throw;
    }
    written.store(i + 1, std::memory_order_release);
    written.notify_all();
  });
}

}  // namespace kiwora
