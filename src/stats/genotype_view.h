#pragma once
// What every statistic runs on: the data set, or one or two resampled samples of a permutation test
// (population slots 1..nPop), with the selection flags of the data set.
#include <vector>

#include "model/dataset.h"
#include "model/genotypes.h"
#include "base/table.h"

namespace kiwora {

struct GenotypeView {
  int nPop = 0;                       // population slots 1..nPop
  int nLoci = 0;                      // loci 1..nLoci
  int maxAllele = 0;                  // allele codes 1..maxAllele
  GenotypeData* genotypes = nullptr;  // Allele1/Allele2; the multilocus build orders them in place
  const Vec1<int>* popSel = nullptr;  // slot k takes part when (*popSel)[k] == 1
  const Vec1<int>* locSel = nullptr;

  bool popOn(int p) const { return p < static_cast<int>(popSel->size()) && (*popSel)[static_cast<std::size_t>(p)] == 1; }
  bool locOn(int l) const { return l < static_cast<int>(locSel->size()) && (*locSel)[static_cast<std::size_t>(l)] == 1; }
  int nInd(int p) const { return genotypes->nInd(p); }
  // The selected population slots, ascending, and the number of selected loci.
  std::vector<int> selectedPops() const {
    std::vector<int> pops;
    for (int p = 1; p <= nPop; ++p)
      if (popOn(p)) pops.push_back(p);
    return pops;
  }
  int selectedLoci() const {
    int n = 0;
    for (int l = 1; l <= nLoci; ++l) n += locOn(l);
    return n;
  }
  int a1(int p, int l, int j) const { return genotypes->a1(p, l, j); }
  int a2(int p, int l, int j) const { return genotypes->a2(p, l, j); }
};

// The working genotypes of a data set with its selection.
inline GenotypeView viewOf(DataSet& ds, const Selection& sel) {
  GenotypeView v;
  v.nPop = ds.NPop;
  v.nLoci = ds.NLoci;
  v.maxAllele = ds.MaxAllele;
  v.genotypes = &ds.Allele;
  v.popSel = &sel.PopSel;
  v.locSel = &sel.LocSel;
  return v;
}

}  // namespace kiwora
