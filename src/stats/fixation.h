#pragma once
// Fixation Fst = (Ht - Hs) / Ht per selected locus, and Hedrick's (2005) standardised Fst / Fst_max.
#include <vector>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/tolerance.h"
#include "base/table.h"
#include "stats/genotype_view.h"
#include "stats/present_codes.h"

namespace kiwora {

// Fst of one locus and Hedrick's maximum for it.
struct LocusFixation {
  double fst = 0, fstMax = 0;
};

// The locus's Fst over the populations `pops` (two or more, each with gene copies there): Ht from their
// unweighted mean frequencies freq(p, c) of the codes `codes`, Hs the mean of he(p). The analysis and
// the test among all populations both take Fst from here.
template <class Codes, class Freq, class He>
LocusFixation fixationAtLocus(const Codes& codes, const std::vector<int>& pops, Freq&& freq, He&& he) {
  const double k = static_cast<double>(pops.size());
  double sumSq = 0;
  for (const auto c : codes) {
    double mean = 0;
    for (int p : pops) mean += freq(p, c);
    mean /= k;
    sumSq += mean * mean;
  }
  const double ht = 1 - sumSq;
  double hs = 0;
  for (int p : pops) hs += he(p);
  hs /= k;
  // Ht and 1 - Hs are differences of values of size 1: a locus fixed everywhere has neither. Ht sums the
  // squares of means over k populations: an ulp of 1 more per population than a frequency term.
  return {vanishes(ht, ofSums(k, kFrequencyTermUlps, 1)) ? 0 : (ht - hs) / ht, (k - 1) * (1 - hs) / (k - 1 + hs)};
}

// Fst_max = (k - 1)(1 - Hs) / (k - 1 + Hs) is 0 in exact arithmetic only with Hs = 1, which no sample
// has; the rule keeps rounding from deciding it. Hs is a mean over k populations of values off by the
// frequency terms, and by an ulp of 1 per population: four times the terms covers k up to 700.
inline constexpr Rounding kFstMaxRounding{4 * kFrequencyTermUlps, 1};

// The means of Fst and of the standardised Fst over the loci compared. A locus with Fst_max = 0 has no
// standardised value, and then neither has the mean.
struct FixationTotals {
  double sum = 0, sumN = 0;
  int loci = 0;
  bool allStandardised = true;

  void add(const LocusFixation& x, Cell& fst, Cell& fstN) {
    ++loci;
    fst = x.fst;
    sum += x.fst;
    if (!vanishes(x.fstMax, kFstMaxRounding)) {
      fstN = x.fst / x.fstMax;
      sumN += x.fst / x.fstMax;
    } else {
      allStandardised = false;
    }
  }
  void finish(Cell& total, Cell& totalN) const {
    if (loci == 0) return;
    total = sum / loci;
    if (allStandardised) totalN = sumN / loci;
  }
};

// Hs is the mean of He (pop, locus) over the selected populations; Ht comes from the unweighted mean
// frequencies of the codes 1..maxAllele. Fst_max = (k - 1)(1 - Hs) / (k - 1 + Hs) for k populations.
// Sizes FstLoc and FstNLoc (locus) itself. A locus where fewer than two selected populations have data
// compares nothing: both its values stay undefined and it is left out of the totals. A locus with
// Fst_max = 0 leaves its standardised value undefined, and so the standardised total. Returns false, with
// everything left undefined, unless at least two populations and one locus are selected.
bool Calc_Fst(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<Cell>& He, Vec1<Cell>& FstLoc,
              Cell& FstTotal, Vec1<Cell>& FstNLoc, Cell& FstNTotal,
              const PresentCodeLists* presentCodes = nullptr);

}  // namespace kiwora
