#pragma once
// The allele codes a sum over alleles has to visit at one locus: those with a frequency above 0 in some
// selected population. The codes that no selected population carries add exact zeros to every such sum,
// so leaving them out changes no result and makes the cost follow the alleles present, not the largest
// code.
#include <vector>

#include "model/allele_freq_table.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Per locus 1..nLoci, ascending (AlleleStats::PresentCodes); null when the caller does not have them.
using PresentCodeLists = std::vector<std::vector<int>>;

// The codes from `from` up to maxAllele present at locus l: taken from `known` when given, else found in
// the frequency table.
std::vector<int> presentCodesAt(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, int l,
                                const PresentCodeLists* known, int from = 0);

// One locus's frequencies of the present codes, population after population (pops[i] at
// f[i * codes.size() ...]), for kernels that read them contiguously.
struct CompactFrequencies {
  std::vector<int> codes;
  std::vector<double> f;
  const double* of(std::size_t i) const { return f.data() + i * codes.size(); }
};
CompactFrequencies compactFrequencies(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, int l,
                                      const std::vector<int>& pops, const PresentCodeLists* known, int from = 0);

}  // namespace kiwora
