#pragma once
// Exports of the allele frequencies that the last analysis or assignment run left: the frequency file for
// the program Tarn and the allele-frequency table for a spreadsheet. Both write the selected populations
// and loci, with one column per allele present (frequency above 0) in some selected population.
#include <string>

#include "base/refusal.h"
#include "files/text_writer.h"
#include "model/allele_freq_table.h"
#include "model/dataset.h"
#include "base/table.h"

namespace kiwora {

// The Tarn frequency file: title; the numbers of selected populations and loci, bare; per selected locus
// "name,count of present alleles"; then per selected population and selected locus: the population's
// number in the data set, X, Y and the frequency of each present allele ("0.000"). Numbers use "."
// whatever the locale, so that none splits into two fields.
void writeTarnFrequencies(LineWriter& out, const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq);
// Writes the Tarn frequency file; refused, with the user's message, when it cannot be written.
Refusal saveTarnFrequencyFile(const std::string& path, const DataSet& ds, const Selection& sel,
                              const AlleleFreqTable& freq);

// The field separator of the allele-frequency table: "," when the text of some frequency of the selected
// populations and loci holds a decimal point, else ";" (a decimal comma, or every frequency 0 or 1).
char frequencyTableSeparator(const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq, char decimalSign);

// The allele-frequency table: a header row "Pop", "X_Pos", "Y_Pos" and one column per present allele
// (locus name, "_", allele code), then one row per selected population: name, X, Y and the frequencies
// ("0.000"). Numbers use the locale's decimal sign.
void writeAlleleFrequencyTable(LineWriter& out, const DataSet& ds, const Selection& sel, const AlleleFreqTable& freq,
                               char decimalSign);
// Writes the allele-frequency table; refused, with the user's message, when it cannot be written.
Refusal saveAlleleFrequencyTable(const std::string& path, const DataSet& ds, const Selection& sel,
                                 const AlleleFreqTable& freq, char decimalSign);

}  // namespace kiwora
