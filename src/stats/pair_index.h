#pragma once
// Dense numbering of the unordered genotypes (code pairs) of one locus: the codes that occur are ranked,
// and a pair of ranks r1 <= r2 maps to one cell of a triangle. Far faster than hashing for the few tens of
// alleles a locus carries; loci with very many codes fall back to a hash map.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <unordered_map>
#include <vector>

#include "stats/allele_codes.h"

namespace kiwora {

class PairIndex {
 public:
  // The ranks are kept by code while that table is small beside the `copies` of a locus that it ranks
  // (and below a largest code of kMaxDense); above, a few huge codes would make that table huge, so they
  // are hashed.
  PairIndex(int maxAllele, std::size_t copies) {
    const std::size_t top = static_cast<std::size_t>(maxAllele < 0 ? 0 : maxAllele);
    if (top < kMaxDense && codeTableFits(maxAllele, copies)) rank_.assign(top + 1, -1);
  }

  // Forgets the codes of the last locus.
  void clear() {
    for (int a : codes_) rank(a) = -1;
    rankHashed_.clear();
    codes_.clear();
    hashed_.clear();
  }
  void addCode(int a) {
    int& r = rank(a);
    if (r < 0) {
      r = static_cast<int>(codes_.size());
      codes_.push_back(a);
    }
  }
  // After the codes were added: every pair's value becomes `empty`.
  void prepare(int empty) {
    const std::size_t k = codes_.size();
    dense_ = k * (k + 1) / 2 <= kMaxDense;
    empty_ = empty;
    if (dense_) cells_.assign(k * (k + 1) / 2, empty);
  }
  // The value stored for the pair (a, b), either order; both codes must have been added.
  int& operator()(int a, int b) {
    if (!dense_) return hashed_.try_emplace(pairKey(a, b), empty_).first->second;
    const std::size_t ra = static_cast<std::size_t>(rank(a));
    const std::size_t rb = static_cast<std::size_t>(rank(b));
    const std::size_t lo = std::min(ra, rb), hi = std::max(ra, rb);
    return cells_[hi * (hi + 1) / 2 + lo];
  }

 private:
  static constexpr std::size_t kMaxDense = std::size_t{1} << 22;
  int& rank(int a) {
    if (!rank_.empty()) return rank_[static_cast<std::size_t>(a)];
    return rankHashed_.try_emplace(a, -1).first->second;
  }
  std::vector<int> rank_;                     // by code; empty when the codes are hashed
  std::unordered_map<int, int> rankHashed_;
  std::vector<int> codes_;
  std::vector<int> cells_;
  std::unordered_map<std::uint64_t, int> hashed_;
  bool dense_ = true;
  int empty_ = 0;
};

}  // namespace kiwora
