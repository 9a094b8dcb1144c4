#include "analysis/driver.h"

#include <cmath>

#include "spatial/geo_distance.h"
#include "stats/clustering.h"
#include "stats/correlations.h"
#include "stats/differentiation.h"
#include "stats/distances.h"
#include "stats/fixation.h"

namespace kiwora {
namespace {

// The chain takes plain distances; an undefined one is never the smallest.
Table2<double> definedOrNaN(const Table2<Cell>& t) {
  Table2<double> out(t.n1(), t.n2());
  for (int i = 0; i <= t.n1(); ++i)
    for (int j = 0; j <= t.n2(); ++j) out(i, j) = t(i, j) ? *t(i, j) : std::nan("");
  return out;
}

}  // namespace

GenotypeView dataView(Model& m) {
  GenotypeView v;
  v.nPop = m.ds.NPop;
  v.nLoci = m.ds.NLoci;
  v.maxAllele = m.ds.MaxAllele;
  v.genotypes = &m.ds.Allele;
  v.popSel = &m.sel.PopSel;
  v.locSel = &m.sel.LocSel;
  return v;
}

void Run_Population_Analysis(Model& m, Services& services) {
  (void)services;
  const AnalysisOptions o = m.options;  // the values of this run, whatever a box does meanwhile
  const GenotypeView v = dataView(m);
  m.sel.NSelLoci = m.sel.countSelectedLoci();

  Count_Single_Locus_Genotypes(v, m.variation);
  Calc_Allele_Freq(v, o.FlagDominant == 1, m.alleles);
  const Table3<double>& freq = m.alleles.AlleleFreq;

  if (o.FlagFreqGenotypes == 1) Calc_Genotype_Freq(v, m.sel.LocMode, true, m.genotypeTable);
  if (o.FlagFreqMLG == 1 || o.FlagVariationMLG == 1) Calc_Multilocus_Genotypes(v, m.flags.NoSortMLG == 1, m.mlg);

  Calc_Degree_Heterozygosity(v, m.variation);
  Calc_Heterozygosity(v, m.alleles, m.variation);
  Calc_Diversity_V(v, m.alleles, m.variation);
  Calc_Evenness(v, m.alleles, m.variation);
  Calc_Dist_Gregorius(v, freq, m.dist.DistDG, m.dist.DistDGMean);

  if (o.FlagFreqMLG == 1 && o.FlagDistDG == 1) {
    m.dist.DistMLG.resize(m.ds.NPop, m.ds.NPop);
    if (m.ds.NPop > 1) Calc_Dist_Multilocus(v, m.mlg, m.dist.DistMLG);
  }

  Calc_Geo_Distances(m.ds.NPop, m.ds.PopX, m.ds.PopY, m.options.CoordMode, m.dist.GeoDist);

  m.dist.DistDN.resize(m.ds.NPop, m.ds.NPop, m.ds.NLoci);
  m.dist.DistDNMean.resize(m.ds.NPop, m.ds.NPop);
  if (m.ds.NPop > 1) Calc_Dist_Nei(v, freq, m.alleles.GeneCount, m.dist.DistDN, m.dist.DistDNMean);

  // Dj and Fst run whenever two populations are selected, whatever the report shows: the test among all
  // populations reads them after every permutation. Fewer than two leave them reset.
  DifferentiationStats& d = m.diff;
  Calc_Dj(v, freq, d.DjLocPop, d.DjPop, d.DjLoc, d.DjTotal);
  if (o.FlagDjNeighbours == 1)
    Calc_Dj_Neighbours(v, freq, m.dist.GeoDist, o.NNeighbours, d.DjNbLocPop, d.DjNbPop);
  Calc_Fst(v, freq, m.variation.He, d.FstLoc, d.FstTotal, d.FstNLoc, d.FstNTotal);

  if (o.FlagClusterGenepool == 1) Cluster_Average_Chain(m.ds.NPop, m.sel.PopSel, m.dist.DistDGMean, m.dist.ClusterDG);
  if (o.FlagClusterMLG == 1) {
    if (o.FlagFreqMLG == 0) Calc_Multilocus_Genotypes(v, m.flags.NoSortMLG == 1, m.mlg);
    Calc_Dist_Multilocus(v, m.mlg, m.dist.DistMLG);
    Cluster_Average_Chain(m.ds.NPop, m.sel.PopSel, definedOrNaN(m.dist.DistMLG), m.dist.ClusterMLG);
  }
  if (o.FlagPolymorphic == 1) Calc_Percent_Polymorphic(v, m.alleles, m.variation);
  if (o.FlagCheckLoci == 1) Corr_Locus_GeoDist(v, d.DjLoc, m.dist.DistDG, m.dist.GeoDist, m.dist.CorrGeoLocus);
}

}  // namespace kiwora
