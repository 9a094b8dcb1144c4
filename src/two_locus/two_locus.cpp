#include "two_locus/two_locus.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <unordered_map>

#include "base/number_format.h"
#include "base/worker_pool.h"
#include "stats/allele_codes.h"
#include "stats/correlations.h"

namespace kiwora {
namespace {

// Expected frequency of each genotype of a locus in population p under Hardy-Weinberg proportions:
// p² for a homozygote, 2pq for a heterozygote. [k], k from 1.
void expectedGenotypeFreq(const LocusGenotypeIndex& idx, const AlleleFreqTable& AlleleFreq, int p, int locus,
                          std::vector<double>& e) {
  const int n = idx.count(locus);
  e.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const auto f = AlleleFreq.row(p, locus);
  for (int k = 1; k <= n; ++k) {
    const auto [a, b] = idx.codes(locus, k);
    e[static_cast<std::size_t>(k)] = a == b ? f[a] * f[a] : 2 * f[a] * f[b];
  }
}

}  // namespace

LocusGenotypeIndex::LocusGenotypeIndex(const GenotypeReader& g, const std::vector<int>& loci)
    : slot_(static_cast<std::size_t>(g.nLoci) + 1, -1) {
  loci_.reserve(loci.size());
  for (int l : loci) {
    if (l < 1 || l > g.nLoci || slot_[static_cast<std::size_t>(l)] >= 0) continue;
    slot_[static_cast<std::size_t>(l)] = static_cast<int>(loci_.size());
    Locus& L = loci_.emplace_back();
    L.number.resize(static_cast<std::size_t>(g.nPop) + 1);
    std::unordered_map<std::uint64_t, int> byCodes;
    for (int p = 1; p <= g.nPop; ++p) {
      if (!g.popOn(p)) continue;
      const int n = g.nInd(p);
      auto& num = L.number[static_cast<std::size_t>(p)];
      num.assign(static_cast<std::size_t>(n) + 1, 0);
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      for (int j = 1; j <= n; ++j) {
        if (!isTyped(x1[j], g.maxAllele) || !isTyped(x2[j], g.maxAllele)) continue;
        auto [it, fresh] = byCodes.try_emplace(pairKey(x1[j], x2[j]), static_cast<int>(L.codes.size()) + 1);
        if (fresh) L.codes.emplace_back(std::min(x1[j], x2[j]), std::max(x1[j], x2[j]));
        num[static_cast<std::size_t>(j)] = it->second;
      }
    }
  }
}

bool LocusGenotypeIndex::has(int locus) const {
  return locus >= 0 && static_cast<std::size_t>(locus) < slot_.size() && slot_[static_cast<std::size_t>(locus)] >= 0;
}

const int* LocusGenotypeIndex::numbers(int locus, int p) const {
  return loci_[static_cast<std::size_t>(slot_[static_cast<std::size_t>(locus)])].number[static_cast<std::size_t>(p)].data();
}

int LocusGenotypeIndex::count(int locus) const {
  return static_cast<int>(loci_[static_cast<std::size_t>(slot_[static_cast<std::size_t>(locus)])].codes.size());
}

std::pair<int, int> LocusGenotypeIndex::codes(int locus, int k) const {
  return loci_[static_cast<std::size_t>(slot_[static_cast<std::size_t>(locus)])].codes[static_cast<std::size_t>(k) - 1];
}

Cell Gen_MG_Two_Loci(const GenotypeReader& g, const LocusGenotypeIndex& idx, int locusA, int locusB,
                     const AlleleFreqTable& AlleleFreq, bool noSort, MultilocusGenotypes& out) {
  const int nA = idx.count(locusA), nB = idx.count(locusB);

  // Types by their two genotype numbers, i.e. by their four codes. A dense lookup while the grid of
  // genotype pairs is small; it is kept per thread and cleared entry by entry after use.
  const std::size_t grid = static_cast<std::size_t>(nA) * static_cast<std::size_t>(nB);
  const bool dense = grid <= (std::size_t{1} << 20);
  thread_local std::vector<int> denseType;
  if (dense && denseType.size() < grid) denseType.resize(grid, 0);
  std::unordered_map<std::size_t, int> sparseType;

  std::vector<std::pair<int, int>> types;  // [t-1]: genotype numbers at A and B, in order of first appearance
  struct ClearLookup {  // also when a step below throws, the next pair on this thread starts from zeros
    bool dense;
    std::size_t nB;
    const std::vector<std::pair<int, int>>& types;
    ~ClearLookup() {
      if (dense)
        for (const auto& [a, b] : types)
          denseType[static_cast<std::size_t>(a - 1) * nB + static_cast<std::size_t>(b - 1)] = 0;
    }
  } clearLookup{dense, static_cast<std::size_t>(nB), types};
  std::vector<int> typeOf;                 // the type of every fully typed individual, population by population
  std::vector<std::size_t> start(static_cast<std::size_t>(g.nPop) + 2, 0);
  for (int p = 1; p <= g.nPop; ++p) {
    start[static_cast<std::size_t>(p)] = typeOf.size();
    if (!g.popOn(p)) continue;
    const int* ga = idx.numbers(locusA, p);
    const int* gb = idx.numbers(locusB, p);
    for (int j = 1, n = g.nInd(p); j <= n; ++j) {
      if (ga[j] == 0 || gb[j] == 0) continue;
      const std::size_t cell = static_cast<std::size_t>(ga[j] - 1) * static_cast<std::size_t>(nB) +
                               static_cast<std::size_t>(gb[j] - 1);
      int* slot;
      if (dense) {
        slot = &denseType[cell];
      } else {
        slot = &sparseType[cell];
      }
      if (*slot == 0) {
        types.emplace_back(ga[j], gb[j]);
        *slot = static_cast<int>(types.size());
      }
      typeOf.push_back(*slot);
    }
  }
  start[static_cast<std::size_t>(g.nPop) + 1] = typeOf.size();
  const int nTypes = static_cast<int>(types.size());

  // Final position of each type.
  std::vector<int> position(static_cast<std::size_t>(nTypes) + 1);
  std::vector<std::string> label(static_cast<std::size_t>(nTypes) + 1);
  for (int t = 1; t <= nTypes; ++t) {
    const auto [a, b] = idx.codes(locusA, types[static_cast<std::size_t>(t) - 1].first);
    const auto [c, d] = idx.codes(locusB, types[static_cast<std::size_t>(t) - 1].second);
    label[static_cast<std::size_t>(t)] = std::to_string(a) + std::to_string(b) + std::to_string(c) + std::to_string(d);
  }
  {
    std::vector<int> order(static_cast<std::size_t>(nTypes));
    std::iota(order.begin(), order.end(), 1);
    if (!noSort)
      std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return label[static_cast<std::size_t>(x)] < label[static_cast<std::size_t>(y)];
      });
    for (int k = 0; k < nTypes; ++k) position[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])] = k + 1;
  }

  out.NMLGTypes = nTypes;
  out.MLGKey.assign(static_cast<std::size_t>(nTypes) + 1, std::string());
  for (int t = 1; t <= nTypes; ++t)
    out.MLGKey[static_cast<std::size_t>(position[static_cast<std::size_t>(t)])] = std::move(label[static_cast<std::size_t>(t)]);
  out.MLGFreq.resize(g.nPop, nTypes);
  out.NIdentAll = makeVec1<int>(g.nPop);
  out.MLGDiversity = makeVec1<Cell>(g.nPop);
  out.MLGNTypes = makeVec1<int>(g.nPop);

  std::vector<int> count(static_cast<std::size_t>(nTypes) + 1, 0);
  std::vector<double> eA, eB;
  double realised = 0;
  int withTypes = 0;
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    const auto pu = static_cast<std::size_t>(p);

    // Expected diversity: 1 / the sum of squared expected type frequencies, over every type found anywhere.
    expectedGenotypeFreq(idx, AlleleFreq, p, locusA, eA);
    expectedGenotypeFreq(idx, AlleleFreq, p, locusB, eB);
    double expectedSquares = 0;
    for (const auto& [a, b] : types) {
      const double e = eA[static_cast<std::size_t>(a)] * eB[static_cast<std::size_t>(b)];
      expectedSquares += e * e;
    }

    const std::size_t from = start[pu], to = start[pu + 1];
    const int typed = static_cast<int>(to - from);
    out.NIdentAll[pu] = typed;
    if (typed == 0) continue;
    for (std::size_t i = from; i < to; ++i) ++count[static_cast<std::size_t>(typeOf[i])];
    double sum = 0;
    for (int t = 1; t <= nTypes; ++t) sum += static_cast<double>(count[static_cast<std::size_t>(t)]) / typed;
    double squares = 0;
    int held = 0;
    TypeFrequencies::Row cells;
    for (int t = 1; t <= nTypes; ++t) {
      int& c = count[static_cast<std::size_t>(t)];
      if (c == 0) continue;
      const double f = static_cast<double>(c) / typed / sum;
      c = 0;
      cells.emplace_back(position[static_cast<std::size_t>(t)], f);
      squares += f * f;
      ++held;
    }
    out.MLGFreq.setRow(p, std::move(cells));
    out.MLGNTypes[pu] = held;
    // A sum of squared type frequencies, each 0 or at least a member's share squared: 0 only exactly.
    if (squares > 0) out.MLGDiversity[pu] = 1 / squares;
    ++withTypes;
    // Observed over expected diversity, (1 / squares) / (1 / expectedSquares): no division by an
    // expected diversity that is not there.
    realised += *out.MLGDiversity[pu] * expectedSquares;
  }
  if (withTypes == 0) return std::nullopt;
  return realised / withTypes;
}

