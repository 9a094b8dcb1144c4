// The program-wide worker pool behind parallelFor: every item exactly once, errors carried back to the
// caller, loops inside loops, and loops started from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/worker_pool.h"

namespace kiwora {
namespace {

struct ThreadsGuard {
  ~ThreadsGuard() { setWorkerThreads(0); }
};

TEST(WorkerPool, EveryItemRunsExactlyOnce) {
  ThreadsGuard guard;
  const struct { int n, threads; } cases[] = {{0, 8}, {1, 8}, {2, 8}, {7, 3}, {1000, 8}, {1000, 1}, {50, 64}};
  for (const auto& c : cases) {
    setWorkerThreads(c.threads);
    for (int round = 0; round < 20; ++round) {  // the same workers take loop after loop
      std::vector<std::atomic<int>> hits(static_cast<std::size_t>(c.n));
      parallelFor(c.n, [&](int i) { hits[static_cast<std::size_t>(i)].fetch_add(1); });
      for (int i = 0; i < c.n; ++i) ASSERT_EQ(hits[static_cast<std::size_t>(i)].load(), 1) << c.n << " " << c.threads;
    }
  }
}

TEST(WorkerPool, AnErrorReachesTheCallerAndThePoolGoesOn) {
  ThreadsGuard guard;
  setWorkerThreads(8);
  EXPECT_THROW(parallelFor(100, [](int i) {
                 if (i == 37) throw std::runtime_error("item 37");
               }),
               std::runtime_error);
  std::atomic<int> sum{0};
  parallelFor(100, [&](int i) { sum += i; });
  EXPECT_EQ(sum.load(), 4950);
}

TEST(WorkerPool, LoopsInsideLoopsAndFromSeveralThreads) {
  ThreadsGuard guard;
  setWorkerThreads(4);
  std::atomic<int> inner{0};
  parallelFor(16, [&](int) { parallelFor(10, [&](int) { ++inner; }); });
  EXPECT_EQ(inner.load(), 160);

  std::atomic<long> total{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t)
    callers.emplace_back([&] {
      for (int round = 0; round < 50; ++round) parallelFor(20, [&](int i) { total += i; });
    });
  for (auto& t : callers) t.join();
  EXPECT_EQ(total.load(), 4L * 50 * 190);
}

}  // namespace
}  // namespace kiwora
