#pragma once
// Tables read by allele code: per (population 0..n1, locus 0..n2) a row of values by code 0..n3. A locus
// carries few of the codes up to the largest, so a table keeps cells only for the codes each locus
// carries: every other code reads the row's shared value (0 unless set), and the table costs what the
// codes present cost, not what the largest code costs.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kiwora {

// The codes that have a cell at each locus 0..nLoci, numbered 1..count(l) in ascending order; every other
// code (and any code outside 0..maxCode) has slot 0. A code is found through a table by locus and code
// while that table stays small; when the largest code would make it large, by a search of the locus's
// codes, so that a few huge codes cost no more memory than a few small ones.
class LocusCodes {
 public:
  // A locus's slots read by code.
  class Slots {
   public:
    Slots(const int* direct, const int* codes, int n, int maxCode)
        : direct_(direct), codes_(codes), n_(n), maxCode_(maxCode) {}
    int operator[](int code) const {
      // One comparison for both ends: a negative code is a very large unsigned one.
      if (static_cast<unsigned>(code) > static_cast<unsigned>(maxCode_)) return 0;
      if (direct_) return direct_[code];
      const int* at = std::lower_bound(codes_, codes_ + n_, code);
      return at != codes_ + n_ && *at == code ? static_cast<int>(at - codes_) + 1 : 0;
    }

   private:
    const int* direct_;  // slot by code, or null: search codes_
    const int* codes_;
    int n_;
    int maxCode_;
  };

  // Above this many (locus, code) pairs the slots are searched rather than looked up.
  static constexpr std::size_t kDirectLimit = std::size_t{1} << 22;

  LocusCodes() = default;
  // codes[l]: the codes of locus l in any order, repeats allowed; those outside 0..maxCode are left out.
  LocusCodes(int nLoci, int maxCode, const std::vector<std::vector<int>>& codes) {
    nLoci_ = nLoci < 0 ? 0 : nLoci;
    maxCode_ = maxCode < 0 ? 0 : maxCode;
    codes_.assign(static_cast<std::size_t>(nLoci_) + 1, {});
    for (std::size_t l = 0; l < codes_.size() && l < codes.size(); ++l) {
      std::vector<int>& c = codes_[l];
      for (int a : codes[l])
        if (a >= 0 && a <= maxCode_) c.push_back(a);
      std::sort(c.begin(), c.end());
      c.erase(std::unique(c.begin(), c.end()), c.end());
    }
    const std::size_t width = static_cast<std::size_t>(maxCode_) + 1;
    if (width * codes_.size() <= kDirectLimit) {
      direct_.assign(width * codes_.size(), 0);
      for (std::size_t l = 0; l < codes_.size(); ++l)
        for (std::size_t j = 0; j < codes_[l].size(); ++j)
          direct_[l * width + static_cast<std::size_t>(codes_[l][j])] = static_cast<int>(j) + 1;
    }
  }
  // Every code 0..maxCode at every locus.
  static LocusCodes all(int nLoci, int maxCode) {
    std::vector<int> every(static_cast<std::size_t>(maxCode < 0 ? 0 : maxCode) + 1);
    for (std::size_t a = 0; a < every.size(); ++a) every[a] = static_cast<int>(a);
    return LocusCodes(nLoci, maxCode, std::vector<std::vector<int>>(static_cast<std::size_t>(nLoci < 0 ? 0 : nLoci) + 1, every));
  }

  int nLoci() const { return nLoci_; }
  int maxCode() const { return maxCode_; }
  // The codes of locus l, ascending; empty for a locus outside 0..nLoci.
  const std::vector<int>& codes(int l) const {
    static const std::vector<int> none;
    return l >= 0 && l <= nLoci_ ? codes_[static_cast<std::size_t>(l)] : none;
  }
  int count(int l) const { return static_cast<int>(codes(l).size()); }
  Slots slotsOf(int l) const {
    if (l < 0 || l > nLoci_) return {nullptr, nullptr, 0, 0};  // no code has a cell
    const std::vector<int>& c = codes_[static_cast<std::size_t>(l)];
    const int* direct =
        direct_.empty() ? nullptr : direct_.data() + static_cast<std::size_t>(l) * (static_cast<std::size_t>(maxCode_) + 1);
    return {direct, c.data(), static_cast<int>(c.size()), maxCode_};
  }
  // 1..count(l) for a code of locus l, 0 for any other.
  int slot(int l, int code) const { return slotsOf(l)[code]; }
  bool has(int l, int code) const { return slot(l, code) != 0; }

