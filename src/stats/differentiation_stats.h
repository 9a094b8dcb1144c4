#pragma once
// Differentiation Dj (against all other populations and against the nearest neighbours) and fixation Fst.
#include "base/cell.h"
#include "base/table.h"

namespace kiwora {

struct DifferentiationStats {
  Table2<double> DjLocPop;  // (pop, locus) Dj of a population at a locus
  Vec1<double> DjPop;       // pop: mean over the selected loci
  Vec1<double> DjLoc;       // locus: mean over the selected populations
  double DjTotal = 0;       // mean of DjPop over the selected populations

  Table2<Cell> DjNbLocPop;  // (pop, locus) Dj against the nearest neighbours; undefined without a neighbour
  Vec1<Cell> DjNbPop;       // pop: mean over the selected loci

  Vec1<Cell> FstLoc;        // locus: Fst, 0 where the total heterozygosity is 0; undefined where fewer
                            // than two selected populations have data
  Vec1<Cell> FstNLoc;       // locus: standardised Fst; undefined where its maximum is 0 or no comparison
  Cell FstTotal;            // mean of FstLoc over the selected loci with data in two populations
  Cell FstNTotal;           // mean of FstNLoc; undefined when any locus is
};

}  // namespace kiwora
