#pragma once
// What every statistic runs on: the data set, or one or two resampled samples of a permutation test
// (population slots 1..nPop), with the selection flags of the data set.
#include <cstddef>
#include <type_traits>
#include <vector>

#include "model/dataset.h"
#include "model/genotypes.h"
#include "base/table.h"

namespace kiwora {

// `Genotypes` is GenotypeData for a view through which the multilocus build may order the alleles in
// place, const GenotypeData for one that can only read them.
template <class Genotypes>
struct BasicGenotypeView {
  int nPop = 0;                       // population slots 1..nPop
  int nLoci = 0;                      // loci 1..nLoci
  int maxAllele = 0;                  // allele codes 1..maxAllele
  Genotypes* genotypes = nullptr;     // Allele1/Allele2
  const Vec1<int>* popSel = nullptr;  // slot k takes part when (*popSel)[k] == 1
  const Vec1<int>* locSel = nullptr;

  BasicGenotypeView() = default;
  // A view that may write is also one that reads.
  template <class Other>
    requires(std::is_same_v<const Other, Genotypes> && !std::is_same_v<Other, Genotypes>)
  BasicGenotypeView(const BasicGenotypeView<Other>& v)
      : nPop(v.nPop), nLoci(v.nLoci), maxAllele(v.maxAllele), genotypes(v.genotypes), popSel(v.popSel),
        locSel(v.locSel) {}

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
  // The gene copies of a locus over populations 1..nPop, selected or not.
  std::size_t copiesPerLocus() const {
    std::size_t n = 0;
    for (int p = 1; p <= nPop; ++p) n += 2 * static_cast<std::size_t>(nInd(p));
    return n;
  }
  int a1(int p, int l, int j) const { return genotypes->a1(p, l, j); }
  int a2(int p, int l, int j) const { return genotypes->a2(p, l, j); }
};

using GenotypeView = BasicGenotypeView<GenotypeData>;
// For the runs that only read the genotypes (kinship, the two-locus table): they work on what a window
// hands them without being able to change it.
using GenotypeReader = BasicGenotypeView<const GenotypeData>;

namespace detail {
template <class View, class Data>
View viewOver(Data& ds, const Selection& sel) {
  View v;
  v.nPop = ds.NPop;
  v.nLoci = ds.NLoci;
  v.maxAllele = ds.MaxAllele;
  v.genotypes = &ds.Allele;
  v.popSel = &sel.PopSel;
  v.locSel = &sel.LocSel;
  return v;
}
}  // namespace detail

// The working genotypes of a data set with its selection.
inline GenotypeView viewOf(DataSet& ds, const Selection& sel) { return detail::viewOver<GenotypeView>(ds, sel); }

// The same, read only.
inline GenotypeReader readerOf(const DataSet& ds, const Selection& sel) {
  return detail::viewOver<GenotypeReader>(ds, sel);
}

}  // namespace kiwora
