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

void printPopulationReport(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used, bool selectionHeader,
                           const ProgressFn& progress) {
  // A step before each section, so that the report of thousands of populations lets the window answer.
  const auto section = [&](bool on, const auto& print) {
    if (!on) return;
    if (progress) progress("Report");
    print();
  };
  if (selectionHeader) printSelectionHeader(out, m);
  if (used.FlagDominant == 1) printDominantBanner(out);
  section(used.FlagFreqAlleles == 1, [&] { printAlleleFrequencies(out, m); });
  section(used.FlagFreqGenotypes == 1, [&] { printGenotypeFrequencies(out, m); });
  section(used.FlagFreqMLG == 1, [&] { printMultilocusFrequencies(out, m); });
  section(used.FlagNAlleles == 1, [&] { printNumberOfAlleles(out, m); });
  section(used.FlagNGenotypes == 1, [&] { printNumberOfGenotypes(out, m); });
  section(used.FlagPolymorphic == 1, [&] { printPolymorphicLoci(out, m); });
  section(used.FlagNAlleles == 1, [&] { printAllelicRichness(out, m); });
  section(used.FlagDiversityV == 1, [&] { printDiversityV(out, m); });
  section(used.FlagEvenness == 1, [&] { printEvenness(out, m); });
  section(used.FlagVariationMLG == 1, [&] { printMultilocusVariation(out, m); });
  section(true, [&] { printKinshipSection(out, m, used); });
  section(used.FlagHeterozygosity == 1, [&] { printHeterozygosity(out, m); });
  section(used.FlagDegreeHet == 1, [&] { printDegreeOfHeterozygosity(out, m); });
  section(used.FlagDistDG == 1, [&] { printGregoriusDistances(out, m, used.FlagFreqMLG == 1, progress); });
  section(used.FlagSpatialGenDist == 1, [&] { printSpatialAndGeneticDistances(out, m); });
  section(used.FlagDistDN == 1, [&] { printNeiDistances(out, m, progress); });
  section(used.FlagDj == 1, [&] { printDifferentiationDj(out, m); });
  section(used.FlagDjNeighbours == 1,
          [&] { printDjNeighbours(out, m, used.NNeighbours < 1 ? 1 : used.NNeighbours); });
  section(used.FlagFst == 1, [&] {
    printFixationFst(out, m);
    printStandardisedFst(out, m);
  });
  section(true, [&] { printQualityCheck(out, m, used); });
  section(true, [&] { printTwoLocusAnalysis(out, m, used); });
  section(used.FlagClusterGenepool == 1, [&] { printClusterGenepool(out, m); });
  section(used.FlagClusterMLG == 1, [&] { printClusterMultilocus(out, m); });
}

}  // namespace kiwora
