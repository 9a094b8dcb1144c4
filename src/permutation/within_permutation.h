#pragma once
// The test within one population: the observed fixation index, degree of heterozygosity and variation of
// multilocus genotypes against the same statistics on resampled copies of the population.
#include <cstdint>
#include <functional>

#include "base/cell.h"
#include "model/genotypes.h"
#include "model/run_memory.h"
#include "base/table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {

struct WithinTestChoice {
  bool fis = false;      // fixation index per locus and its mean
  bool degree = false;   // classes of the degree of heterozygosity
  bool mlg = false;      // number and diversity of multilocus genotypes
  bool dominant = false; // allele frequencies corrected for dominant markers, as in the analysis
};

struct WithinTestResult {
  int pop = 0;
  int nPerm = 0;
  int nSelLoci = 0;
  // Observed values of the population (slot 1), from the same functions as the permutations.
  VariationStats observed;
  MultilocusGenotypes observedMLG;
  // Share of the permutations at least as extreme as observed; undefined where nothing can be compared.
  Vec1<Cell> FisProb;  // (locus)
  Cell FisMeanProb;
  Vec1<Cell> HetDegreeSimMean, HetDegreeProb;  // (class 1..nSelLoci+1)
  Cell MLGNTypesSimMean, MLGDivSimMean, MLGNTypesProb, MLGDivProb;
};

// The rows a run of one population keeps until they are counted: one per permutation, with a value per
// locus and per class of the degree of heterozygosity when those are tested.
TableNeed withinTestTableNeed(int nPerm, int nLoci, int nSelLoci, const WithinTestChoice& choice);

// Runs nPerm permutations of population `pop` of `g`, spread over the cores; permutation k draws from
// its own stream of runSeed, so the result does not depend on the number of threads. The fixation index
// and the degree of heterozygosity are tested on allele resamplings (genotypes rebuilt from the pooled
// copies), the multilocus genotypes on per-locus genotype shuffles. progress(perm) is called on the
// calling thread before each block of permutations with the number of its first permutation, and with
// nPerm at the end.
WithinTestResult Test_Within_Population(const GenotypeData& g, int maxAllele, int pop, const Vec1<int>& locSel,
                                        int nPerm, const WithinTestChoice& choice, std::uint64_t runSeed,
                                        const std::function<void(int perm)>& progress = {});

}  // namespace kiwora
