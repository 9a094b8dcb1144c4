#include "base/step_sort.h"

#include <algorithm>
#include <cstddef>

#include "base/worker_pool.h"

namespace kiwora {
namespace {

// Spans up to this long are sorted whole; longer ones are split around a pivot first.
constexpr std::ptrdiff_t kSortPiece = 1 << 14;
// The work of one step for each thread, counted as elements partitioned (a few milliseconds); sorting an
// element costs about 16 of them.
constexpr std::ptrdiff_t kSortStepWork = 1 << 22;
constexpr std::ptrdiff_t kSortCost = 16;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

}  // namespace

// A long span is split in one pass around the median of three of its values into the values below, equal
// to and above it; only the outer parts go on, the equal values are in place. The order of the steps does
// not matter: a series of numbers sorts to one result.
void sortInSteps(std::vector<SortSpan> todo, const std::function<void()>& between) {
  std::vector<SortSpan> step, parts;
  const std::ptrdiff_t budget = kSortStepWork * loopThreads();
  while (!todo.empty()) {
    step.clear();
    std::ptrdiff_t work = 0;
    while (!todo.empty()) {
      const SortSpan s = todo.back();
      const std::ptrdiff_t n = s.last - s.first;
      const std::ptrdiff_t cost = n <= kSortPiece ? n * kSortCost : n;
      if (!step.empty() && work + cost > budget) break;
      work += cost;
      step.push_back(s);
      todo.pop_back();
    }
    parts.assign(2 * step.size(), SortSpan{nullptr, nullptr});
    parallelFor(static_cast<int>(step.size()), [&](int i) {
      const SortSpan s = step[at(i)];
      if (s.last - s.first <= kSortPiece) {
        std::sort(s.first, s.last);
        return;
      }
      const double a = *s.first, b = s.first[(s.last - s.first) / 2], c = *(s.last - 1);
      const double pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
      double* below = std::partition(s.first, s.last, [pivot](double x) { return x < pivot; });
      double* above = std::partition(below, s.last, [pivot](double x) { return !(pivot < x); });
      parts[2 * at(i)] = {s.first, below};
      parts[2 * at(i) + 1] = {above, s.last};
    });
    for (const SortSpan& s : parts)
      if (s.last - s.first > 1) todo.push_back(s);
    between();
  }
}

}  // namespace kiwora
