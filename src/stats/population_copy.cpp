#include "stats/population_copy.h"

namespace kiwora {

std::vector<int> selectedPopulations(const Vec1<int>& popSel, int nPop) {
  std::vector<int> pops;
  for (int p = 1; p <= nPop && p < static_cast<int>(popSel.size()); ++p)
    if (popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);
  return pops;
}

GenotypeData copyOfPopulations(const GenotypeData& g, std::span<const int> pops) {
  const int n = static_cast<int>(pops.size());
  Vec1<int> nInd = makeVec1<int>(n);
  for (int k = 1; k <= n; ++k) nInd[static_cast<std::size_t>(k)] = g.nInd(pops[static_cast<std::size_t>(k - 1)]);
  GenotypeData out;
  out.resize(n, g.nLoci(), nInd);
  for (int k = 1; k <= n; ++k) {
    const int p = pops[static_cast<std::size_t>(k - 1)];
    for (int l = 1; l <= g.nLoci(); ++l) {
      const int* x1 = g.locus1(p, l);
      const int* x2 = g.locus2(p, l);
      int* y1 = out.locus1(k, l);
      int* y2 = out.locus2(k, l);
      for (int j = 1; j <= g.nInd(p); ++j) {
        y1[j] = x1[j];
        y2[j] = x2[j];
      }
    }
  }
  return out;
}

Vec1<int> everySlot(int n) {
  Vec1<int> v = makeVec1<int>(n, 1);
  v[0] = 0;
  return v;
}

GenotypeView viewOfCopy(GenotypeData& g, int maxAllele, const Vec1<int>& slots, const Vec1<int>& locSel) {
  GenotypeView v;
  v.nPop = g.nPop();
  v.nLoci = g.nLoci();
  v.maxAllele = maxAllele;
  v.genotypes = &g;
  v.popSel = &slots;
  v.locSel = &locSel;
  return v;
}

}  // namespace kiwora
