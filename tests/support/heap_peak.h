#pragma once
// Counts the bytes allocated with operator new while a HeapPeak lives, so a test can tell how much a
// reader holds for a text (bytes per line) without a huge file. One HeapPeak at a time.
#include <cstddef>

namespace kiwora::testing {

class HeapPeak {
 public:
  HeapPeak();
  ~HeapPeak();
  HeapPeak(const HeapPeak&) = delete;
  HeapPeak& operator=(const HeapPeak&) = delete;
  // The most bytes held at once since construction, above what was held then.
  std::size_t peak() const;
};

}  // namespace kiwora::testing
