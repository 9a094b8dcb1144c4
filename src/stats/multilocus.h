#pragma once
// Multilocus genotypes (types) over the selected loci and the distance between their frequency profiles.
#include <string>

#include "model/cell.h"
#include "model/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

struct MultilocusGenotypes {
  int NMLGTypes = 0;
  // (type 0..NMLGTypes): printed label, the codes of every selected locus joined without separator, the
  // smaller first. Two types may share a label; they are still told apart by their codes.
  Vec1<std::string> MLGKey;
  Table2<double> MLGFreq;  // (population 0..nPop, type 0..NMLGTypes)
  Vec1<int> NIdentAll;     // (population): individuals typed at every selected locus
  Vec1<Cell> MLGDiversity; // (population): 1 / sum of squared type frequencies
  Vec1<int> MLGNTypes;     // (population): types with frequency > 0
};

// Puts every genotype of the selected populations at the selected loci in order in place (smaller code
// first, a missing -1 first), then builds the types of the individuals typed at every selected locus.
// The types are sorted by label as text unless noSort, which keeps the order of first appearance.
void Calc_Multilocus_Genotypes(const GenotypeView& g, bool noSort, MultilocusGenotypes& out);

// Half the summed absolute differences of the type frequencies for every pair of selected populations;
// undefined for a population without any type.
void Calc_Dist_Multilocus(const GenotypeView& g, const MultilocusGenotypes& mlg, Table2<Cell>& DistMLG);

}  // namespace kiwora
