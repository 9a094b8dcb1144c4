#pragma once
// Allele frequencies by (population 0..n1, locus 0..n2, code 0..n3), read by code. A locus carries few
// of the codes up to the largest, so a table can keep cells only for the codes each locus carries: the
// others read 0, and the table costs what the codes present cost, not what the largest code costs.
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace kiwora {

// One (population, locus) row read by code.
class FreqRow {
 public:
  FreqRow(const double* cells, const int* slot) : cells_(cells), slot_(slot) {}
  double operator[](int code) const { return cells_[slot_[code]]; }

 private:
  const double* cells_;
  const int* slot_;
};

// One row that may be written; a code without a cell of its own refuses to be written.
class FreqRowRef {
 public:
  FreqRowRef(double* cells, const int* slot) : cells_(cells), slot_(slot) {}
  double& operator[](int code) const {
    const int s = slot_[code];
    if (s == 0) throw std::logic_error("allele frequency written for a code without a cell");
    return cells_[s];
  }

 private:
  double* cells_;
  const int* slot_;
};

class AlleleFreqTable {
 public:
  AlleleFreqTable() = default;
  AlleleFreqTable(int n1, int n2, int n3) { resize(n1, n2, n3); }

  // Every code 0..n3 at every locus has a cell; all 0.
  void resize(int n1, int n2, int n3) {
    shape(n1, n2, n3);
    for (int l = 0; l <= n2_; ++l)
      for (int a = 0; a <= n3_; ++a) slot_[at(l, a)] = a + 1;
    lay(static_cast<std::size_t>(n3_) + 1);
  }
  // Cells only for codes[l] (each within 0..n3) at locus l; every other code reads 0.
  void resize(int n1, int n2, int n3, const std::vector<std::vector<int>>& codes) {
    shape(n1, n2, n3);
    for (int l = 0; l <= n2_ && static_cast<std::size_t>(l) < codes.size(); ++l) {
      int next = 1;
      for (int a : codes[static_cast<std::size_t>(l)])
        if (a >= 0 && a <= n3_ && slot_[at(l, a)] == 0) slot_[at(l, a)] = next++;
    }
    lay(0);
  }

  double operator()(int p, int l, int a) const { return row(p, l)[a]; }
  FreqRow row(int p, int l) const { return {cells_.data() + start(p, l), slot_.data() + at(l, 0)}; }
  // Writing goes through its own name, so that reading through a table that may be written never trips
  // over a code without a cell.
  FreqRowRef write(int p, int l) { return {cells_.data() + start(p, l), slot_.data() + at(l, 0)}; }
  int n1() const { return n1_; }
  int n2() const { return n2_; }
  int n3() const { return n3_; }
  bool empty() const { return cells_.empty(); }

 private:
  void shape(int n1, int n2, int n3) {
    n1_ = n1 < 0 ? 0 : n1;
    n2_ = n2 < 0 ? 0 : n2;
    n3_ = n3 < 0 ? 0 : n3;
    slot_.assign(static_cast<std::size_t>(n2_ + 1) * static_cast<std::size_t>(n3_ + 1), 0);
  }
  // Row (p, l) holds a 0 that every code without a cell reads, then one cell per code with a cell.
  // width 0: each locus as wide as its codes; otherwise that width everywhere.
  void lay(std::size_t width) {
    locStart_.assign(static_cast<std::size_t>(n2_) + 2, 0);
    for (int l = 0; l <= n2_; ++l) {
      std::size_t w = width;
      if (w == 0)
        for (int a = 0; a <= n3_; ++a) w += slot_[at(l, a)] != 0;
      locStart_[static_cast<std::size_t>(l) + 1] = locStart_[static_cast<std::size_t>(l)] + 1 + w;
    }
    perPop_ = locStart_.back();
    cells_.assign(perPop_ * (static_cast<std::size_t>(n1_) + 1), 0.0);
  }
  std::size_t at(int l, int a) const {
    return static_cast<std::size_t>(l) * static_cast<std::size_t>(n3_ + 1) + static_cast<std::size_t>(a);
  }
  std::size_t start(int p, int l) const { return static_cast<std::size_t>(p) * perPop_ + locStart_[static_cast<std::size_t>(l)]; }

  int n1_ = 0, n2_ = 0, n3_ = 0;
  std::vector<int> slot_;  // (locus, code): the code's cell in its row, 0 for the shared 0
  std::vector<std::size_t> locStart_;
  std::size_t perPop_ = 0;
  std::vector<double> cells_;
};

}  // namespace kiwora