 private:
  int nLoci_ = 0, maxCode_ = 0;
  std::vector<std::vector<int>> codes_ = std::vector<std::vector<int>>(1);
  std::vector<int> direct_;  // (locus, code): slot; empty when searched
};

// One (population, locus) row read by code.
class FreqRow {
 public:
  FreqRow(const double* cells, LocusCodes::Slots codeSlots) : cells_(cells), slots_(codeSlots) {}
  double operator[](int code) const { return cells_[slots_[code]]; }

 private:
  const double* cells_;
  LocusCodes::Slots slots_;
};

// One row that may be written; a code without a cell of its own refuses to be written.
class FreqRowRef {
 public:
  FreqRowRef(double* cells, LocusCodes::Slots codeSlots) : cells_(cells), slots_(codeSlots) {}
  double& operator[](int code) const {
    const int s = slots_[code];
    if (s == 0) throw std::logic_error("allele frequency written for a code without a cell");
    return cells_[s];
  }

 private:
  double* cells_;
  LocusCodes::Slots slots_;
};

class CodeTable {
 public:
  CodeTable() = default;
  CodeTable(int n1, int n2, int n3) { resize(n1, n2, n3); }

  // Every code 0..n3 at every locus has a cell; all 0.
  void resize(int n1, int n2, int n3) { resize(n1, std::make_shared<const LocusCodes>(LocusCodes::all(n2, n3))); }
  // Cells only for codes[l] (each within 0..n3) at locus l; every other code reads 0.
  void resize(int n1, int n2, int n3, const std::vector<std::vector<int>>& codes) {
    resize(n1, std::make_shared<const LocusCodes>(n2, n3, codes));
  }
  // Cells for the codes of `codes` (which tables may share); every cell, and every row's shared value,
  // starts at `value`.
  void resize(int n1, std::shared_ptr<const LocusCodes> codes, double value = 0) {
    codes_ = codes ? std::move(codes) : std::make_shared<const LocusCodes>();
    n1_ = n1 < 0 ? 0 : n1;
    locStart_.assign(static_cast<std::size_t>(n2()) + 2, 0);
    for (int l = 0; l <= n2(); ++l)
      locStart_[static_cast<std::size_t>(l) + 1] =
          locStart_[static_cast<std::size_t>(l)] + 1 + static_cast<std::size_t>(codes_->count(l));
    perPop_ = locStart_.back();
    cells_.assign(perPop_ * (static_cast<std::size_t>(n1_) + 1), value);
  }

  double operator()(int p, int l, int a) const { return row(p, l)[a]; }
  FreqRow row(int p, int l) const { return {cells_.data() + start(p, l), codes_->slotsOf(l)}; }
  // Writing goes through its own name, so that reading through a table that may be written never trips
  // over a code without a cell.
  FreqRowRef write(int p, int l) { return {cells_.data() + start(p, l), codes_->slotsOf(l)}; }
  // The value every code without a cell reads in row (p, l).
  double& unlisted(int p, int l) { return cells_[start(p, l)]; }
  // The codes with a cell at locus l, ascending.
  const std::vector<int>& codes(int l) const { return codes_->codes(l); }
  const LocusCodes& locusCodes() const { return *codes_; }
  int n1() const { return n1_; }
  int n2() const { return codes_->nLoci(); }
  int n3() const { return codes_->maxCode(); }
  bool empty() const { return cells_.empty(); }

 private:
  std::size_t start(int p, int l) const { return static_cast<std::size_t>(p) * perPop_ + locStart_[static_cast<std::size_t>(l)]; }

  int n1_ = 0;
  std::shared_ptr<const LocusCodes> codes_ = std::make_shared<const LocusCodes>();
  // Row (p, l) holds the shared value that every code without a cell reads, then one cell per code.
  std::vector<std::size_t> locStart_ = std::vector<std::size_t>(2, 0);
  std::size_t perPop_ = 0;
  std::vector<double> cells_;
};

// Allele frequencies by (population, locus, code).
using AlleleFreqTable = CodeTable;

}  // namespace kiwora
