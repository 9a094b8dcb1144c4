#pragma once
// The blocks of the assignment result file: the header (reference populations, test groups, missing data),
// the method block and the score tables. Each writes into a LineWriter; the run opens and closes the file.
#include <functional>
#include <initializer_list>
#include <string>

#include "files/text_writer.h"
#include "assign/assignment_results.h"
#include "model/model.h"

namespace kiwora {

// The year line of the banner that starts a new assignment result file.
inline constexpr const char* kAssignBannerYear = "  2021  Kiwora";

// What the header lists: the two files, the populations and the groups. A run whose lists differ from
// the last header's writes the header again.
// How the reports name a locus's mode of inheritance.
const char* inheritanceText(Inheritance mode);
std::string assignHeaderIdentity(const Model& m);

// The framed list of every reference population, selected or not, with its sample size.
void writeReferencePopulationList(LineWriter& out, const Model& m);
void writeAssignHeader(LineWriter& out, const Model& m, const std::string& date);
void writeAssignMethodBlock(LineWriter& out, const Model& m, const AssignmentOptions& opt);
// The distance and similarity tables (genetic distance) or the -log10(genotype likelihood) and SCORES
// tables; a population that is not a candidate shows "-", and a group without a typed locus says so.
void writeAssignScoreTables(LineWriter& out, const Model& m, const AssignmentOptions& opt,
                            const AssignmentResults& r);

// For the tables that follow the scores: a frame of lines at column 4; a "0.000" cell, "-" when undefined;
// a table of one row per group and one cell per population under the heading " P(1)<gap> P(2)<gap>...".
void writeAssignFrame(LineWriter& out, std::initializer_list<const char*> lines);
std::string assignProbabilityCell(const Cell& v, char dec);
void writeAssignPopulationTable(LineWriter& out, const Model& m, const AssignmentResults& r, int column,
                                const std::string& gap, const std::function<std::string(int g, int p)>& cellText);

// The note printed after the row of a group that has no typed locus.
inline constexpr const char* kNotTypedNote = "   no typed locus: not assigned";

}  // namespace kiwora
