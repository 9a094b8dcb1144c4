#pragma once
// Writing the program's own input file: the selection of the loaded data set (menu item Save_As_Kiwora),
// or the units of an imported table. Every file written reads back with parseInputText to the same data.
#include <string>

#include "files/input_file.h"
#include "files/text_writer.h"
#include "model/dataset.h"

namespace kiwora {

inline constexpr const char* kNoPopulationToSave = "No population is selected! Select at least one population to save.";
inline constexpr const char* kNoLocusToSave = "No locus is selected! Select at least one locus to save.";

// The selected populations, loci and individuals as an input file holds them, in data-set order.
ParsedInput selectedInput(const DataSet& ds, const Selection& sel);

// Why these data cannot be written as an input file that reads back the same; no refusal when they can.
Refusal inputFileProblem(const ParsedInput& in);

// The input-file layout: title; the numbers of populations and loci and the largest allele code, each
// bare on a line of its own; the locus names; per population its header "name,X,Y", one line of allele
// codes per individual and its terminator (an empty line, "END" after the last).
void writeInputFile(LineWriter& out, const ParsedInput& in);

// Checks and writes the file; refused, with the user's message, when the data do not fit or the file
// cannot be written.
Refusal saveInputFile(const std::string& path, const ParsedInput& in);

}  // namespace kiwora
