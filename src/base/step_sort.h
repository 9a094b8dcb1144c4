#pragma once
// Sorting long series of numbers in short steps, so that a run can show progress (and the window answer)
// between them instead of waiting for one long sort.
#include <functional>
#include <vector>

namespace kiwora {

struct SortSpan {
  double* first;
  double* last;
};

// Sorts every span ascending on the pool, a few spans per step, and calls between() after each step;
// a step takes a few milliseconds of work per thread, whatever the lengths of the spans. The spans must
// not overlap and hold no NaN. The result is that of std::sort on each span, on any number of threads.
void sortInSteps(std::vector<SortSpan> spans, const std::function<void()>& between);

}  // namespace kiwora
