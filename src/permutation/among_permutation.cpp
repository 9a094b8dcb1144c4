#include "permutation/among_permutation.h"

#include <algorithm>

#include "permutation/among_resampling.h"
#include "permutation/permutation_blocks.h"
#include "stats/population_copy.h"
#include "permutation/run_support.h"
#include "stats/allele_stats.h"
#include "stats/differentiation.h"
#include "stats/differentiation_stats.h"
#include "stats/fixation.h"
#include "stats/variation_stats.h"

namespace kiwora {
std::vector<Cell> amongColumns(GenotypeData& g, int maxAllele, const Vec1<int>& locSel, bool dominant) {
  const Vec1<int> all = everySlot(g.nPop());
  const GenotypeView v = viewOfCopy(g, maxAllele, all, locSel);

  AlleleStats a;
  Calc_Allele_Freq(v, dominant, a);
  VariationStats var;
  Calc_Heterozygosity(v, a, var);
  DifferentiationStats d;
  Calc_Dj(v, a.AlleleFreq, d.DjLocPop, d.DjPop, d.DjLoc, d.DjTotal, &a.PresentCodes);
  Calc_Fst(v, a.AlleleFreq, var.He, d.FstLoc, d.FstTotal, d.FstNLoc, d.FstNTotal, &a.PresentCodes);

  std::vector<Cell> c;
  std::vector<int> loci;
  for (int l = 1; l <= v.nLoci; ++l)
    if (v.locOn(l)) loci.push_back(l);
  c.reserve(3 * (loci.size() + 1));
  for (int l : loci) c.emplace_back(d.DjLoc[static_cast<std::size_t>(l)]);
  c.emplace_back(d.DjTotal);
  for (int l : loci) c.emplace_back(d.FstLoc[static_cast<std::size_t>(l)]);
  c.push_back(d.FstTotal);
  for (int l : loci) c.push_back(d.FstNLoc[static_cast<std::size_t>(l)]);
  c.push_back(d.FstNTotal);
  return c;
}

TableNeed amongTestTableNeed(int nPerm, int nSelLoci) {
  const double rowBytes = 3.0 * (nSelLoci + 1) * sizeof(Cell) + sizeof(std::vector<Cell>);
  return {(nPerm + 1.0) * rowBytes, "\"Number of permutations\" " + std::to_string(nPerm) + " with " +
                                        std::to_string(nSelLoci) + " selected loci"};
}

AmongTestResult Test_Among_Populations(const GenotypeData& g, int maxAllele, const Vec1<int>& locSel, int nPerm,
                                       bool dominant, std::uint64_t runSeed,
                                       const std::function<void(int perm)>& progress) {
  AmongTestResult r;
  r.nPerm = nPerm;
  for (int l = 1; l <= g.nLoci(); ++l)
    if (l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1) r.loci.push_back(l);
  {
    GenotypeData own = g;
    r.observed = amongColumns(own, maxAllele, locSel, dominant);
  }

  r.permuted.assign(static_cast<std::size_t>(nPerm) + 1, {});
  const PooledSample pooled = poolOfAllPopulations(g, locSel);
  const std::vector<int> sizes = populationSizes(g);
  forEachPermutationChunk(nPerm, progress, [&](int first, int last) {
    const PooledSample pool = pooled;  // its scratch space is this chunk's own
    GenotypeData shuffled;
    for (int k = first; k <= last; ++k) {
      Random rng = Random::stream(runSeed, 0, k);
      Permute_Individuals_All_Pops(pool, sizes, rng, shuffled);
      r.permuted[static_cast<std::size_t>(k)] = amongColumns(shuffled, maxAllele, locSel, dominant);
    }
  });

  const std::size_t columns = r.observed.size();
  r.shareAtMost.assign(columns, std::nullopt);
  r.shareAtLeast.assign(columns, std::nullopt);
  for (std::size_t c = 0; c < columns; ++c) {
    const Cell& o = r.observed[c];
    if (!o) continue;
    int defined = 0, below = 0, above = 0;
    for (int k = 1; k <= nPerm; ++k) {
      const Cell& s = r.permuted[static_cast<std::size_t>(k)][c];
      if (!s) continue;
      ++defined;
      below += atMost(*s, *o);
      above += atLeast(*s, *o);
    }
    if (defined == 0) continue;
    r.shareAtMost[c] = static_cast<double>(below) / defined;
    r.shareAtLeast[c] = static_cast<double>(above) / defined;
  }
  return r;
}

}  // namespace kiwora
