#pragma once
// The printers of the population-analysis report sections. Each prints its whole section (frame included)
// to the open result text; printPopulationReport calls them in their fixed order, each behind its option.
#include "files/text_writer.h"
#include "model/analysis_options.h"
#include "model/model.h"

namespace kiwora {

// Frequencies (report_frequencies.cpp).
void printDominantBanner(LineWriter& out);
void printAlleleFrequencies(LineWriter& out, const Model& m);
void printGenotypeFrequencies(LineWriter& out, const Model& m);
void printMultilocusFrequencies(LineWriter& out, const Model& m);

// Variation within populations (report_variation.cpp).
void printNumberOfAlleles(LineWriter& out, const Model& m);
void printNumberOfGenotypes(LineWriter& out, const Model& m);
void printPolymorphicLoci(LineWriter& out, const Model& m);
void printAllelicRichness(LineWriter& out, const Model& m);
void printDiversityV(LineWriter& out, const Model& m);
void printEvenness(LineWriter& out, const Model& m);
void printMultilocusVariation(LineWriter& out, const Model& m);

// Heterozygosity (report_heterozygosity.cpp).
void printHeterozygosity(LineWriter& out, const Model& m);
void printDegreeOfHeterozygosity(LineWriter& out, const Model& m);

// Distances between populations (report_distances.cpp). The multilocus matrix follows the Gregorius
// matrices only when the multilocus frequencies were asked for too.
void printGregoriusDistances(LineWriter& out, const Model& m, bool withMultilocus);
void printSpatialAndGeneticDistances(LineWriter& out, const Model& m);
void printNeiDistances(LineWriter& out, const Model& m);

// Differentiation and fixation (report_differentiation.cpp).
void printDifferentiationDj(LineWriter& out, const Model& m);
void printDjNeighbours(LineWriter& out, const Model& m, int nNeighbours);
void printFixationFst(LineWriter& out, const Model& m);
void printStandardisedFst(LineWriter& out, const Model& m);

// Cluster analyses with their dendrograms (report_clusters.cpp).
void printClusterGenepool(LineWriter& out, const Model& m);
void printClusterMultilocus(LineWriter& out, const Model& m);

}  // namespace kiwora