TwoLocusRow Two_Locus_Analysis(const TwoLocusInputs& in, const LocusGenotypeIndex& idx, int locusA, int locusB,
                               MultilocusGenotypes& types) {
  const GenotypeReader& g = in.g;
  TwoLocusRow row;
  row.V_R = Gen_MG_Two_Loci(g, idx, locusA, locusB, *in.AlleleFreq, in.noSort, types);
  row.N_MG = types.NMLGTypes;

  int selected = 0;
  double diversity = 0;
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    ++selected;
    if (const Cell& v = types.MLGDiversity[static_cast<std::size_t>(p)]) diversity += *v;
  }
  if (selected > 0) row.V_MG = diversity / selected;

  Table2<Cell> M;
  Calc_Dist_Multilocus(g, types, M);
  // A population without a fully typed individual has no type frequencies, so no two-locus distance:
  // its pairs stay out of the mean and of its correlation with space.
  std::vector<double> dist, geo, dgA, dgB;
  for (int p = 1; p < g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int q = p + 1; q <= g.nPop; ++q) {
      if (!g.popOn(q)) continue;
      dgA.push_back(in.DistDG(p, q, locusA));
      dgB.push_back(in.DistDG(p, q, locusB));
      if (!M(p, q)) continue;
      dist.push_back(*M(p, q));
      geo.push_back((*in.GeoDist)(p, q));
    }
  }
  if (!dist.empty()) row.DG_M = std::accumulate(dist.begin(), dist.end(), 0.0) / static_cast<double>(dist.size());
  row.r_DGM_SD = pearson(dist, geo);
  row.r_DG_GD = pearson(dgA, dgB);
  return row;
}

