#include "support/heap_peak.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every block carries its size in front, so that a free knows how much it returns.
namespace {

constexpr std::size_t kHead = alignof(std::max_align_t);
std::atomic<long long> held{0};
std::atomic<long long> peakHeld{0};

void* allocate(std::size_t n) {
  void* p = std::malloc(n + kHead);
  if (!p) return nullptr;
  *static_cast<std::size_t*>(p) = n;
  const long long now = held.fetch_add(static_cast<long long>(n)) + static_cast<long long>(n);
  long long seen = peakHeld.load();
  while (now > seen && !peakHeld.compare_exchange_weak(seen, now)) {
  }
  return static_cast<char*>(p) + kHead;
}

void release(void* q) {
  if (!q) return;
  void* p = static_cast<char*>(q) - kHead;
  held.fetch_sub(static_cast<long long>(*static_cast<std::size_t*>(p)));
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) {
  if (void* p = allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace kiwora::testing {

namespace {
long long heldAtStart = 0;
}

HeapPeak::HeapPeak() {
  heldAtStart = held.load();
  peakHeld = heldAtStart;
}
HeapPeak::~HeapPeak() = default;

std::size_t HeapPeak::peak() const {
  const long long p = peakHeld.load() - heldAtStart;
  return p > 0 ? static_cast<std::size_t>(p) : 0;
}

}  // namespace kiwora::testing
