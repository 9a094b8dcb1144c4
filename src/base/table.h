#pragma once
// 1-based tables: index 0 exists and carries no data, loops run from 1.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace kiwora {

template <class T>
using Vec1 = std::vector<T>;  // sized N+1, element 0 unused

template <class T>
inline Vec1<T> makeVec1(int n, T value = T{}) {
  return Vec1<T>(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, value);
}

template <class T>
struct ZeroedAllocator;

// Dense 2-D table (rows 0..n1, columns 0..n2) in one block.
template <class T>
class Table2 {
 public:
  Table2() = default;
  Table2(int n1, int n2, T value = T{}) { resize(n1, n2, value); }
  void resize(int n1, int n2, T value = T{}) {
    n1_ = n1 < 0 ? 0 : n1;
    n2_ = n2 < 0 ? 0 : n2;
    const std::size_t n = static_cast<std::size_t>(n1_ + 1) * static_cast<std::size_t>(n2_ + 1);
    if constexpr (std::is_arithmetic_v<T>) {
      // A table of another size starts on zeroed pages: a large one (the simulated intervals) costs time
      // only as its cells are written, not all at once here. One of the same size is refilled in place.
      if (value == T{} && n != data_.size()) {
        Storage fresh(n);
        data_.swap(fresh);
        return;
      }
    }
    data_.assign(n, value);
  }
  T& operator()(int i, int j) { return data_[idx(i, j)]; }
  const T& operator()(int i, int j) const { return data_[idx(i, j)]; }
  int n1() const { return n1_; }
  int n2() const { return n2_; }
  bool empty() const { return data_.empty(); }
  void fill(T value) { std::fill(data_.begin(), data_.end(), value); }

 private:
  std::size_t idx(int i, int j) const {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(n2_ + 1) + static_cast<std::size_t>(j);
  }
  using Storage = std::conditional_t<std::is_arithmetic_v<T>, std::vector<T, ZeroedAllocator<T>>, std::vector<T>>;
  int n1_ = 0, n2_ = 0;
  Storage data_;
};

// Storage for tables of numbers taken zeroed from the system: a large table whose cells start at zero
// costs memory and time only for the pages that are written or read (allele frequencies sized by the
// largest allele code while a locus carries a few codes).
template <class T>
struct ZeroedAllocator {
  static_assert(std::is_arithmetic_v<T>);
  using value_type = T;
  ZeroedAllocator() = default;
  template <class U>
  ZeroedAllocator(const ZeroedAllocator<U>&) {}
  T* allocate(std::size_t n) {
    void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) { std::free(p); }
  // A new cell is left as calloc gave it: all bits zero, which is 0 for every arithmetic type.
  template <class U>
  void construct(U*) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator&) { return true; }
};

}  // namespace kiwora
