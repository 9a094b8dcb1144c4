#pragma once
// Differentiation Dj after Gregorius & Roberts (1986): half the sum of the absolute differences between a
// population's allele frequencies (codes 1..maxAllele) and those of its complement, the unweighted mean
// of the complement's populations.
#include <cmath>
#include <cstddef>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"
#include "stats/present_codes.h"

namespace kiwora {

// Dj of one population at one locus: half the summed absolute differences between its frequencies `f` and
// those of its complement `c` over the codes.
inline double djAtLocus(const double* f, const double* c, std::size_t nCodes) {
  double d = 0;
  for (std::size_t k = 0; k < nCodes; ++k) d += 0.5 * std::fabs(f[k] - c[k]);
  return d;
}

// Dj of one population at one locus against the mean of the `others` other populations, whose
// frequencies with its own sum to `total`; `complement` takes that mean. The analysis and the test among
// all populations both take Dj from here.
inline double djAgainstTheOthers(const double* f, const double* total, double others, double* complement,
                                 std::size_t nCodes) {
  for (std::size_t k = 0; k < nCodes; ++k) complement[k] = (total[k] - f[k]) / others;
  return djAtLocus(f, complement, nCodes);
}

// Complement = all other selected populations. Sizes DjLocPop (pop, locus), DjPop (pop) and DjLoc (locus)
// and resets DjTotal on every call. Returns false, with all outputs left zero, unless at least two
// populations and one locus are selected.
// `presentCodes` (AlleleStats::PresentCodes) saves finding the codes present.
bool Calc_Dj(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table2<double>& DjLocPop, Vec1<double>& DjPop,
             Vec1<double>& DjLoc, double& DjTotal, const PresentCodeLists* presentCodes = nullptr);

// Complement = the NNeighbours geographically nearest other selected populations (ties to the smaller
// number, distances within geoRounding of each other (Calc_Geo_Distances) being a tie; fewer when fewer are
// selected; NNeighbours below 1 counts as 1). Sizes both outputs itself; a population without any
// neighbour keeps undefined cells.
void Calc_Dj_Neighbours(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<double>& GeoDist,
                        double geoRounding, int NNeighbours, Table2<Cell>& DjNbLocPop, Vec1<Cell>& DjNbPop,
                        const PresentCodeLists* presentCodes = nullptr);

}  // namespace kiwora
