#pragma once
// The test among all populations: differentiation Dj, fixation Fst and standardised Fst, per locus and in
// total, of the observed populations against random reallocations of their individuals.
#include <cstdint>
#include <functional>
#include <vector>

#include "base/cell.h"
#include "model/genotypes.h"
#include "model/run_memory.h"
#include "base/table.h"

namespace kiwora {

struct AmongTestResult {
  std::vector<int> loci;  // the selected loci, ascending: the per-locus columns
  int nPerm = 0;
  // Columns: Dj of each locus, Dj total, Fst of each locus, Fst total, standardised Fst of each locus, its
  // total. Undefined where the statistic is.
  std::vector<Cell> observed;
  std::vector<std::vector<Cell>> permuted;  // [perm 1..nPerm][column]; row 0 unused
  // Share of the permutations (where the column is defined) at or below, and at or above, the observed
  // value; ties count on both sides. Undefined when the observed value is.
  std::vector<Cell> shareAtMost, shareAtLeast;
};

// The columns of one data set: allele frequencies, He, Dj and Fst over every population of `g` and the
// loci selected in locSel, with the functions of the analysis.
std::vector<Cell> amongColumns(GenotypeData& g, int maxAllele, const Vec1<int>& locSel, bool dominant);

// The rows a run keeps until the shares are counted: Dj, Fst and standardised Fst of every selected locus
// and in total, for the observed data and each permutation.
TableNeed amongTestTableNeed(int nPerm, int nSelLoci);

// Permutes the individuals of `g` (the selected populations only, as populations 1..n) nPerm times,
// spread over the cores; permutation k draws from its own stream of runSeed. `g` is only read.
// progress(perm) is called on the calling thread before each block of permutations with the number of
// its first permutation, and with nPerm at the end.
AmongTestResult Test_Among_Populations(const GenotypeData& g, int maxAllele, const Vec1<int>& locSel, int nPerm,
                                       bool dominant, std::uint64_t runSeed,
                                       const std::function<void(int perm)>& progress = {});

}  // namespace kiwora
