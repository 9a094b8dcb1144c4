#pragma once
// Values of every pair of populations at each locus (a population with itself included), held once per
// unordered pair because every such value is symmetric: (p, q, l) and (q, p, l) are one cell. Locus by
// locus, each population's partners q >= p lie side by side, the order in which the kernels fill a row
// and the matrices print it. A table of Cell keeps an undefined value as NaN, so a cell costs one double.
//
// One of two forms of a per-locus table of pairs. This one holds the values themselves: the form for few
// populations whose every value is read, as the plain form of the test between two populations computes
// the two samples' distances once per permutation. The population analysis, over any number of
// populations, holds its per-locus distances as a LocusDistances (stats/distance_tables.h) instead, which
// keeps the frequencies they come from and works a value out when it is read.
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/cell.h"

namespace kiwora {

// Access to one cell of a Cell table through a table that may be written, used like the Cell itself.
class PairCellRef {
 public:
  explicit PairCellRef(double& d) : d_(d) {}
  PairCellRef& operator=(const Cell& c) {
    d_ = c ? *c : std::numeric_limits<double>::quiet_NaN();
    return *this;
  }
  operator Cell() const { return std::isnan(d_) ? Cell{} : Cell{d_}; }
  explicit operator bool() const { return !std::isnan(d_); }
  bool has_value() const { return !std::isnan(d_); }
  double operator*() const { return d_; }
  double value() const { return Cell(*this).value(); }
  double value_or(double other) const { return std::isnan(d_) ? other : d_; }
  friend bool operator==(const PairCellRef& a, const Cell& b) { return Cell(a) == b; }

 private:
  double& d_;
};

template <class T>
class PairTable3 {
  static_assert(std::is_same_v<T, double> || std::is_same_v<T, Cell>);

 public:
  static constexpr bool kCells = std::is_same_v<T, Cell>;
  using Ref = std::conditional_t<kCells, PairCellRef, double&>;

  PairTable3() = default;
  PairTable3(int nPop, int nLoci) { resize(nPop, nLoci); }
  // Populations 0..nPop, loci 0..nLoci; every cell 0 (double) or undefined (Cell).
  void resize(int nPop, int nLoci) {
    n_ = nPop < 0 ? 0 : nPop;
    nLoci_ = nLoci < 0 ? 0 : nLoci;
    perLocus_ = static_cast<std::size_t>(n_ + 1) * static_cast<std::size_t>(n_ + 2) / 2;
    data_.assign(perLocus_ * static_cast<std::size_t>(nLoci_ + 1), kCells ? std::numeric_limits<double>::quiet_NaN() : 0.0);
  }
  T operator()(int p, int q, int l) const {
    const double d = data_[idx(p, q, l)];
    if constexpr (kCells) return std::isnan(d) ? Cell{} : Cell{d};
    else return d;
  }
  Ref operator()(int p, int q, int l) { return Ref(data_[idx(p, q, l)]); }
  // The cells (p, q, l) for q = p..nPop, contiguous; NaN marks an undefined cell of a Cell table.
  const double* row(int p, int l) const { return data_.data() + idx(p, p, l); }
  double* row(int p, int l) { return data_.data() + idx(p, p, l); }
  int n1() const { return n_; }
  int n2() const { return n_; }
  int n3() const { return nLoci_; }
  bool empty() const { return data_.empty(); }

 private:
  std::size_t idx(int p, int q, int l) const {
    if (p > q) std::swap(p, q);
    const auto up = static_cast<std::size_t>(p);
    return static_cast<std::size_t>(l) * perLocus_ + up * static_cast<std::size_t>(n_ + 1) - up * (up - (up > 0)) / 2 +
           static_cast<std::size_t>(q - p);
  }
  int n_ = 0, nLoci_ = 0;
  std::size_t perLocus_ = 0;
  std::vector<double> data_;
};

}  // namespace kiwora
