#pragma once
// Multilocus genotypes (types) over the selected loci and the distance between their frequency profiles.
#include <string>
#include <utility>
#include <vector>

#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

// Type frequencies (population 0..nPop, type 0..nTypes). A population holds few of all the types, so
// each keeps only the types it holds, ascending; every other cell reads 0.
class TypeFrequencies {
 public:
  using Row = std::vector<std::pair<int, double>>;
  void resize(int nPop, int nTypes);
  // Population p's (type, frequency) cells in any order; replaces what p held.
  void setRow(int p, Row cells);
  double operator()(int p, int t) const;
  const Row& row(int p) const { return rows_[static_cast<std::size_t>(p)]; }
  int n1() const { return n1_; }
  int n2() const { return n2_; }
  bool empty() const { return rows_.empty(); }

 private:
  int n1_ = 0, n2_ = 0;
  std::vector<Row> rows_;
};

struct MultilocusGenotypes {
  int NMLGTypes = 0;
  // (type 0..NMLGTypes): printed label, the codes of every selected locus joined without separator, the
  // smaller first. Two types may share a label; they are still told apart by their codes.
  Vec1<std::string> MLGKey;
  TypeFrequencies MLGFreq;  // (population 0..nPop, type 0..NMLGTypes)
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
void Calc_Dist_Multilocus(const GenotypeReader& g, const MultilocusGenotypes& mlg, Table2<Cell>& DistMLG);

}  // namespace kiwora
