#pragma once
// The tests' own copies of genotypes: a run works on them, never on the data set's working genotypes.
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

// A copy as the statistics take it: its populations 1..g.nPop() with the slots flagged in `slots` and the
// loci flagged in `locSel` (both must outlive the view).
GenotypeView viewOfCopy(GenotypeData& g, int maxAllele, const Vec1<int>& slots, const Vec1<int>& locSel);

}  // namespace kiwora
