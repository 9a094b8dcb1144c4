#pragma once
// The two-locus analysis: for one pair of loci, the unordered two-locus genotypes ("types") of the selected
// populations, their diversity, the share of the diversity expected under independence that is realised,
// the distance among populations on type frequencies and two correlations of distances.
//
// Everything works on the pair it is given and on records of its own: the selection, the genotypes and the
// analysis's multilocus tables are only read, so pairs may run side by side on several threads.
#include <cstddef>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"
#include "stats/genotype_view.h"
#include "stats/multilocus.h"

namespace kiwora {

// The single-locus genotypes of the loci that will be paired, numbered once per run so that every pair
// only looks them up. A genotype is its two codes, the smaller first; 0 marks an individual that lacks an
// allele at the locus.
class LocusGenotypeIndex {
 public:
  LocusGenotypeIndex() = default;
  LocusGenotypeIndex(const GenotypeView& g, const std::vector<int>& loci);

  bool has(int locus) const;
  // Genotype number (1..count) of individual j of population p at the locus, 0 when not fully typed.
  const int* numbers(int locus, int p) const;
  int count(int locus) const;
  // The two codes of genotype number k (1-based), smaller first.
  std::pair<int, int> codes(int locus, int k) const;

 private:
  struct Locus {
    std::vector<std::pair<int, int>> codes;  // [k-1]
    std::vector<std::vector<int>> number;    // [p][j], j from 1
  };
  std::vector<int> slot_;  // locus -> position in loci_, -1 when not indexed
  std::vector<Locus> loci_;
};

// Builds the two-locus types of loci A and B over the selected populations into `out` (every table sized
// afresh; every individual of a selected population counts, whatever its individual selection). A type is
// identified by its four codes; its label (MLGKey) joins the codes as text, and two types may share a
// label. Types are sorted by label as text, equal labels in order of first appearance, unless noSort.
// Returns V_R: the mean over the selected populations with a fully typed individual of the observed type
// diversity over the diversity expected from Hardy-Weinberg proportions at each locus and independence of
// the loci; undefined when no selected population has a fully typed individual.
Cell Gen_MG_Two_Loci(const GenotypeView& g, const LocusGenotypeIndex& idx, int locusA, int locusB,
                     const AlleleFreqTable& AlleleFreq, bool noSort, MultilocusGenotypes& out);

// The values of one row of the two-locus table. An undefined value prints as "-".
struct TwoLocusRow {
  int N_MG = 0;       // number of two-locus types
  Cell V_MG;          // mean type diversity over the selected populations (0 for one without types)
  Cell V_R;           // from Gen_MG_Two_Loci
  Cell DG_M;          // mean two-locus distance over the pairs of selected populations where it is defined
  Cell r_DGM_SD;      // Pearson r of that distance with the geographic distance, over the same pairs
  Cell r_DG_GD;       // Pearson r of the single-locus Gregorius distances at A and at B, over the same pairs
};

// What every pair reads: the results of the analysis run that precedes the two-locus table.
struct TwoLocusInputs {
  GenotypeView g;
  const AlleleFreqTable* AlleleFreq = nullptr;
  std::function<double(int p, int q, int l)> DistDG;  // the Gregorius distance of (p, q) at locus l
  const Table2<double>* GeoDist = nullptr;  // (pop, pop)
  bool noSort = false;
};

// One pair of loci, locusA < locusB. `types` is scratch the caller may reuse; it ends up holding the pair's
// types.
TwoLocusRow Two_Locus_Analysis(const TwoLocusInputs& in, const LocusGenotypeIndex& idx, int locusA, int locusB,
                               MultilocusGenotypes& types);

// Runs Two_Locus_Analysis for a list of pairs on the shared worker pool, a batch of pairs at a time in
// list order; the caller collects the rows in that order with row(i), which computes the batch from pair
// i when it is not done yet. threads == 1 keeps every pair on the caller's thread. The inputs must stay
// unchanged until the runner is gone.
class TwoLocusRunner {
 public:
  TwoLocusRunner(const TwoLocusInputs& in, const LocusGenotypeIndex& idx, std::vector<std::pair<int, int>> pairs,
                 unsigned threads = 0);
  TwoLocusRunner(const TwoLocusRunner&) = delete;
  TwoLocusRunner& operator=(const TwoLocusRunner&) = delete;

  std::size_t size() const { return pairs_.size(); }
  const std::pair<int, int>& pair(std::size_t i) const { return pairs_[i]; }
  // The row of pair i; rethrows what its computation threw.
  const TwoLocusRow& row(std::size_t i);

 private:
  void computeFrom(std::size_t first);

  const TwoLocusInputs& in_;
  const LocusGenotypeIndex& idx_;
  std::vector<std::pair<int, int>> pairs_;
  std::vector<TwoLocusRow> rows_;
  std::vector<unsigned char> done_;
  std::vector<std::exception_ptr> errors_;
  bool serial_ = false;
};

}  // namespace kiwora
