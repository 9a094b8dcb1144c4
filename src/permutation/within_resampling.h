#pragma once
// Resampled copies of a single population for the test within populations: population 1 of `sample`,
// with as many individuals as the population; only the selected loci are dealt.
#include "model/genotypes.h"
#include "base/table.h"
#include "permutation/resampling.h"
#include "base/random.h"

namespace kiwora {

// The individuals of population `pop` at the selected loci, gathered once for all its permutations.
PooledSample poolOfPopulation(const GenotypeData& g, int pop, const Vec1<int>& locSel);

// The 2n allele copies of every selected locus (missing codes included) dealt out again in a uniform
// random order, two to each individual: every copy is dealt exactly once.
void Permute_Alleles_Within_Pop(const PooledSample& pool, Random& rng, GenotypeData& sample);

// Every single-locus genotype kept whole and shuffled uniformly among the individuals, each selected
// locus on its own.
void Permute_Genotypes_Per_Locus(const PooledSample& pool, Random& rng, GenotypeData& sample);

}  // namespace kiwora
