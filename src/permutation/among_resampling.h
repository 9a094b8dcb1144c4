#pragma once
// One random reallocation of whole individuals among populations for the test among all populations.
#include "model/genotypes.h"
#include "model/table.h"
#include "platform/random.h"

namespace kiwora {

// `out` receives the individuals of every population of `g` in a uniform random order, dealt population
// by population so that each keeps its size; an individual moves with all its selected loci.
void Permute_Individuals_All_Pops(const GenotypeData& g, const Vec1<int>& locSel, Random& rng, GenotypeData& out);

}  // namespace kiwora
