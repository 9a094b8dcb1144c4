#pragma once
// What the scorers read of the reference populations: allele frequencies (never with the dominant-marker
// correction), heterozygosity, the maternal and paternal haplotype tables, the allele presence per locus,
// the single-locus genotype list (genetic distance on genotypes) and the logarithms precomputed from them.
// Built once per run (or per left-out group) and only read afterwards, so scorers may run in parallel.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/table.h"
#include "model/allele_freq_table.h"
#include "model/test_groups.h"
#include "stats/allele_stats.h"
#include "stats/genotype_table.h"
#include "stats/genotype_view.h"
#include "stats/variation_stats.h"

namespace kiwora {

// The distinct haplotypes of one mode of inheritance over the selected reference populations.
struct HaplotypeTable {
  std::vector<std::string> keys;  // [h], h 1..size() in order of first appearance; [0] unused
  Table2<double> freq;            // (population, h): share among the population's complete members
  Vec1<int> nComplete;            // (population): members with a complete haplotype

  int size() const { return static_cast<int>(keys.size()) - 1; }
  // Number h of a key, 0 when no reference population has it.
  int find(const std::string& key) const {
    auto it = index_.find(key);
    return it == index_.end() ? 0 : it->second;
  }
  // Adds one complete member of population p with this key.
  void count(int p, const std::string& key);
  // Sizes the table for populations 1..nPop, empty.
  void reset(int nPop);

 private:
  std::unordered_map<std::string, int> index_;
  std::vector<std::vector<double>> counts_;  // [p][h] while counting
  friend void finishHaplotypeTable(HaplotypeTable& t, int nPop);
};

// The key of one individual over the given loci (ascending), its first allele codes joined with "." so that
// codes 1 and 23 differ from 12 and 3. Empty when a code is missing: the haplotype is incomplete.
template <class FirstAllele>
std::string haplotypeKey(const std::vector<int>& loci, FirstAllele&& firstAllele) {
  std::string key;
  for (int l : loci) {
    const int a = firstAllele(l);
    if (a < 0) return {};
    if (!key.empty()) key += '.';
    key += std::to_string(a);
  }
  return key;
}

struct ReferenceTables {
  int nPop = 0, nLoci = 0, maxAllele = 0;
  std::vector<int> candidates;  // the selected reference populations, ascending: the only ones scored
  Vec1<int> isCandidate;        // (population): 1 for a candidate
  std::vector<int> bipLoci, matLoci, patLoci;  // selected loci by mode, ascending

  AlleleStats alleles;       // frequencies of the candidates; GeneCount is the n of the Bayesian prior
  VariationStats variation;  // Ho, He, Fis of the candidates
  HaplotypeTable maternal, paternal;
  // Per locus the codes 1..maxAllele present in a candidate or in a test group; the log tables keep cells
  // for these codes only.
  std::shared_ptr<const LocusCodes> present = std::make_shared<const LocusCodes>();
  Vec1<int> NAllelesLoc;      // (locus): number of present codes, the k of the Bayesian prior
  GenotypeTable genotypes;    // single-locus genotypes, built only for the distance on genotypes
  bool hasGenotypes = false;

  // Precomputed logarithms.
  double minFreqMiss = 0.001;
  double logMinFreqMiss = -3;
  // A code without a cell has frequency 0 in every population, so it reads the value of frequency 0.
  CodeTable logFreq;          // (p, l, a): log10 of the frequency, or of minFreqMiss where it is 0
  CodeTable logPrior;         // (p, l, a): log10(n f + 1/k)
  CodeTable logPrior1;        // (p, l, a): log10(n f + 1 + 1/k)
  Table2<double> logDenom;    // (p, l): log10((n + 1)(n + 2))
  Table2<double> logHapMat, logHapPat;  // (p, h): log10 of the frequency, or of minFreqMiss where it is 0
  std::vector<double> logFact;          // log10(n!) for n up to twice the largest group or population

  double log10Factorial(int n) const;
  // 1 when code a is present at locus l, else 0.
  int AllelePresent(int l, int a) const { return a >= 1 && present->has(l, a) ? 1 : 0; }
};

struct ReferenceBuild {
  double minFreqMiss = 0.001;  // above 0
  bool genotypeTable = false;  // build the single-locus genotype list (genetic distance on genotypes)
  int largestGroup = 0;        // members of the largest group to be scored (sizes the factorial table)
};

// Builds every table from the reference genotypes of the view (its population and locus selection),
// the modes of inheritance and the loaded test groups (which count for the allele presence).
void buildReferenceTables(const GenotypeReader& ref, const Vec1<int>& locMode, const TestGroups& test,
                          const ReferenceBuild& how, ReferenceTables& out);

}  // namespace kiwora
