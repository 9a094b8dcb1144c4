#pragma once
// The tests' own copies of genotypes: a run works on them, never on the data set's working genotypes.
#include <optional>
#include <span>
#include <vector>

#include "model/genotypes.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// The populations flagged 1 in popSel among 1..nPop, ascending.
std::vector<int> selectedPopulations(const Vec1<int>& popSel, int nPop);

// The genotypes of the given populations (every locus, individuals in their order), renumbered 1..n in
// the order given; a population given twice is copied twice.
GenotypeData copyOfPopulations(const GenotypeData& g, std::span<const int> pops);

// Flags 0..n with every slot 1..n on: the selection of a copy whose populations all take part.
Vec1<int> everySlot(int n);

// Whether the largest code lies far above the codes the genotypes carry, so that the tables a test builds
// again and again by code would cost more than its data.
bool codesOutgrowData(const GenotypeData& g, int maxAllele);

// Renumbers the codes of g 1..k in ascending order, every code kept apart and in its place among the
// others, and returns k, the new largest code; a code above maxAllele becomes -1, missing as before. Codes
// 1 and 2 keep their numbers, since the dominant correction reads them by number. The tests' statistics
// depend on the codes only through their order and identity, so every value stays the same.
int renumberCodes(GenotypeData& g, int maxAllele);

// Genotypes as a test reads them: the given ones, or a copy renumbered as above when their codes lie far
// apart (codesOutgrowData), so that no table a test builds per permutation costs the largest code.
class CompactCodes {
 public:
  CompactCodes(const GenotypeData& g, int maxAllele);
  const GenotypeData& genotypes() const { return copy_ ? *copy_ : *given_; }
  int maxAllele() const { return maxAllele_; }

 private:
  const GenotypeData* given_;
  std::optional<GenotypeData> copy_;
  int maxAllele_;
};

// A copy as the statistics take it: its populations 1..g.nPop() with the slots flagged in `slots` and the
// loci flagged in `locSel` (both must outlive the view).
GenotypeView viewOfCopy(GenotypeData& g, int maxAllele, const Vec1<int>& slots, const Vec1<int>& locSel);

}  // namespace kiwora
