#include "stats/present_codes.h"

#include <algorithm>

namespace kiwora {

std::vector<int> presentCodesAt(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, int l,
                                const PresentCodeLists* known, int from) {
  std::vector<int> codes;
  if (known && static_cast<std::size_t>(l) < known->size()) {
    const std::vector<int>& k = (*known)[static_cast<std::size_t>(l)];
    codes.assign(std::lower_bound(k.begin(), k.end(), from), k.end());
    return codes;
  }
  const int last = std::min(v.maxAllele, AlleleFreq.n3());
  std::vector<unsigned char> seen(static_cast<std::size_t>(last < 0 ? 0 : last) + 1, 0);
  for (int p = 1; p <= v.nPop; ++p) {
    if (!v.popOn(p)) continue;
    const auto f = AlleleFreq.row(p, l);
    for (int a = from; a <= last; ++a)
      if (f[a] > 0) seen[static_cast<std::size_t>(a)] = 1;
  }
  for (int a = from; a <= last; ++a)
    if (seen[static_cast<std::size_t>(a)]) codes.push_back(a);
  return codes;
}

CompactFrequencies compactFrequencies(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, int l,
                                      const std::vector<int>& pops, const PresentCodeLists* known, int from) {
  CompactFrequencies c;
  c.codes = presentCodesAt(v, AlleleFreq, l, known, from);
  c.f.resize(pops.size() * c.codes.size());
  double* out = c.f.data();
  for (int p : pops) {
    const auto f = AlleleFreq.row(p, l);
    for (int a : c.codes) *out++ = f[a];
  }
  return c;
}

}  // namespace kiwora
