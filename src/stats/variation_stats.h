#pragma once
// Variation within populations: genotype counts, diversity v, evenness, heterozygosity and Fis, degree of
// heterozygosity, polymorphic loci. Each procedure sizes and fills only its own tables of the record, so a
// caller (a permutation test, say) may pass a record of its own.
#include "base/cell.h"
#include "base/table.h"
#include "stats/allele_stats.h"
#include "stats/genotype_view.h"

namespace kiwora {

struct VariationStats {
  // Count_Single_Locus_Genotypes
  Table2<int> NGenotypesLoc;  // (population, locus): distinct unordered genotypes of typed individuals
  Vec1<int> NGenotypesPop;    // (population): their sum over the selected loci
  // Calc_Diversity_V
  Table2<Cell> DiversityV;    // (population, locus)
  Vec1<Cell> DiversityVMean;  // (population): mean over the loci where v is defined
  // Calc_Evenness
  Table2<Cell> Evenness;
  Vec1<Cell> EvennessMean;
  // Calc_Heterozygosity
  Table2<int> NIdentLoc;      // (population, locus): individuals with both alleles present
  Table2<Cell> Ho, He, Fis;
  Vec1<Cell> HoMean, HeMean, FisMean;
  // Calc_Degree_Heterozygosity
  Vec1<int> NIdentAll;        // (population): individuals typed at every selected locus
  Table2<Cell> HetDegreeDist; // (population, class 1..nSelLoci+1): share with class-1 heterozygous loci
  // Calc_Percent_Polymorphic
  Vec1<Cell> PercentPolymorphic;
};

void Count_Single_Locus_Genotypes(const GenotypeView& g, VariationStats& out);
void Calc_Diversity_V(const GenotypeView& g, const AlleleStats& a, VariationStats& out);
void Calc_Evenness(const GenotypeView& g, const AlleleStats& a, VariationStats& out);
void Calc_Heterozygosity(const GenotypeReader& g, const AlleleStats& a, VariationStats& out);
void Calc_Degree_Heterozygosity(const GenotypeView& g, VariationStats& out);
void Calc_Percent_Polymorphic(const GenotypeView& g, const AlleleStats& a, VariationStats& out);

}  // namespace kiwora