TwoLocusTable Two_Locus_Table(const TwoLocusInputs& in, const std::vector<int>& loci, const RunContext& run) {
  TwoLocusTable t;
  for (std::size_t i = 0; i < loci.size(); ++i)
    for (std::size_t j = i + 1; j < loci.size(); ++j) t.pairs.emplace_back(loci[i], loci[j]);
  t.rows.resize(t.pairs.size());
  const LocusGenotypeIndex idx(in.g, loci);
  const int nLoci = in.g.nLoci;
  // One record of types per thread of the loop, reused from pair to pair.
  std::vector<MultilocusGenotypes> scratch(static_cast<std::size_t>(loopThreads()));
  std::size_t first = 0;
  for (int a = 1; a < nLoci; ++a) {
    run.progress(masked(static_cast<double>(a) / nLoci * 100, "0.0", run.decimalSign));
    std::size_t end = first;
    while (end < t.pairs.size() && t.pairs[end].first == a) ++end;
    parallelForSlots(static_cast<int>(end - first), [&](int k, int slot) {
      const std::size_t i = first + static_cast<std::size_t>(k);
      t.rows[i] = Two_Locus_Analysis(in, idx, t.pairs[i].first, t.pairs[i].second, scratch[static_cast<std::size_t>(slot)]);
    });
    first = end;
  }
  return t;
}

}  // namespace kiwora
