#include "stats/fixation.h"

#include <vector>

#include "base/tolerance.h"

namespace kiwora {

bool Calc_Fst(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<Cell>& He, Vec1<Cell>& FstLoc,
              Cell& FstTotal, Vec1<Cell>& FstNLoc, Cell& FstNTotal, const PresentCodeLists* presentCodes) {
  FstLoc = makeVec1<Cell>(v.nLoci);
  FstNLoc = makeVec1<Cell>(v.nLoci);
  FstTotal.reset();
  FstNTotal.reset();
  const std::vector<int> pops = v.selectedPops();
  if (pops.size() < 2 || v.selectedLoci() == 0) return false;

  // Loci are independent of each other.
  FixationTotals totals;
  std::vector<int> typed;
  for (int l = 1; l <= v.nLoci; ++l) {
    if (!v.locOn(l)) continue;
    // A population without data at the locus has no frequencies to pool: it stays out of this locus.
    typed.clear();
    for (int p : pops)
      if (He(p, l)) typed.push_back(p);
    if (typed.size() < 2) continue;  // nothing to compare at this locus: it stays out of both means
    const LocusFixation x = fixationAtLocus(
        presentCodesAt(v, AlleleFreq, l, presentCodes, 1), typed, [&](int p, int a) { return AlleleFreq(p, l, a); },
        [&](int p) { return *He(p, l); });
    totals.add(x, FstLoc[static_cast<std::size_t>(l)], FstNLoc[static_cast<std::size_t>(l)]);
  }
  totals.finish(FstTotal, FstNTotal);
  return true;
}

}  // namespace kiwora
