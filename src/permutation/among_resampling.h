#pragma once
// Random reallocations of whole individuals among populations for the test among all populations.
#include <vector>

#include "model/genotypes.h"
#include "base/table.h"
#include "permutation/resampling.h"
#include "base/random.h"

namespace kiwora {

// Every individual of every population of `g` at the selected loci, gathered once for all permutations.
PooledSample poolOfAllPopulations(const GenotypeData& g, const Vec1<int>& locSel);
// The population sizes of `g`, 1..nPop in order.
std::vector<int> populationSizes(const GenotypeData& g);

// `out` receives the pooled individuals in a uniform random order, dealt population by population with
// the given sizes; an individual moves with all its selected loci. `scratch` is the calling thread's
// working space.
void Permute_Individuals_All_Pops(const PooledSample& pool, const std::vector<int>& sizes, Random& rng,
                                  GenotypeData& out, DealScratch& scratch);

}  // namespace kiwora
