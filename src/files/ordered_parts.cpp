#include "files/ordered_parts.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "base/worker_pool.h"

namespace kiwora {

void appendInOrder(LineWriter& out, std::size_t n, const PartFormatter& format) {
  if (n == 0) return;
  const std::size_t threads = static_cast<std::size_t>(loopThreads());
  if (threads <= 1 || n == 1) {
    LineWriter part(out.decimalSign());
    for (std::size_t i = 0; i < n; ++i) {
      format(i, part);
      out.append(part);
    }
    return;
  }
  // A ring of parts: part i is formatted into slot i % ring once the part that held the slot is written.
  // A thread that finishes a part does not wait for the parts before it: it leaves the part in its slot
  // and takes the next one, so a thread held up elsewhere on a busy machine stalls nobody for long. The
  // thread that finds the next part to write ready writes it and every ready part after it. One thread
  // writes what a few format, so more formatting threads would only wait.
  constexpr std::size_t kMostFormatters = 4;
  const std::size_t formatters = std::min(threads, kMostFormatters);
  const std::size_t ring = formatters + 2;
  struct Slot {
    LineWriter text;
    bool ready = false;
  };
  std::vector<Slot> slots(ring, Slot{LineWriter(out.decimalSign())});
  std::mutex lock;
  std::condition_variable freed;
  std::size_t claimed = 0;  // parts handed out, in increasing order
  std::size_t head = 0;     // the next part to write
  bool writing = false;     // a thread is writing ready parts
  bool broken = false;      // a part failed: nothing more is written and nobody waits
  // The part at the head is always being formatted or written by a thread that waits for nobody.
  const auto formatAndWrite = [&](std::size_t i) {
    Slot& slot = slots[i % ring];
    try {
      slot.text.reserve(kPartText + kPartText / 4);
      format(i, slot.text);
    } catch (...) {
      std::lock_guard<std::mutex> hold(lock);
      broken = true;
      freed.notify_all();
      throw;
    }
    std::unique_lock<std::mutex> hold(lock);
    slot.ready = true;
    if (writing || broken) return;  // the thread writing takes this part when it comes to it
    writing = true;
    while (!broken && slots[head % ring].ready) {
      Slot& next = slots[head % ring];
      hold.unlock();
      try {
        out.append(next.text);
      } catch (...) {
        hold.lock();
        broken = true;
        freed.notify_all();
        throw;
      }
      hold.lock();
      next.ready = false;
      ++head;
      freed.notify_all();
    }
    writing = false;
  };
  parallelFor(static_cast<int>(formatters), [&](int) {
    for (;;) {
      std::size_t i = 0;
      {
        std::unique_lock<std::mutex> hold(lock);
        if (broken || claimed == n) return;
        i = claimed++;
        freed.wait(hold, [&] { return broken || i < head + ring; });
        if (broken) return;
      }
      formatAndWrite(i);
    }
  });
}

}  // namespace kiwora
