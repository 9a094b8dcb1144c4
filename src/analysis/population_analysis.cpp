#include "analysis/population_analysis.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/quality_check.h"
#include "analysis/two_locus_section.h"
#include "files/text_writer.h"
#include "spatial/geo_distance.h"
#include "kinship/kinship.h"
#include "spatial/spatial_structure.h"
#include "stats/allele_codes.h"
#include "stats/clustering.h"
#include "stats/correlations.h"
#include "stats/differentiation.h"
#include "stats/distances.h"
#include "stats/fixation.h"

namespace kiwora {
namespace {

// The kinship run's snapshot: what this analysis read and computed so far, and its options.
KinshipInput kinshipInput(const Model& m, const AnalysisResults& r, const AnalysisOptions& o) {
  KinshipInput in;
  in.genotypes = readerOf(m.ds, m.sel);
  in.popNames = &m.ds.PopName;
  in.alleleFreq = &r.alleles.AlleleFreq;
  in.geoDist = &r.dist.GeoDist;
  in.geoRounding = r.dist.GeoRounding;
  in.options = o;
  return in;
}

// The mean Gregorius distance of near population pairs against all pairs, per locus.
void spatialStep(const Model& m, AnalysisResults& r, const AnalysisOptions& o, const GenotypeView& v, const RunContext& run) {
  SpatialResults& s = r.spatial;
  s.SpatStat1 = makeVec1<Cell>(m.ds.NLoci);
  s.SpatStat2 = makeVec1<Cell>(m.ds.NLoci);
  if (o.FlagSpatial != 1) return;
  s.NPairsInRadius = countPairsInRadius(v, r.dist.GeoDist, r.dist.GeoRounding, o.SearchRadius);
  if (s.NPairsInRadius < kSpatialMinPairs)
    run.message("less than " + std::to_string(kSpatialMinPairs) + " pair in search radius of " +
                plainNumber(o.SearchRadius, run.decimalSign) + " km/m");
  if (s.NPairsInRadius >= kSpatialCallMinPairs)
    Calc_Spatial_Structure_Locus(v, r.dist.GeoDist, r.dist.GeoRounding, r.dist.DistDG, o.SearchRadius, s);
}

}  // namespace

GenotypeView dataView(Model& m) { return viewOf(m.ds, m.sel); }

std::vector<TableNeed> analysisTableNeeds(const Model& m, const AnalysisOptions& o) {
  const DataSet& ds = m.ds;
  const double pops = ds.NPop + 1.0, loci = ds.NLoci + 1.0, codes = ds.MaxAllele + 2.0;
  double individuals = 1;
  for (int p = 1; p <= ds.NPop; ++p) individuals += ds.NInd[static_cast<std::size_t>(p)];
  // Codes carried at each locus (and the two that the dominant correction may add).
  const GenotypeData& g = ds.Allele;
  const int nPopRead = std::min(ds.NPop, g.nPop());
  std::size_t copies = 0;
  for (int p = 1; p <= nPopRead; ++p) copies += 2 * static_cast<std::size_t>(g.nInd(p));
  // Marked by code while that table is small beside the copies; else listed and sorted.
  const bool byTable = codeTableFits(ds.MaxAllele, copies);
  double carried = 0;
  std::vector<unsigned char> seen;
  std::vector<int> listed;
  for (int l = 1; l <= ds.NLoci; ++l) {
    if (byTable) seen.assign(static_cast<std::size_t>(std::max(ds.MaxAllele, 0)) + 1, 0);
    listed.clear();
    int k = 3;
    for (int p = 1; p <= nPopRead && l <= g.nLoci(); ++p)
      for (const int* x : {g.locus1(p, l), g.locus2(p, l)})
        for (int j = 1; j <= g.nInd(p); ++j) {
          if (x[j] < 1 || x[j] > ds.MaxAllele) continue;
          if (!byTable) {
            listed.push_back(x[j]);
          } else if (!seen[static_cast<std::size_t>(x[j])]) {
            seen[static_cast<std::size_t>(x[j])] = 1;
            ++k;
          }
        }
    std::sort(listed.begin(), listed.end());
    k += static_cast<int>(std::unique(listed.begin(), listed.end()) - listed.begin());
    carried += k;
  }
  // The frequencies' index by code is kept only while it is small; above, the codes are searched.
  const double codeIndex = loci * codes <= static_cast<double>(LocusCodes::kDirectLimit) ? loci * codes : 0;
  const double selected = 1.0 + m.sel.countSelectedPops();
  const std::string data = std::to_string(ds.NPop) + " populations";
  const std::string dataLoci = data + " at " + std::to_string(ds.NLoci) + " loci";
  // About thirty tables of one cell per population and locus (counts, frequencies, heterozygosity,
  // diversity, differentiation, ...).
  constexpr double kPerPopLocusBytes = 30 * sizeof(Cell);
  std::vector<TableNeed> needs = {
      // The per-locus distances are worked out from the frequencies of the selected populations, kept per
      // locus for the Gregorius and the Nei distance.
      {selected * carried * 2 * sizeof(double), "the genetic distances between every two of " + dataLoci},
      {pops * pops * (3 * sizeof(double) + 2 * sizeof(Cell)), "the tables of every two of " + data},
      // Frequencies keep a cell per code a locus carries, with an index by code per locus.
      {pops * carried * sizeof(double) + (codeIndex + carried) * sizeof(int),
       "the allele frequencies of " + dataLoci + " with allele codes up to " + std::to_string(ds.MaxAllele)},
      {pops * loci * kPerPopLocusBytes, "the per-locus tables of " + dataLoci},
  };
  if (o.FlagFreqGenotypes == 1) {
    const double genotypes = std::min(individuals, (codes - 1) * codes / 2);
    needs.push_back({pops * loci * genotypes * sizeof(double),
                     "\"Frequencies of single locus genotypes\" of " + dataLoci});
  }
  if (o.FlagFreqMLG == 1 || o.FlagVariationMLG == 1 || o.FlagClusterMLG == 1)
    needs.push_back({pops * individuals * sizeof(double) + individuals * loci * 8,
                     "the multilocus genotypes of " + std::to_string(static_cast<long long>(individuals) - 1) +
                         " individuals in " + data});
  if (o.FlagTwoLocus == 1) {
    // A row for every pair of selected loci at most, kept until the report prints it.
    const double loci = m.sel.countSelectedLoci();
    needs.push_back({loci * (loci - 1) / 2 * (sizeof(TwoLocusRow) + sizeof(std::pair<int, int>)),
                     "\"Two-Locus-Analysis\" of every two of " + std::to_string(static_cast<long long>(loci)) +
                         " selected loci"});
  }
  if (o.FlagKinship == 1 && o.FlagSimulateCI == 1)
    needs.push_back({4 * pops * (o.NSim + 1.0) * sizeof(double),
                     "\"N Sim\" " + std::to_string(o.NSim) + " simulations for each of " + data});
  return needs;
}

void Run_Population_Analysis(Model& m, AnalysisResults& r, const RunContext& run, const ProgressFn& showPairs,
                             const ProgressFn& showKinship) {
  const AnalysisOptions o = m.options;  // the values of this run, whatever a box does meanwhile
  const GenotypeView v = dataView(m);
  m.sel.NSelLoci = m.sel.countSelectedLoci();

  // A step between the statistics: on thousands of populations each takes a noticeable time, and the
  // window answers and may stop the run only at a step.
  run.progress("Frequencies");
  Count_Single_Locus_Genotypes(v, r.variation);
  Calc_Allele_Freq(v, o.FlagDominant == 1, r.alleles);
  const AlleleFreqTable& freq = r.alleles.AlleleFreq;

  if (o.FlagFreqGenotypes == 1) Calc_Genotype_Freq(v, m.sel.LocMode, true, r.genotypeTable);
  if (o.FlagFreqMLG == 1 || o.FlagVariationMLG == 1) Calc_Multilocus_Genotypes(v, m.flags.NoSortMLG == 1, r.mlg);

  run.progress("Variation");
  Calc_Degree_Heterozygosity(v, r.variation);
  Calc_Heterozygosity(v, r.alleles, r.variation);
  Calc_Diversity_V(v, r.alleles, r.variation);
  Calc_Evenness(v, r.alleles, r.variation);
  const PresentCodeLists* present = &r.alleles.PresentCodes;
  run.progress("Distances");
  Calc_Dist_Gregorius(v, freq, r.dist.DistDG, r.dist.DistDGMean, present);

  const bool mlgDistances = o.FlagFreqMLG == 1 && o.FlagDistDG == 1 && m.ds.NPop > 1;
  if (o.FlagFreqMLG == 1 && o.FlagDistDG == 1) {
    run.progress("Distances");
    r.dist.DistMLG.resize(m.ds.NPop, m.ds.NPop, std::nan(""));
    if (mlgDistances) Calc_Dist_Multilocus(v, r.mlg, r.dist.DistMLG);
  }

  r.dist.GeoRounding = Calc_Geo_Distances(m.ds.NPop, m.ds.PopX, m.ds.PopY, o.coordinates(), r.dist.GeoDist);
  if (o.FlagKinship == 1) {
    RunContext kinship = run;
    if (showKinship) kinship.progressSink = showKinship;
    r.kinship = Run_Kinship(kinshipInput(m, r, o), kinship);
  } else {
    r.kinship = KinshipResults{};
  }

  run.progress("Distances");
  r.dist.DistDN.clear();
  r.dist.DistDNMean.resize(m.ds.NPop, m.ds.NPop);
  if (m.ds.NPop > 1) Calc_Dist_Nei(v, freq, r.alleles.GeneCount, r.dist.DistDN, r.dist.DistDNMean, present);
  run.progress("Distances");
  spatialStep(m, r, o, v, run);

  // Dj and Fst run whenever two populations are selected, whatever the report shows (the locus check reads
  // DjLoc). The test among all populations computes its own (amongColumns, AmongKernel) and reads none of
  // these. Fewer than two leave them reset.
  DifferentiationStats& d = r.diff;
  run.progress("Differentiation");
  Calc_Dj(v, freq, d.DjLocPop, d.DjPop, d.DjLoc, d.DjTotal, present);
  run.progress("Differentiation");
  if (o.FlagDjNeighbours == 1)
    Calc_Dj_Neighbours(v, freq, r.dist.GeoDist, r.dist.GeoRounding, o.NNeighbours, d.DjNbLocPop, d.DjNbPop, present);
  run.progress("Differentiation");
  Calc_Fst(v, freq, r.variation.He, d.FstLoc, d.FstTotal, d.FstNLoc, d.FstNTotal, present);

  run.progress("Clusters");
  if (o.FlagClusterGenepool == 1) Cluster_Average_Chain(m.ds.NPop, m.sel.PopSel, r.dist.DistDGMean, r.dist.ClusterDG);
  if (o.FlagClusterMLG == 1) {
    run.progress("Clusters");
    if (o.FlagFreqMLG == 0) Calc_Multilocus_Genotypes(v, m.flags.NoSortMLG == 1, r.mlg);
    if (!mlgDistances) Calc_Dist_Multilocus(v, r.mlg, r.dist.DistMLG);  // else the same table is there
    run.progress("Clusters");
    Cluster_Average_Chain(m.ds.NPop, m.sel.PopSel, r.dist.DistMLG, r.dist.ClusterMLG);
  }
  run.progress("Quality check");
  if (o.FlagPolymorphic == 1) Calc_Percent_Polymorphic(v, r.alleles, r.variation);
  if (o.FlagCheckLoci == 1) Corr_Locus_GeoDist(v, d.DjLoc, r.dist.DistDG, r.dist.GeoDist, r.dist.CorrGeoLocus);

  // The quality check filters the two-locus table too, so it is there for either.
  r.quality = o.FlagCheckLoci == 1 || o.FlagTwoLocus == 1 ? Calc_Quality_Check(AnalysisView(m, r)) : QualityCheckTables{};
  r.twoLocus = {};
  if (o.FlagTwoLocus == 1) {
    RunContext pairs = run;
    if (showPairs) pairs.progressSink = showPairs;
    r.twoLocus = Run_Two_Locus_Table(AnalysisView(m, r), o, pairs);
  }
}

}  // namespace kiwora
