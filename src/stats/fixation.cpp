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
  int n = v.selectedLoci();
  if (pops.size() < 2 || n == 0) return false;

  // Loci are independent of each other.
  double sum = 0, sumN = 0;
  bool allStandardised = true;
  std::vector<int> typed;
  for (int l = 1; l <= v.nLoci; ++l) {
    if (!v.locOn(l)) continue;
    // A population without data at the locus has no frequencies to pool: it stays out of this locus.
    typed.clear();
    for (int p : pops)
      if (He(p, l)) typed.push_back(p);
    const double k = static_cast<double>(typed.size());
    if (typed.size() < 2) {
      --n;  // nothing to compare at this locus: it stays out of both means
      continue;
    }
    double sumSq = 0;
    for (int a : presentCodesAt(v, AlleleFreq, l, presentCodes, 1)) {
      double mean = 0;
      for (int p : typed) mean += AlleleFreq(p, l, a);
      mean /= k;
      sumSq += mean * mean;
    }
    const double ht = 1 - sumSq;
    double hs = 0;
    for (int p : typed) hs += *He(p, l);
    hs /= k;

    // Ht and 1 - Hs are differences of values of size 1: a locus fixed everywhere has neither.
    const double fst = vanishes(ht, 1) ? 0 : (ht - hs) / ht;
    const double fstMax = (k - 1) * (1 - hs) / (k - 1 + hs);
    FstLoc[static_cast<std::size_t>(l)] = fst;
    sum += fst;
    if (!vanishes(fstMax, 1)) {
      FstNLoc[static_cast<std::size_t>(l)] = fst / fstMax;
      sumN += fst / fstMax;
    } else {
      allStandardised = false;
    }
  }
  if (n == 0) return true;
  FstTotal = sum / n;
  if (allStandardised) FstNTotal = sumN / n;
  return true;
}

}  // namespace kiwora
