#include "permutation/within_resampling.h"

#include "permutation/resampling.h"

namespace kiwora {
namespace {

void dealWithin(const GenotypeData& g, int pop, const Vec1<int>& locSel, PermUnit unit, Random& rng,
                GenotypeData& sample) {
  const int pops[] = {pop};
  const int sizes[] = {g.nInd(pop)};
  dealPool(g, poolOf(g, pops), locSel, unit, sizes, rng, sample);
}

}  // namespace

void Permute_Alleles_Within_Pop(const GenotypeData& g, int pop, const Vec1<int>& locSel, Random& rng,
                                GenotypeData& sample) {
  dealWithin(g, pop, locSel, PermUnit::Alleles, rng, sample);
}

void Permute_Genotypes_Per_Locus(const GenotypeData& g, int pop, const Vec1<int>& locSel, Random& rng,
                                 GenotypeData& sample) {
  dealWithin(g, pop, locSel, PermUnit::SingleLocus, rng, sample);
}

}  // namespace kiwora
