#pragma once
// The run "Assign test groups". Like every run it takes a snapshot of what it reads (AssignmentInput) and a
// RunContext, and changes nothing of the model: begin() notes the result file, run() computes the record,
// writeReport() writes the whole report from that record to the file in one go. The window checks the
// options and the memory and reads the test groups again (assignmentRefusal) before it starts the run, and
// tells the model what a completed run leaves (completeAssignment) once the report is written.
#include <functional>
#include <string>
#include <vector>

#include "assign/assignment_report.h"
#include "assign/assignment_results.h"
#include "assign/reference_tables.h"
#include "base/refusal.h"
#include "base/run_context.h"
#include "files/result_draft.h"
#include "files/text_writer.h"
#include "model/model.h"
#include "model/run_memory.h"

namespace kiwora {

// What the assignment and the self-assignment read.
struct AssignmentInput {
  AssignmentData data;
  AssignmentOptions opt;      // as they stood when the run started
  AssignmentFileState file;   // the result file as the program knows it (no name yet: the run creates it)
  bool lociChanged = false;   // LociChanged: the selected loci are listed again
  bool afterSelfAssignment = false;  // AssignReRead: the header block is written again
  // The result files this program started for the data files it loaded, as their header blocks left them.
  std::vector<ResultFileMark> dataResultFiles;
};
// The model's, with `sel` as the selection the run works under (one its starter keeps unchanged).
AssignmentInput assignmentInput(const Model& m, const Selection& sel);

// The result file of the assignment and the self-assignment. Their report reaches the file only at the
// end of a complete run, whole, and only the file the run began in: a first run's draft replaces the file
// (files/result_draft.h), a later run appends to it under its lock (appendSection), and only while it is
// the file the earlier runs wrote. A first run appends too when the file is the result file this program
// started for a data file it loaded, so the analysis written there is kept. A run that is stopped, fails or
// throws leaves the file as it was.
class AssignmentRunBase {
 public:
  AssignmentRunBase(const AssignmentInput& in, const RunContext& context) : in(in), context(context) {}
  virtual ~AssignmentRunBase() = default;
  AssignmentRunBase(const AssignmentRunBase&) = delete;
  AssignmentRunBase& operator=(const AssignmentRunBase&) = delete;

  // Names the result file when no run has named it yet (after the reference file) and notes it as it
  // stands. A refusal when it cannot be written, or when a later run finds it no longer the file the
  // earlier runs wrote: then nothing is to be computed.
  Refusal begin();
  // The file begin() named.
  const std::string& resultFile() const { return path_; }
  // This run starts the assignment's part of the file, with its banner and header block: no run has named
  // the file yet, the user read the reference file again after a refusal, or (known after begin()) the
  // file is one this program started afresh for a data file it loaded.
  bool createsFile() const { return startsPart_; }
  // After writeReport(): the file as the run left it.
  const ResultFileMark& written() const { return written_; }

  AssignmentInput in;  // the genetic-distance method leaves LodCriterion 1 in its options
  const RunContext& context;

 protected:
  // Writes the report into the file begin() noted, whole or not at all.
  Refusal writeWhole(const std::function<void(LineWriter& out)>& print);

 private:
  // Whether the file at the path is a data file's result file this program started, still under the
  // header block it wrote (noted in began_).
  bool inDataResultFile();

  ResultDraft draft_;      // a first run's report, until it replaces the file
  ResultFileMark began_;   // the file an appending run writes to, as begin() found it
  ResultFileMark written_;
  bool appends_ = false;   // a later run, or a first one in a data file's result file
  bool startsPart_ = in.file.AssignOutFile.empty() || in.file.startAfresh;
  std::string path_;
};

class AssignmentRun : public AssignmentRunBase {
 public:
  using AssignmentRunBase::AssignmentRunBase;
  // The reference statistics, the scores of every test group and the exclusion probabilities. The
  // genetic-distance method always takes the LOD1 criterion. Progress shows the share of simulations done.
  const AssignmentResults& run();
  // After run(): the banner (a new file), the header block when writesHeader(), the method block, the score
  // tables and the exclusion tables. A refusal when the file cannot be written or is no longer the one the
  // run began in; then it is as it was.
  Refusal writeReport();
  // The header block is written: to a new file, after a self-assignment, or when the reference populations
  // or the test groups differ from those of the last header.
  bool writesHeader() const;

  ReferenceTables ref;        // the reference statistics, read-only once built
  AssignmentResults results;  // the scores of the test groups and what the simulations found
  Table2<Cell> exclusion;     // LOD1: the exclusion probabilities E(g, p)
};

// The assignment of a file of no test groups: there is nothing to score.
inline constexpr const char* kNoTestGroupsMessage =
    "The file with test groups holds no test group: there is nothing to assign! Open a file with test groups.";

// Whether the options allow a run of the assignment or the self-assignment.
Refusal assignOptionsProblem(const Model& m, const AssignmentOptions& opt);

// Before an assignment run: the test groups read again after a self-assignment (reload_test_file.h), then
// a file of no test groups and the options. Nothing is written and no flag is set on a refusal.
Refusal assignmentRefusal(Model& m);

// The tables a run allocates in proportion to its options or its data: the score and exclusion tables of
// every test group against every reference population and, under the delta criterion, one delta per
// simulated group (kept, and sorted in a copy, until the probabilities are read off).
std::vector<TableNeed> assignmentTableNeeds(const Model& m, const AssignmentOptions& opt);

// What a completed run whose report was written leaves in the model: the result file's name and its last
// header, the criterion the genetic-distance method used and the workflow flags.
void completeAssignment(Model& m, const AssignmentRun& run);

}  // namespace kiwora
