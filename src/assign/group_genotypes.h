#pragma once
// One group of individuals as the scorers read it: a slot of a genotype table whose "populations" are
// groups. The loaded test groups, a simulated group in a buffer of its own and a group left out of a
// reference population are all read through this view.
#include "model/genotypes.h"

namespace kiwora {

struct GroupGenotypes {
  const GenotypeData* data = nullptr;
  int slot = 0;

  int nInd() const { return data->nInd(slot); }
  int a1(int l, int i) const { return data->a1(slot, l, i); }
  int a2(int l, int i) const { return data->a2(slot, l, i); }
};

}  // namespace kiwora
