#pragma once
// Small genotype fixtures written as literals: populations of individuals of (allele, allele) per locus.
#include <utility>
#include <vector>

#include "model/genotypes.h"
#include "base/table.h"
#include "stats/population_copy.h"
#include "stats/genotype_view.h"

namespace kiwora::testing {

using Genotype = std::pair<int, int>;
using Individual = std::vector<Genotype>;  // one pair per locus
using Population = std::vector<Individual>;

struct Fixture {
  GenotypeData data;
  Vec1<int> popSel, locSel;
  int maxAllele = 0;

  // Every population and locus selected; nLoci taken from the first individual found.
  Fixture(int maxA, const std::vector<Population>& pops, int nLoci = 0) : maxAllele(maxA) {
    const int nPop = static_cast<int>(pops.size());
    for (const auto& p : pops)
      if (!p.empty() && nLoci == 0) nLoci = static_cast<int>(p[0].size());
    Vec1<int> nInd = makeVec1<int>(nPop);
    for (int p = 1; p <= nPop; ++p) nInd[static_cast<std::size_t>(p)] = static_cast<int>(pops[static_cast<std::size_t>(p - 1)].size());
    data.resize(nPop, nLoci, nInd);
    for (int p = 1; p <= nPop; ++p)
      for (int j = 1; j <= nInd[static_cast<std::size_t>(p)]; ++j)
        for (int l = 1; l <= nLoci; ++l) {
          const Genotype& gt = pops[static_cast<std::size_t>(p - 1)][static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(l - 1)];
          data.a1(p, l, j) = gt.first;
          data.a2(p, l, j) = gt.second;
        }
    popSel = makeVec1<int>(nPop, 1);
    popSel[0] = 0;
    locSel = makeVec1<int>(nLoci, 1);
    locSel[0] = 0;
  }

  GenotypeView view() { return viewOfCopy(data, maxAllele, popSel, locSel); }
};

}  // namespace kiwora::testing
