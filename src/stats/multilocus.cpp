#include "stats/multilocus.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/worker_pool.h"
#include "stats/allele_codes.h"

namespace kiwora {

void TypeFrequencies::resize(int nPop, int nTypes) {
  n1_ = nPop < 0 ? 0 : nPop;
  n2_ = nTypes < 0 ? 0 : nTypes;
  rows_.assign(static_cast<std::size_t>(n1_) + 1, Row());
}

void TypeFrequencies::setRow(int p, Row cells) {
  std::sort(cells.begin(), cells.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  rows_[static_cast<std::size_t>(p)] = std::move(cells);
}

double TypeFrequencies::operator()(int p, int t) const {
  const Row& r = rows_[static_cast<std::size_t>(p)];
  const auto it = std::lower_bound(r.begin(), r.end(), t, [](const auto& cell, int type) { return cell.first < type; });
  return it != r.end() && it->first == t ? it->second : 0.0;
}
namespace {

std::uint64_t mix(std::uint64_t h, int a, int b) {
  std::uint64_t v = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  h *= 0xff51afd7ed558ccdULL;
  return h ^ (h >> 33);
}

// Per population: puts the genotypes in order in place and hashes the individuals typed at every selected
// locus. Touches only population p's genotypes and its own outputs.
void orderAndHash(const GenotypeView& g, const std::vector<int>& loci, int p, std::vector<std::uint64_t>& hash,
                  std::vector<unsigned char>& complete) {
  const int n = g.nInd(p);
  hash.assign(static_cast<std::size_t>(n) + 1, 0);
  complete.assign(static_cast<std::size_t>(n) + 1, 1);
  for (int l : loci) {
    int* x1 = g.genotypes->locus1(p, l);
    int* x2 = g.genotypes->locus2(p, l);
    for (int j = 1; j <= n; ++j) {
      const auto ju = static_cast<std::size_t>(j);
      if (x2[j] < x1[j]) std::swap(x1[j], x2[j]);
      if (!isTyped(x1[j], g.maxAllele) || !isTyped(x2[j], g.maxAllele)) complete[ju] = 0;
      hash[ju] = mix(hash[ju], x1[j], x2[j]);
    }
  }
}

struct Ind {
  int p, j;
};

bool sameType(const GenotypeView& g, const std::vector<int>& loci, Ind x, Ind y) {
  for (int l : loci)
    if (g.a1(x.p, l, x.j) != g.a1(y.p, l, y.j) || g.a2(x.p, l, x.j) != g.a2(y.p, l, y.j)) return false;
  return true;
}

}  // namespace

void Calc_Multilocus_Genotypes(const GenotypeView& g, bool noSort, MultilocusGenotypes& out) {
  std::vector<int> loci;
  for (int l = 1; l <= g.nLoci; ++l)
    if (g.locOn(l)) loci.push_back(l);

  // Types in order of first appearance: populations, then individuals, in index order.
  std::vector<Ind> rep;                 // first individual of each type (0-based type index)
  std::vector<int> sameHashNext;        // further types with the same hash
  std::unordered_map<std::uint64_t, int> byHash;
  std::vector<std::vector<int>> typesOf(static_cast<std::size_t>(g.nPop) + 1);  // per population
  std::vector<std::uint64_t> hash;
  std::vector<unsigned char> complete;
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    orderAndHash(g, loci, p, hash, complete);
    auto& mine = typesOf[static_cast<std::size_t>(p)];
    for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j) {
      const auto ju = static_cast<std::size_t>(j);
      if (!complete[ju]) continue;
      auto [it, fresh] = byHash.try_emplace(hash[ju], static_cast<int>(rep.size()));
      int t = fresh ? -1 : it->second;
      while (t >= 0 && !sameType(g, loci, rep[static_cast<std::size_t>(t)], Ind{p, j})) t = sameHashNext[static_cast<std::size_t>(t)];
      if (t < 0) {
        t = static_cast<int>(rep.size());
        rep.push_back(Ind{p, j});
        sameHashNext.push_back(fresh ? -1 : it->second);
        it->second = t;
      }
      mine.push_back(t);
    }
  }
  const int nTypes = static_cast<int>(rep.size());

