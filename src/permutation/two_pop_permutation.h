#pragma once
// The permutation test between two populations: the statistics of a pair, observed on the data and
// recomputed on resampled pairs, and the probability of a value at least as extreme as the observed one.
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "base/cell.h"
#include "model/dataset.h"
#include "model/run_memory.h"
#include "base/table.h"
#include "permutation/resampling.h"

namespace kiwora {

// The statistics a run tests, as ticked in the analysis window.
struct TwoPopStatistics {
  bool diversityV = false;
  bool distDG = false;
  bool distMLG = false;  // only with distDG
  bool distDN = false;
  bool dominant = false;  // allele frequencies with the correction for dominant markers
};

// The statistics of one pair, sample slots 1 and 2; per locus tables 0..nLoci.
struct PairStatistics {
  Vec1<Cell> v1, v2;
  Cell vMean1, vMean2;
  Vec1<double> dg;
  double dgMean = 0;
  Cell mlg;
  Vec1<Cell> dn;   // infinite where the samples share no allele; undefined where one has no gene copy
  Cell dnMean;
};

// Permuted values as extreme as the observed one, out of the permutations where both are defined.
struct ExtremeCount {
  int hits = 0;
  int defined = 0;
  // hits / defined; undefined when no permutation could be compared.
  Cell probability() const;
};

struct PairResult {
  int pop1 = 0, pop2 = 0;
  PairStatistics observed;
  Vec1<ExtremeCount> v, dg, dn;  // per locus; empty for a statistic not tested
  ExtremeCount vPool, dgPool, mlg, dnPool;
};

struct TwoPopRun {
  int nPerm = 1000;
  ResamplingUnit unit = ResamplingUnit::Alleles;
  bool smallestSize = false;  // both samples the size of the smaller population
  TwoPopStatistics stats;
  std::uint64_t seed = 0;     // the run seed; permutation k of pair u has its own stream
};

// Called between blocks of permutations: the pair under test and the share of its permutations done.
using PairProgress = std::function<void(int pop1, int pop2, int percent)>;

// The results a run keeps for its pairs: the observed values and the counts of every locus of each pair
// for the statistics tested, and the SUMMARY's index of the pairs.
TableNeed twoPopTableNeed(const std::vector<std::pair<int, int>>& pairs, int nLoci, const TwoPopStatistics& which);

// Tests every pair (in the order given: v differences read pop1 - pop2) of the data set's genotypes under the selection `sel`. The pair
// at position u of `pairs` draws from the streams of unit u. Permutations run spread over the cores; the
// results do not depend on the number of threads.
std::vector<PairResult> Test_Two_Pops(const DataSet& ds, const Selection& sel, const std::vector<std::pair<int, int>>& pairs,
                                      const TwoPopRun& run, const PairProgress& progress = {});

// The statistics of a pair of samples held in slots 1 and 2 of `pair` (the multilocus build puts the
// genotypes in order in place).
void pairStatistics(GenotypeData& pair, int maxAllele, const Vec1<int>& locSel, const TwoPopStatistics& which,
                    PairStatistics& out);

}  // namespace kiwora
