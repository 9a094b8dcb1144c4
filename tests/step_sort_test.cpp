// Sorting in short steps: the same result as one sort, whatever the series looks like and however many
// threads share the steps, and long series take many steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/step_sort.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

struct ThreadsGuard {
  ~ThreadsGuard() { setWorkerThreads(0); }
};

std::vector<double> series(const std::string& shape, std::size_t n) {
  std::mt19937_64 rng(n);
  std::vector<double> v(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (shape == "distinct") v[i] = std::uniform_real_distribution<double>(0, 1)(rng);
    if (shape == "few values") v[i] = static_cast<double>(rng() % 7) / 12;  // as the simulated distances
    if (shape == "equal") v[i] = 0.25;
    if (shape == "ascending") v[i] = static_cast<double>(i);
    if (shape == "descending") v[i] = static_cast<double>(n - i);
  }
  return v;
}

TEST(StepSort, SortsAsOneSortDoes) {
  ThreadsGuard guard;
  const std::size_t lengths[] = {0, 1, 2, 16384, 16385, 300000};
  for (const char* shape : {"distinct", "few values", "equal", "ascending", "descending"})
    for (std::size_t n : lengths)
      for (int threads : {1, 8}) {
        setWorkerThreads(threads);
        // Two series side by side in one block, as the rows of a table.
        std::vector<double> both = series(shape, n), second = series("distinct", n / 3 + 1);
        both.insert(both.end(), second.begin(), second.end());
        std::vector<double> expected = both;
        std::sort(expected.begin(), expected.begin() + static_cast<long>(n));
        std::sort(expected.begin() + static_cast<long>(n), expected.end());
        int steps = 0;
        sortInSteps({{both.data(), both.data() + n}, {both.data() + n, both.data() + both.size()}}, [&] { ++steps; });
        EXPECT_EQ(both, expected) << shape << " " << n << " on " << threads;
        EXPECT_GE(steps, 1) << shape << " " << n;
      }
}

TEST(StepSort, ALongSeriesTakesManySteps) {
  ThreadsGuard guard;
  setWorkerThreads(1);
  std::vector<double> v = series("distinct", 4000000);
  int steps = 0;
  sortInSteps({{v.data(), v.data() + v.size()}}, [&] { ++steps; });
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  // At least some 244 pieces of 16384 values are sorted at the end, at most 16 of them to a step on one
  // thread; the splits before them take steps of their own.
  EXPECT_GE(steps, 4000000 / 16384 / 16);
}

}  // namespace
}  // namespace kiwora
