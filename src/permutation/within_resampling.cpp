#include "permutation/within_resampling.h"

namespace kiwora {

PooledSample poolOfPopulation(const GenotypeData& g, int pop, const Vec1<int>& locSel) {
  const int pops[] = {pop};
  return PooledSample(g, poolOf(g, pops), locSel);
}

void Permute_Alleles_Within_Pop(const PooledSample& pool, Random& rng, GenotypeData& sample) {
  const int sizes[] = {pool.rows()};
  pool.deal(ResamplingUnit::Alleles, sizes, rng, sample);
}

void Permute_Genotypes_Per_Locus(const PooledSample& pool, Random& rng, GenotypeData& sample) {
  const int sizes[] = {pool.rows()};
  pool.deal(ResamplingUnit::SingleLocus, sizes, rng, sample);
}

}  // namespace kiwora
