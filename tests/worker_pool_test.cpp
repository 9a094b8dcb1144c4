// The program-wide worker pool behind parallelFor: every item exactly once, errors carried back to the
// caller, loops inside loops, and loops started from several threads at once.
#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/block_loop.h"
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

// The thread count follows the CPUs the process may use (taskset, a cgroup), not the machine's.
TEST(WorkerPool, CountsTheCpusOfTheAffinity) {
  cpu_set_t all;
  CPU_ZERO(&all);
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  int first = -1;
  for (int c = 0; c < CPU_SETSIZE && first < 0; ++c)
    if (CPU_ISSET(c, &all)) first = c;
  ASSERT_GE(first, 0);
  EXPECT_EQ(detail::cpusAllowed(), CPU_COUNT(&all));
  int narrowed = 0;
  std::thread([&] {  // a thread of its own, so the test's thread keeps its CPUs
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    if (sched_setaffinity(0, sizeof one, &one) == 0) narrowed = detail::cpusAllowed();
  }).join();
  EXPECT_EQ(narrowed, 1);
}

// Each thread running a loop holds a slot of its own while it runs an item, so per-slot workspaces are
// never shared; a loop inside a loop runs on its thread with slot 0.
TEST(WorkerPool, SlotsAreNeverSharedAtOnce) {
  ThreadsGuard guard;
  for (int threads : {1, 3, 8}) {
    setWorkerThreads(threads);
    const int slots = loopThreads();
    ASSERT_EQ(slots, threads);
    std::vector<std::atomic<int>> inUse(static_cast<std::size_t>(slots));
    std::atomic<int> clashes{0}, outOfRange{0}, nestedWrong{0};
    for (int round = 0; round < 10; ++round)
      parallelForSlots(64, [&](int, int slot) {
        if (slot < 0 || slot >= slots) {
          ++outOfRange;
          return;
        }
        if (inUse[static_cast<std::size_t>(slot)].exchange(1) != 0) ++clashes;
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (std::chrono::steady_clock::now() < until) {
        }
        if (loopThreads() != 1) ++nestedWrong;
        parallelForSlots(3, [&](int, int inner) { nestedWrong += inner != 0; });
        inUse[static_cast<std::size_t>(slot)].store(0);
      });
    EXPECT_EQ(outOfRange.load(), 0) << threads;
    EXPECT_EQ(clashes.load(), 0) << threads;
    EXPECT_EQ(nestedWrong.load(), 0) << threads;
  }
}

TEST(BlockLoop, EveryItemOnceInItsBlockWithTheStepsBetweenBlocksInOrder) {
  struct Case {
    long long first, last, block, chunk;
  } cases[] = {{1, 1, 4, 2}, {1, 10, 4, 3}, {0, 99, 32, 16}, {1, 2048, 2048, 32}, {5, 4, 8, 2}};
  ThreadsGuard guard;
  setWorkerThreads(4);
  for (const Case& c : cases) {
    const long long n = c.last >= c.first ? c.last - c.first + 1 : 0;
    std::vector<std::atomic<int>> hits(static_cast<std::size_t>(n));
    std::vector<long long> steps;  // b0, b1 of each block, before and after
    long long open = -1;           // the block under way
    std::atomic<int> misplaced{0};
    forEachBlock(
        c.first, c.last, c.block, c.chunk,
        [&](long long b0, long long b1) {
          steps.insert(steps.end(), {b0, b1});
          open = b0;
        },
        [&](int ci, long long k0, long long k1) {
          // The chunk's place follows from its index; it never leaves its block.
          if (k0 != open + ci * c.chunk || k1 < k0 || k1 - k0 >= c.chunk || k1 > std::min(c.last, open + c.block - 1))
            ++misplaced;
          for (long long k = k0; k <= k1; ++k) ++hits[static_cast<std::size_t>(k - c.first)];
        },
        [&](long long b0, long long b1) { steps.insert(steps.end(), {b0, b1}); });
    EXPECT_EQ(misplaced.load(), 0) << c.first << ".." << c.last;
    for (const auto& h : hits) EXPECT_EQ(h.load(), 1) << c.first << ".." << c.last;
    std::vector<long long> expected;
    for (long long b0 = c.first; b0 <= c.last; b0 += c.block) {
      const long long b1 = std::min(c.last, b0 + c.block - 1);
      expected.insert(expected.end(), {b0, b1, b0, b1});
    }
    EXPECT_EQ(steps, expected) << c.first << ".." << c.last;
  }
}

}  // namespace
}  // namespace kiwora
