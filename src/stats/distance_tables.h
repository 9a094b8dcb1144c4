#pragma once
// Distances between populations and what is derived from them: Gregorius and Nei distances per locus and
// over loci, the multilocus distance, the geographic distances, the two chain clusterings and the
// per-locus correlation of genetic with geographic distance.
#include "base/cell.h"
#include "base/pair_table.h"
#include "base/table.h"

namespace kiwora {

// One average-distance chain: when each selected population joined and at which level.
struct ClusterSteps {
  int NClusterSteps = 0;  // selected populations - 1; 0 when the clustering did not run
  Vec1<int> Step;         // population 0..NPop: 0 not joined, 1 one of the first pair, k joined at step k
  Vec1<double> Level;     // step 0..NPop: level of each join, used 1..NClusterSteps
};

struct DistanceTables {
  PairTable3<double> DistDG;  // (pop, pop, locus) Gregorius distance, 0..1
  Table2<double> DistDGMean;  // (pop, pop) mean of the per-locus Gregorius distances
  PairTable3<Cell> DistDN;    // (pop, pop, locus) Nei distance; undefined without a shared allele or data
  Table2<Cell> DistDNMean;    // (pop, pop) Nei distance over the loci used for the pair
  Table2<Cell> DistMLG;       // (pop, pop) distance on multilocus-genotype frequencies; undefined without types
  Table2<double> GeoDist;     // (pop, pop) geographic distance, all populations, diagonal 0
  ClusterSteps ClusterDG;     // chain on DistDGMean
  ClusterSteps ClusterMLG;    // chain on DistMLG
  Vec1<Cell> CorrGeoLocus;    // locus 0..NLoci: correlation of DistDG with GeoDist
};

}  // namespace kiwora
