#pragma once
// The two-locus analysis: for one pair of loci, the unordered two-locus genotypes ("types") of the selected
// populations, their diversity, the share of the diversity expected under independence that is realised,
// the distance among populations on type frequencies and two correlations of distances.
//
// Everything works on the pair it is given and on records of its own: the selection, the genotypes and the
// analysis's multilocus tables are only read, so pairs may run side by side on several threads.
#include <functional>
#include <utility>
#include <vector>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/run_context.h"
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
  LocusGenotypeIndex(const GenotypeReader& g, const std::vector<int>& loci);

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
Cell Gen_MG_Two_Loci(const GenotypeReader& g, const LocusGenotypeIndex& idx, int locusA, int locusB,
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
  GenotypeReader g;
  const AlleleFreqTable* AlleleFreq = nullptr;
  std::function<double(int p, int q, int l)> DistDG;  // the Gregorius distance of (p, q) at locus l
  const Table2<double>* GeoDist = nullptr;  // (pop, pop)
  bool noSort = false;
};

// One pair of loci, locusA < locusB. `types` is scratch the caller may reuse; it ends up holding the pair's
// types.
TwoLocusRow Two_Locus_Analysis(const TwoLocusInputs& in, const LocusGenotypeIndex& idx, int locusA, int locusB,
                               MultilocusGenotypes& types);

// The rows of the two-locus table, in table order: pairs (A, B), A < B, by A, then by B.
struct TwoLocusTable {
  std::vector<std::pair<int, int>> pairs;
  std::vector<TwoLocusRow> rows;  // rows[i] belongs to pairs[i]
};

// Two_Locus_Analysis for every pair of `loci` (ascending), the pairs of one first locus at a time spread
// over the pool. Before the pairs of each first locus a = 1..in.g.nLoci - 1, paired or not, a progress
// step shows the share of first loci begun (a / nLoci x 100 as "0.0", so never 100.0); a stop request ends
// the run there. The rows do not depend on the number of threads.
TwoLocusTable Two_Locus_Table(const TwoLocusInputs& in, const std::vector<int>& loci, const RunContext& run);

}  // namespace kiwora
