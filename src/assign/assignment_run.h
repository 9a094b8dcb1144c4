#pragma once
// The run "Assign test groups" as a sequence of steps over one AssignmentRun. Each step reads what the
// steps before it left; runAssignment calls them in order. The options are copied once at the start, so
// nothing a window does while the run lets events through can change them.
#include <functional>
#include <string>
#include <vector>

#include "assign/assignment_results.h"
#include "assign/reference_tables.h"
#include "base/run_context.h"
#include "files/result_draft.h"
#include "files/text_writer.h"
#include "model/model.h"
#include "model/run_memory.h"

namespace kiwora {

// What the assignment and the self-assignment run over, and their access to the one result file. What a
// run writes becomes the file's only when the run keeps it at its end; a run that ends otherwise (a failed
// step, a stop, anything thrown) takes it back as it is destroyed, with what the program knows of the file
// (its name, the last header, whether the loci are listed again), so the next run finds both as they were.
struct AssignmentRunBase {
  AssignmentRunBase(Model& m, const RunContext& c)
      : model(m), context(c), opt(m.assignOptions), fileBefore_(m.assignFile), lociChangedBefore_(m.flags.LociChanged) {}
  ~AssignmentRunBase();
  AssignmentRunBase(const AssignmentRunBase&) = delete;
  AssignmentRunBase& operator=(const AssignmentRunBase&) = delete;
  Model& model;
  const RunContext& context;  // seed, progress, messages, decimal sign and date of this run
  AssignmentOptions opt;  // as they stood when the run started
  std::string error;      // what to tell the user when a step fails

  // Creates the result file (named after the reference file) when no run has named it yet, otherwise
  // opens it for appending, and lets `head` write into it (`fresh`: it is being created). False, with
  // `error`, when it cannot be written: then the file's name is not kept.
  bool openResultFile(const std::function<void(LineWriter& out, bool fresh)>& head);
  // Appends to the result file; false, with `error`, when it cannot be written completely.
  bool appendToResultFile(const std::function<void(LineWriter& out)>& print);
  // The run is complete: what it wrote reaches the result file in one go (a file it created replaces an
  // earlier one only now), and only the file the run began in (files/result_draft.h). False, with `error`,
  // when that fails or the file was started afresh, replaced or removed meanwhile.
  bool keepResultFile();

 private:
  ResultDraft draft_;
  AssignmentFileState fileBefore_;
  int lociChangedBefore_;
  bool kept_ = false;
};

struct AssignmentRun : AssignmentRunBase {
  using AssignmentRunBase::AssignmentRunBase;
  ReferenceTables ref;    // the reference statistics of this run, read-only once built
  AssignmentResults results;  // the scores of the test groups and what the simulations found
};

// The assignment of a file of no test groups: there is nothing to score.
inline constexpr const char* kNoTestGroupsMessage =
    "The file with test groups holds no test group: there is nothing to assign! Open a file with test groups.";

// Checks that the options allow a run; empty when they do, otherwise the message.
std::string assignOptionsProblem(const Model& m, const AssignmentOptions& opt);

// The tables a run allocates in proportion to its options or its data: the score and exclusion tables of
// every test group against every reference population and, under the delta criterion, one delta per
// simulated group (kept, and sorted in a copy, until the probabilities are read off).
std::vector<TableNeed> assignmentTableNeeds(const Model& m, const AssignmentOptions& opt);

// Names the result file when no run has named it yet (after the reference file), checks that it can be
// written, and writes the banner and header block to a new file, or the header block again when the
// reference populations or the test groups differ from the last header's, or a self-assignment ran since.
// False, with `error`, when the file cannot be written: then nothing is computed and no flag is set.
bool assignStepResultFile(AssignmentRun& run);
// The reference statistics: allele frequencies without the dominant-marker correction, heterozygosity,
// haplotype tables and allele presence of the selected reference populations.
void assignStepReferenceStatistics(AssignmentRun& run);
// Scores every test group with the chosen method into run.results. The genetic-distance method always
// takes the LOD1 criterion.
void assignStepScoreGroups(AssignmentRun& run);
// Appends the method block and the score tables. False, with `error`, when the file cannot be written.
bool assignStepReportScores(AssignmentRun& run);
// The flags of a completed run.
void assignStepFinish(AssignmentRun& run);

// The whole run; false with run.error when a step failed.
bool runAssignment(AssignmentRun& run);

}  // namespace kiwora