  // Labels, from a table of the codes' texts while it stays small beside the labels; else code by code.
  const std::size_t codesInLabels = 2 * loci.size() * static_cast<std::size_t>(nTypes);
  std::vector<std::string> codeText;
  if (codeTableFits(g.maxAllele, codesInLabels)) {
    codeText.resize(static_cast<std::size_t>(g.maxAllele) + 1);
    for (int a = 0; a <= g.maxAllele; ++a) {
      char buf[16];
      auto r = std::to_chars(buf, buf + sizeof buf, a);
      codeText[static_cast<std::size_t>(a)].assign(buf, r.ptr);
    }
  }
  const auto appendCode = [&codeText](std::string& s, int a) {
    if (!codeText.empty()) {
      s += codeText[static_cast<std::size_t>(a)];
      return;
    }
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, a);
    s.append(buf, r.ptr);
  };
  std::vector<std::string> label(static_cast<std::size_t>(nTypes));
  for (int t = 0; t < nTypes; ++t) {
    const Ind r = rep[static_cast<std::size_t>(t)];
    std::string& s = label[static_cast<std::size_t>(t)];
    for (int l : loci) {
      appendCode(s, g.a1(r.p, l, r.j));
      appendCode(s, g.a2(r.p, l, r.j));
    }
  }

  // Final position of each type: by label as text, equal labels in order of first appearance.
  std::vector<int> order(static_cast<std::size_t>(nTypes));
  std::iota(order.begin(), order.end(), 0);
  if (!noSort)
    std::stable_sort(order.begin(), order.end(),
                     [&](int x, int y) { return label[static_cast<std::size_t>(x)] < label[static_cast<std::size_t>(y)]; });
  std::vector<int> position(static_cast<std::size_t>(nTypes));
  for (int k = 0; k < nTypes; ++k) position[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k + 1;

  out.NMLGTypes = nTypes;
  out.MLGKey.assign(static_cast<std::size_t>(nTypes) + 1, std::string());
  for (int t = 0; t < nTypes; ++t)
    out.MLGKey[static_cast<std::size_t>(position[static_cast<std::size_t>(t)])] = std::move(label[static_cast<std::size_t>(t)]);
  out.MLGFreq.resize(g.nPop, nTypes);
  out.NIdentAll = makeVec1<int>(g.nPop);
  out.MLGDiversity = makeVec1<Cell>(g.nPop);
  out.MLGNTypes = makeVec1<int>(g.nPop);

  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    auto& mine = typesOf[static_cast<std::size_t>(p)];
    const int typed = static_cast<int>(mine.size());
    out.NIdentAll[static_cast<std::size_t>(p)] = typed;
    if (typed == 0) continue;
    // (type, frequency) in order of first appearance, the order in which the sums have always been taken.
    std::sort(mine.begin(), mine.end());
    std::vector<std::pair<int, double>> freq;
    for (std::size_t i = 0; i < mine.size();) {
      std::size_t k = i;
      while (k < mine.size() && mine[k] == mine[i]) ++k;
      freq.emplace_back(mine[i], static_cast<double>(k - i) / typed);
      i = k;
    }
    double sum = 0;
    for (auto& [t, f] : freq) sum += f;
    double squares = 0;
    TypeFrequencies::Row cells;
    cells.reserve(freq.size());
    for (auto& [t, f] : freq) {
      f /= sum;
      squares += f * f;
      cells.emplace_back(position[static_cast<std::size_t>(t)], f);
    }
    out.MLGFreq.setRow(p, std::move(cells));
    out.MLGNTypes[static_cast<std::size_t>(p)] = static_cast<int>(freq.size());
    // A sum of squared type frequencies, each 0 or at least a member's share squared: 0 only exactly.
    if (squares > 0) out.MLGDiversity[static_cast<std::size_t>(p)] = 1 / squares;
  }
}

namespace {

// Fills the cells of populations with types; `DistMLG` comes sized with every cell undefined.
template <class Table>
void multilocusDistances(const GenotypeReader& g, const MultilocusGenotypes& mlg, Table& DistMLG) {
  const int nTypes = std::min(mlg.NMLGTypes, mlg.MLGFreq.n2());
  // The types each population holds, in list order; the others add exact zeros to the sums.
  std::vector<std::vector<std::pair<int, double>>> held(static_cast<std::size_t>(g.nPop) + 1);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p) || p > mlg.MLGFreq.n1()) continue;
    for (const auto& [t, f] : mlg.MLGFreq.row(p))
      if (t >= 1 && t <= nTypes && f != 0) held[static_cast<std::size_t>(p)].emplace_back(t, f);
  }
  // Each population's row on the pool when there are many: row p1 writes the cells (p1, p2) and (p2, p1)
  // for p2 > p1 only.
  const auto row = [&](int item) {
    const int p1 = item + 1;
    const auto& h1 = held[static_cast<std::size_t>(p1)];
    if (h1.empty()) return;
    DistMLG(p1, p1) = 0.0;
    for (int p2 = p1 + 1; p2 <= g.nPop; ++p2) {
      const auto& h2 = held[static_cast<std::size_t>(p2)];
      if (h2.empty()) continue;
      double d = 0;
      std::size_t i = 0, k = 0;
      while (i < h1.size() || k < h2.size()) {
        if (k == h2.size() || (i < h1.size() && h1[i].first < h2[k].first)) {
          d += 0.5 * std::abs(h1[i++].second);
        } else if (i == h1.size() || h2[k].first < h1[i].first) {
          d += 0.5 * std::abs(h2[k++].second);
        } else {
          d += 0.5 * std::abs(h1[i++].second - h2[k++].second);
        }
      }
      DistMLG(p1, p2) = d;
      DistMLG(p2, p1) = d;
    }
  };
  constexpr int kPopulationsOnThePool = 64;
  if (g.nPop >= kPopulationsOnThePool) parallelFor(g.nPop, row);
  else
    for (int p = 0; p < g.nPop; ++p) row(p);
}

}  // namespace

void Calc_Dist_Multilocus(const GenotypeReader& g, const MultilocusGenotypes& mlg, Table2<Cell>& DistMLG) {
  DistMLG.resize(g.nPop, g.nPop);
  multilocusDistances(g, mlg, DistMLG);
}

void Calc_Dist_Multilocus(const GenotypeReader& g, const MultilocusGenotypes& mlg, Table2<double>& DistMLG) {
  DistMLG.resize(g.nPop, g.nPop, std::numeric_limits<double>::quiet_NaN());
  multilocusDistances(g, mlg, DistMLG);
}

}  // namespace kiwora
