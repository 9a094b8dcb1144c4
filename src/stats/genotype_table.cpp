#include "stats/genotype_table.h"

#include <algorithm>
#include <numeric>

#include "stats/allele_codes.h"
#include "stats/pair_index.h"

namespace kiwora {
namespace {

std::string genotypeKey(int a, int b) { return std::to_string(std::min(a, b)) + "_" + std::to_string(std::max(a, b)); }

}  // namespace

int GenotypeTable::find(int locus, int a, int b) const {
  const auto& m = index_[static_cast<std::size_t>(locus)];
  auto it = m.find(pairKey(a, b));
  return it == m.end() ? 0 : it->second;
}

int GenotypeTable::append(int locus, int a, int b) {
  const auto l = static_cast<std::size_t>(locus);
  auto [it, fresh] = index_[l].try_emplace(pairKey(a, b), NGenoTypes[l] + 1);
  if (!fresh) return it->second;
  const int k = ++NGenoTypes[l];
  GenoKey[l].push_back(genotypeKey(a, b));
  GenoAlleles[l].push_back({std::min(a, b), std::max(a, b)});
  Table2<double>& old = GenoFreq[l];
  Table2<double> grown(old.n1(), k);
  for (int p = 1; p <= old.n1(); ++p)
    for (int c = 1; c < k; ++c) grown(p, c) = old(p, c);
  old = std::move(grown);
  return k;
}

void GenotypeTable::reindex() {
  index_.assign(NGenoTypes.size(), {});
  for (std::size_t l = 1; l < NGenoTypes.size(); ++l)
    for (int k = 1; k <= NGenoTypes[l]; ++k) {
      const auto& codes = GenoAlleles[l][static_cast<std::size_t>(k)];
      index_[l].emplace(pairKey(codes[0], codes[1]), k);
    }
}

void Calc_Genotype_Freq(const GenotypeReader& g, const Vec1<int>& locMode, bool sortByKey, GenotypeTable& out) {
  const auto nl = static_cast<std::size_t>(g.nLoci) + 1;
  out.NGenoTypes = makeVec1<int>(g.nLoci);
  out.GenoKey.assign(nl, std::vector<std::string>(1));
  out.GenoAlleles.assign(nl, std::vector<std::array<int, 2>>(1, std::array<int, 2>{0, 0}));
  out.GenoFreq.assign(nl, Table2<double>(g.nPop, 0));
  out.GenoSampleN.resize(g.nPop, g.nLoci);

  PairIndex number(g.maxAllele, g.copiesPerLocus());  // per pair: its genotype number, 0 before it is listed
  std::vector<int> listed;  // genotype number of each typed individual, populations in order
  for (int l = 1; l <= g.nLoci; ++l) {
    const auto lu = static_cast<std::size_t>(l);
    if (!g.locOn(l) || l >= static_cast<int>(locMode.size()) || locMode[lu] != 1) continue;
    number.clear();
    for (int p = 1; p <= g.nPop; ++p) {
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j)
        if (isTyped(x1[j], g.maxAllele) && isTyped(x2[j], g.maxAllele)) {
          number.addCode(x1[j]);
          number.addCode(x2[j]);
        }
    }
    number.prepare(0);
    auto& keys = out.GenoKey[lu];
    auto& codes = out.GenoAlleles[lu];
    listed.clear();
    // Every population, selected or not.
    for (int p = 1; p <= g.nPop; ++p) {
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      int typed = 0;
      for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j) {
        const int a = x1[j], b = x2[j];
        if (!isTyped(a, g.maxAllele) || !isTyped(b, g.maxAllele)) continue;
        int& k = number(a, b);
        if (k == 0) {
          k = static_cast<int>(keys.size());
          keys.push_back(genotypeKey(a, b));
          codes.push_back({std::min(a, b), std::max(a, b)});
        }
        listed.push_back(k);
        ++typed;
      }
      out.GenoSampleN(p, l) = typed;
    }
    const int n = static_cast<int>(keys.size()) - 1;
    out.NGenoTypes[lu] = n;

    // Position of each genotype in the final list.
    std::vector<int> position(static_cast<std::size_t>(n) + 1);
    std::iota(position.begin(), position.end(), 0);
    if (sortByKey) {
      std::vector<int> order(static_cast<std::size_t>(n));
      std::iota(order.begin(), order.end(), 1);
      std::stable_sort(order.begin(), order.end(),
                       [&](int x, int y) { return keys[static_cast<std::size_t>(x)] < keys[static_cast<std::size_t>(y)]; });
      std::vector<std::string> sortedKeys(1);
      std::vector<std::array<int, 2>> sortedCodes(1, std::array<int, 2>{0, 0});
      for (int k = 0; k < n; ++k) {
        const auto old = static_cast<std::size_t>(order[static_cast<std::size_t>(k)]);
        position[old] = k + 1;
        sortedKeys.push_back(std::move(keys[old]));
        sortedCodes.push_back(codes[old]);
      }
      keys = std::move(sortedKeys);
      codes = std::move(sortedCodes);
    }

    Table2<double>& freq = out.GenoFreq[lu];
    freq.resize(g.nPop, n);
    std::size_t next = 0;
    for (int p = 1; p <= g.nPop; ++p) {
      const int typed = out.GenoSampleN(p, l);
      for (int i = 0; i < typed; ++i) freq(p, position[static_cast<std::size_t>(listed[next++])]) += 1;
      if (typed > 0)
        for (int k = 1; k <= n; ++k) freq(p, k) /= typed;
    }
  }
  out.reindex();
}

}  // namespace kiwora
