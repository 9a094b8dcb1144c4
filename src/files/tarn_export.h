#pragma once
// Files for the separate program Tarn.
#include <string>

#include "base/refusal.h"
#include "files/text_writer.h"
#include "model/dataset.h"

namespace kiwora {

// The genotype file: title; the number of individuals written and the number of selected loci, bare;
// the selected locus names; then one line per selected individual of a selected population:
// running number, X, Y of its population, and the two allele codes of each selected locus, joined by ",".
// Returns the number of individuals written.
int writeTarnGenotypes(LineWriter& out, const DataSet& ds, const Selection& sel);

// Writes the genotype file; refused, with the user's message, when it cannot be written.
Refusal saveTarnGenotypeFile(const std::string& path, const DataSet& ds, const Selection& sel);

}  // namespace kiwora
