#pragma once
// The tests' own copies of genotypes: a run works on them, never on the data set's working genotypes.
#include <vector>

#include "model/genotypes.h"
#include "model/table.h"

namespace kiwora {

// The populations flagged 1 in popSel among 1..nPop, ascending.
std::vector<int> selectedPopulations(const Vec1<int>& popSel, int nPop);

// The genotypes of the given populations (every locus), renumbered 1..n in the order given.
GenotypeData copyOfPopulations(const GenotypeData& g, const std::vector<int>& pops);

}  // namespace kiwora
