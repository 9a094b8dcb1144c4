#pragma once
// Allele frequencies and their companions: the first statistic of every computation.
#include <vector>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// MinGeneCount of a locus at which no selected population has a counted copy.
inline constexpr int kNoRarefaction = 20000000;

struct AlleleStats {
  // (population 0..nPop, locus 0..nLoci, allele 0..maxAllele+1): relative frequencies; 0 in every cell of
  // an unselected population or locus and of a population without copies. Slot maxAllele+1 is written only
  // by the dominant correction when maxAllele is 1. Only the codes typed at a locus (and 1 and 2 under the
  // dominant correction) have cells; every other code reads 0.
  AlleleFreqTable AlleleFreq;
  Table2<int> NAlleles;        // (population, locus): codes 0..maxAllele with frequency > 0
  Table2<int> GeneCount;       // (population, locus): copies counted (not missing)
  Vec1<int> MinGeneCount;      // (locus): rarefaction size, the smallest non-zero GeneCount of the selected
                               // populations; kNoRarefaction where none has data
  Table2<Cell> AllelicRichness;  // (population, locus): undefined without data
  // Per locus 1..nLoci, ascending: the codes 0..maxAllele with frequency > 0 in some selected population.
  // Every sum over alleles runs over these only; the absent codes add exact zeros.
  std::vector<std::vector<int>> PresentCodes;
};

// Sizes and fills every table of `out` for the populations and loci selected in the view.
// dominant: the correction for dominant markers (allele 1 recessive, allele 2 dominant).
void Calc_Allele_Freq(const GenotypeReader& g, bool dominant, AlleleStats& out);

}  // namespace kiwora
