#pragma once
// The printers of the population-analysis report sections. Each prints its whole section (frame included)
// to the open result text; printPopulationReport calls them in their fixed order, each behind its option.
#include "files/text_writer.h"
#include "model/analysis_options.h"
#include "analysis/analysis_results.h"
#include "base/run_context.h"

namespace kiwora {

// Frequencies (report_frequencies.cpp).
void printDominantBanner(LineWriter& out);
void printAlleleFrequencies(LineWriter& out, const AnalysisView& m);
void printGenotypeFrequencies(LineWriter& out, const AnalysisView& m);
void printMultilocusFrequencies(LineWriter& out, const AnalysisView& m);

// Variation within populations (report_variation.cpp).
void printNumberOfAlleles(LineWriter& out, const AnalysisView& m);
void printNumberOfGenotypes(LineWriter& out, const AnalysisView& m);
void printPolymorphicLoci(LineWriter& out, const AnalysisView& m);
void printAllelicRichness(LineWriter& out, const AnalysisView& m);
void printDiversityV(LineWriter& out, const AnalysisView& m);
void printEvenness(LineWriter& out, const AnalysisView& m);
void printMultilocusVariation(LineWriter& out, const AnalysisView& m);

// Heterozygosity (report_heterozygosity.cpp).
void printHeterozygosity(LineWriter& out, const AnalysisView& m);
void printDegreeOfHeterozygosity(LineWriter& out, const AnalysisView& m);

// Distances between populations (report_distances.cpp). The multilocus matrix follows the Gregorius
// matrices only when the multilocus frequencies were asked for too.
void printGregoriusDistances(LineWriter& out, const AnalysisView& m, bool withMultilocus,
                             const ProgressFn& progress = {});
void printSpatialAndGeneticDistances(LineWriter& out, const AnalysisView& m);
void printNeiDistances(LineWriter& out, const AnalysisView& m, const ProgressFn& progress = {});

// Differentiation and fixation (report_differentiation.cpp).
void printDifferentiationDj(LineWriter& out, const AnalysisView& m);
void printDjNeighbours(LineWriter& out, const AnalysisView& m, int nNeighbours);
void printFixationFst(LineWriter& out, const AnalysisView& m);
void printStandardisedFst(LineWriter& out, const AnalysisView& m);

// Cluster analyses with their dendrograms (report_clusters.cpp).
void printClusterGenepool(LineWriter& out, const AnalysisView& m);
void printClusterMultilocus(LineWriter& out, const AnalysisView& m);

}  // namespace kiwora
