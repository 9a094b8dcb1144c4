#include "analysis/report.h"

#include "analysis/kinship_report.h"
#include "analysis/quality_check.h"
#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "analysis/two_locus_section.h"

namespace kiwora {

bool reportPrintsSelectionHeader(const WorkflowFlags& f) {
  return !(f.AnalysisDone == 1 && (f.LocSelChanged == 0 || f.PopSelChanged == 0));
}

void printPopulationReport(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used, bool selectionHeader) {
  if (selectionHeader) printSelectionHeader(out, m);
  if (used.FlagDominant == 1) printDominantBanner(out);
  if (used.FlagFreqAlleles == 1) printAlleleFrequencies(out, m);
  if (used.FlagFreqGenotypes == 1) printGenotypeFrequencies(out, m);
  if (used.FlagFreqMLG == 1) printMultilocusFrequencies(out, m);
  if (used.FlagNAlleles == 1) printNumberOfAlleles(out, m);
  if (used.FlagNGenotypes == 1) printNumberOfGenotypes(out, m);
  if (used.FlagPolymorphic == 1) printPolymorphicLoci(out, m);
  if (used.FlagNAlleles == 1) printAllelicRichness(out, m);
  if (used.FlagDiversityV == 1) printDiversityV(out, m);
  if (used.FlagEvenness == 1) printEvenness(out, m);
  if (used.FlagVariationMLG == 1) printMultilocusVariation(out, m);
  printKinshipSection(out, m, used);
  if (used.FlagHeterozygosity == 1) printHeterozygosity(out, m);
  if (used.FlagDegreeHet == 1) printDegreeOfHeterozygosity(out, m);
  if (used.FlagDistDG == 1) printGregoriusDistances(out, m, used.FlagFreqMLG == 1);
  if (used.FlagSpatialGenDist == 1) printSpatialAndGeneticDistances(out, m);
  if (used.FlagDistDN == 1) printNeiDistances(out, m);
  if (used.FlagDj == 1) printDifferentiationDj(out, m);
  if (used.FlagDjNeighbours == 1) printDjNeighbours(out, m, used.NNeighbours < 1 ? 1 : used.NNeighbours);
  if (used.FlagFst == 1) {
    printFixationFst(out, m);
    printStandardisedFst(out, m);
  }
  printQualityCheck(out, m, used);
  printTwoLocusAnalysis(out, m, used);
  if (used.FlagClusterGenepool == 1) printClusterGenepool(out, m);
  if (used.FlagClusterMLG == 1) printClusterMultilocus(out, m);
}

}  // namespace kiwora
