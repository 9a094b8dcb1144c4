#pragma once
// Distances between populations and what is derived from them: Gregorius and Nei distances per locus and
// over loci, the multilocus distance, the geographic distances, the two chain clusterings and the
// per-locus correlation of genetic with geographic distance.
#include <cmath>
#include <cstddef>
#include <vector>

#include "base/cell.h"
#include "base/table.h"
#include "stats/present_codes.h"

namespace kiwora {

// One average-distance chain: when each selected population joined and at which level.
struct ClusterSteps {
  int NClusterSteps = 0;  // selected populations - 1; 0 when the clustering did not run
  Vec1<int> Step;         // population 0..NPop: 0 not joined, 1 one of the first pair, k joined at step k
  Vec1<double> Level;     // step 0..NPop: level of each join, used 1..NClusterSteps
};

// The Gregorius distance of one pair at one locus from the two populations' frequencies of the codes
// present there: half the sum of absolute differences, capped at 1.
inline double gregoriusAtLocus(const double* fp, const double* fq, std::size_t nCodes) {
  double d = 0;
  for (std::size_t k = 0; k < nCodes; ++k) d += 0.5 * std::fabs(fp[k] - fq[k]);
  return d > 1 ? 1 : d;
}

// The identities behind the Nei distance of one pair at one locus.
struct NeiTerms {
  double jxy = 0, jx = 0, jy = 0;
};
inline NeiTerms neiTermsAtLocus(const double* fp, const double* fq, std::size_t nCodes) {
  NeiTerms t;
  for (std::size_t k = 0; k < nCodes; ++k) {
    t.jxy += fp[k] * fq[k];
    t.jx += fp[k] * fp[k];
    t.jy += fq[k] * fq[k];
  }
  return t;
}
// -ln of an identity; undefined when nothing is shared. `loci`: the loci the three sums run over.
Cell neiDistance(double jxy, double jx, double jy, double loci);

// The per-locus distances between every two selected populations (diagonal included), kept as the work
// they come from, not as values: each selected locus's frequencies of the codes present, population
// after population. A value is worked out when asked for, so a run at P populations and L loci holds
// P x codes x L numbers instead of P^2 x L. The selection is the one of the run that built it.
// This is the population analysis's form of a per-locus table of pairs: its values are worked out again
// at each read, by the correlation with the geographic distance, the spatial statistic and the two-locus
// table while the analysis runs, and by the report as it prints each locus's matrix. Where few populations are compared
// and every value is read (the test between two populations), a PairTable3 (base/pair_table.h) holds
// the values themselves.
class LocusDistances {
 public:
  enum class Kind { Gregorius, Nei };
  explicit LocusDistances(Kind kind = Kind::Gregorius) : kind_(kind) {}

  // pops, loci: the selected populations and loci, ascending; freq[i]: locus loci[i]; hasGenes (Nei
  // only): per locus, per place, whether the population has a gene copy there.
  void assign(int nPop, int nLoci, std::vector<int> pops, std::vector<int> loci, std::vector<CompactFrequencies> freq,
              std::vector<std::vector<unsigned char>> hasGenes = {});
  void clear() { assign(0, 0, {}, {}, {}); }

  Kind kind() const { return kind_; }
  int n1() const { return nPop_; }
  int n3() const { return nLoci_; }
  const std::vector<int>& pops() const { return pops_; }
  // The place of population p among the selected ones, or -1.
  int placeOf(int p) const {
    return p >= 0 && static_cast<std::size_t>(p) < place_.size() ? place_[static_cast<std::size_t>(p)] : -1;
  }
  // The value of (p, q) at locus l: a Gregorius distance is 0 and a Nei distance undefined outside the
  // run's selection, as the cells of a fresh table.
  Cell cell(int p, int q, int l) const;
  // The values at locus l of the place i with places j = i..pops().size()-1 into out[0..]; NaN marks an
  // undefined value. False, leaving `out` alone, when locus l was not selected.
  bool row(std::size_t i, int l, double* out) const;

 private:
  double value(std::size_t li, std::size_t i, std::size_t j) const;  // NaN: undefined
  int locusIndex(int l) const {
    return l >= 0 && static_cast<std::size_t>(l) < locusAt_.size() ? locusAt_[static_cast<std::size_t>(l)] : -1;
  }
  Kind kind_;
  int nPop_ = 0, nLoci_ = 0;
  std::vector<int> pops_, place_, locusAt_;
  std::vector<CompactFrequencies> freq_;
  std::vector<std::vector<unsigned char>> hasGenes_;
};

// Gregorius distances per locus, read like a table of doubles: the per-locus correlation and the spatial
// statistic are written for any table read as (pop, pop, locus), so they take this one as well as a table
// a test fills by hand.
class GregoriusByLocus : public LocusDistances {
 public:
  GregoriusByLocus() : LocusDistances(Kind::Gregorius) {}
  double operator()(int p, int q, int l) const { return cell(p, q, l).value_or(0.0); }
};

// Nei distances per locus, read like a table of cells.
class NeiByLocus : public LocusDistances {
 public:
  NeiByLocus() : LocusDistances(Kind::Nei) {}
  Cell operator()(int p, int q, int l) const { return cell(p, q, l); }
};

struct DistanceTables {
  GregoriusByLocus DistDG;    // (pop, pop, locus) Gregorius distance, 0..1
  Table2<double> DistDGMean;  // (pop, pop) mean of the per-locus Gregorius distances
  NeiByLocus DistDN;          // (pop, pop, locus) Nei distance; undefined without a shared allele or data
  Table2<Cell> DistDNMean;    // (pop, pop) Nei distance over the loci used for the pair
  Table2<double> DistMLG;     // (pop, pop) distance on multilocus-genotype frequencies; NaN without types
  Table2<double> GeoDist;     // (pop, pop) geographic distance, all populations, diagonal 0
  double GeoRounding = 0;     // bound on the rounding of two GeoDist values compared (Calc_Geo_Distances)
  ClusterSteps ClusterDG;     // chain on DistDGMean
  ClusterSteps ClusterMLG;    // chain on DistMLG
  Vec1<Cell> CorrGeoLocus;    // locus 0..NLoci: correlation of DistDG with GeoDist
};

}  // namespace kiwora
