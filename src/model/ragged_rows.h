#pragma once
// Rows of different lengths in one array, with an offset per row: a row per population of a cell per
// individual costs its cells and one number, not a heap block of its own, however many populations a
// file holds. Rows read like the vectors they replace: rows[p][j], rows[p].size(), begin()/end().
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace kiwora {

template <class T>
class RaggedRows {
 public:
  template <class Owner, class Value>
  class RowOf {
   public:
    RowOf(Owner* owner, std::size_t row) : owner_(owner), row_(row) {}
    std::size_t size() const { return owner_->start_[row_ + 1] - owner_->start_[row_]; }
    bool empty() const { return size() == 0; }
    Value* begin() const { return owner_->values_.data() + owner_->start_[row_]; }
    Value* end() const { return begin() + size(); }
    Value& operator[](std::size_t j) const { return begin()[j]; }

    // Gives the row the length and cells of `cells`; another length moves the rows after it.
    template <class U>
    const RowOf& operator=(const std::vector<U>& cells) const
      requires(!std::is_const_v<Value>)
    {
      owner_->setRow(row_, cells);
      return *this;
    }
    void clear() const
      requires(!std::is_const_v<Value>)
    {
      owner_->setRow(row_, std::vector<T>());
    }

    template <class U>
    friend bool operator==(const RowOf& a, const std::vector<U>& b) {
      return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Value& x, const U& y) { return x == y; });
    }

   private:
    Owner* owner_;
    std::size_t row_;
  };
  using Row = RowOf<RaggedRows, T>;
  using ConstRow = RowOf<const RaggedRows, const T>;

  RaggedRows() = default;

  // `rows` rows, row r of length lengthOf(r), every cell `value`.
  template <class LengthOf>
  void assign(std::size_t rows, LengthOf lengthOf, T value) {
    start_.assign(rows + 1, 0);
    std::size_t end = 0;
    for (std::size_t r = 0; r < rows; ++r) {
      end += static_cast<std::size_t>(lengthOf(r));
      start_[r + 1] = offset(end);
    }
    values_.assign(end, value);
  }

  // Building row by row: no row yet, room for about `expected` rows.
  void startRows(std::size_t expected) {
    start_.assign(1, 0);
    start_.reserve(expected + 1);
    values_.clear();
  }
  void addRow(std::size_t length, T value) {
    const std::uint32_t end = offset(values_.size() + length);
    values_.resize(end, value);
    start_.push_back(end);
  }

  std::size_t size() const { return start_.empty() ? 0 : start_.size() - 1; }
  bool empty() const { return size() == 0; }
  Row operator[](std::size_t r) { return Row(this, r); }
  ConstRow operator[](std::size_t r) const { return ConstRow(this, r); }

  // Fewer rows drop the last ones; more add empty rows.
  void resize(std::size_t rows) {
    if (rows <= size()) {
      start_.resize(rows + 1);
      values_.resize(start_[rows]);
    } else {
      start_.resize(rows + 1, offset(values_.size()));
    }
  }

  bool operator==(const RaggedRows& o) const { return size() == o.size() && start_ == o.start_ && values_ == o.values_; }

 private:
  template <class U>
  void setRow(std::size_t r, const std::vector<U>& cells) {
    const std::size_t old = start_[r + 1] - start_[r];
    const auto at = values_.begin() + static_cast<std::ptrdiff_t>(start_[r]);
    if (cells.size() > old) values_.insert(at + static_cast<std::ptrdiff_t>(old), cells.size() - old, T{});
    else values_.erase(at + static_cast<std::ptrdiff_t>(cells.size()), at + static_cast<std::ptrdiff_t>(old));
    std::transform(cells.begin(), cells.end(), values_.begin() + static_cast<std::ptrdiff_t>(start_[r]),
                   [](const U& x) { return static_cast<T>(x); });
    for (std::size_t k = r + 1; k < start_.size(); ++k) start_[k] = offset(start_[k] + cells.size() - old);
  }
  static std::uint32_t offset(std::size_t n) {
    if (n > UINT32_MAX) throw std::length_error("a table of rows beyond 4 G cells");
    return static_cast<std::uint32_t>(n);
  }

  // Row r is values_[start_[r] .. start_[r + 1]); 32 bits, as a table of 4 G cells is beyond what the
  // program holds beside it.
  std::vector<std::uint32_t> start_;
  std::vector<T> values_;
};

}  // namespace kiwora
