#pragma once
// The list of single-locus genotypes per bi-parental selected locus with their frequencies in every
// population (selected or not).
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora {

struct GenotypeTable {
  Vec1<int> NGenoTypes;                              // (locus): genotypes listed, 0 when not tabulated
  Vec1<std::vector<std::string>> GenoKey;            // [locus][k], k 1..NGenoTypes: "smaller_larger"
  Vec1<std::vector<std::array<int, 2>>> GenoAlleles; // [locus][k]: the two codes, smaller first
  Vec1<Table2<double>> GenoFreq;                     // [locus](population 0..nPop, k 0..NGenoTypes)
  Table2<int> GenoSampleN;                           // (population, locus): individuals with both alleles

  // Number k of the genotype (a, b) at the locus (either order), 0 when not listed.
  int find(int locus, int a, int b) const;
  // Lists (a, b) at the end of the locus's list, with frequency 0 in every population, unless it is there.
  int append(int locus, int a, int b);
  // Rebuilds the lookup after the lists were changed from outside.
  void reindex();

 private:
  Vec1<std::unordered_map<std::uint64_t, int>> index_;
};

// Tabulates the loci selected in the view whose mode is bi-parental (locMode 1), over every population
// 1..nPop; sortByKey orders each list by key as text, otherwise the order of first appearance stays.
void Calc_Genotype_Freq(const GenotypeReader& g, const Vec1<int>& locMode, bool sortByKey, GenotypeTable& out);

}  // namespace kiwora
