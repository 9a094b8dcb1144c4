#pragma once
// The blocks of the assignment result file: the header (reference populations, test groups, missing data),
// the method block and the score tables. Each writes into a LineWriter; the run writes them all
// to the file in one go once it has computed everything.
#include <functional>
#include <initializer_list>
#include <string>

#include "files/text_writer.h"
#include "assign/assignment_results.h"
#include "model/model.h"

namespace kiwora {

// What the assignment's runs and reports read of the loaded data: the reference populations, the
// selection the run works under and the test groups, none of them changed.
struct AssignmentData {
  AssignmentData(const DataSet& ds, const Selection& sel, const TestGroups& test) : ds(ds), sel(sel), test(test) {}
  const DataSet& ds;
  const Selection& sel;
  const TestGroups& test;
};

// The year line of the banner that starts a new assignment result file.
inline constexpr const char* kAssignBannerYear = "  2021  Kiwora";

// How the reports name a locus's mode of inheritance.
const char* inheritanceText(Inheritance mode);
// What the header lists: the two files, the populations and the groups. A run whose lists differ from
// the last header's writes the header again.
std::string assignHeaderIdentity(const AssignmentData& m);

// The framed list of every reference population, selected or not, with its sample size.
void writeReferencePopulationList(LineWriter& out, const AssignmentData& m);
void writeAssignHeader(LineWriter& out, const AssignmentData& m, const std::string& date);
void writeAssignMethodBlock(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt);
// The distance and similarity tables (genetic distance) or the -log10(genotype likelihood) and SCORES
// tables; a population that is not a candidate shows "-", and a group without a typed locus says so.
void writeAssignScoreTables(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt,
                            const AssignmentResults& r);

// For the tables that follow the scores: a frame of lines at column 4; a "0.000" cell, "-" when undefined;
// a table of one row per group and one cell per population under the heading " P(1)<gap> P(2)<gap>...".
void writeAssignFrame(LineWriter& out, std::initializer_list<const char*> lines);
std::string assignProbabilityCell(const Cell& v, char dec);
void writeAssignPopulationTable(LineWriter& out, const AssignmentData& m, const AssignmentResults& r, int column,
                                const std::string& gap, const std::function<std::string(int g, int p)>& cellText);

// The note printed after the row of a group that has no typed locus.
inline constexpr const char* kNotTypedNote = "   no typed locus: not assigned";

}  // namespace kiwora
