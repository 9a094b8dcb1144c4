#include "assign/assignment_run.h"

#include <cmath>

#include "assign/assignment_report.h"
#include "assign/exclusion_step.h"
#include "assign/reload_test_file.h"
#include "assign/scorers.h"
#include "files/result_file.h"
#include "files/text_writer.h"

namespace kiwora {
namespace {

std::vector<GroupGenotypes> testGroupsOf(const Model& m) {
  std::vector<GroupGenotypes> groups;
  for (int g = 1; g <= m.test.NTestGr; ++g) groups.push_back(GroupGenotypes{&m.test.TestAllele, g});
  return groups;
}

bool wholeAtLeastOne(int v) { return v >= 1; }

}  // namespace

std::string assignOptionsProblem(const Model& m, const AssignmentOptions& opt) {
  if (opt.AssMethod < 1 || opt.AssMethod > 3 || (opt.method() == AssignMethod::GeneticDistance && opt.GDOnAlleles != 1 && opt.GDOnGenotypes != 1))
    return "Choose a method for the assignment!";
  if (!(opt.MinFreqMiss > 0 && opt.MinFreqMiss <= 0.2))
    return "The minimum frequency of missing alleles must lie above 0 and not above 0.2!";
  if (!wholeAtLeastOne(opt.NSimGroups)) return "The number of simulated groups must be a whole number of at least 1!";
  // A file of no test groups is read (LocNameRead holds its loci): the self-assignment needs no groups.
  if (m.ds.NPop < 1 || (m.test.NTestGr < 1 && m.test.LocNameRead.empty()))
    return "Open the reference file and the test file first!";
  if (m.sel.countSelectedPops() == 0) return "No reference population is selected! Select populations first!";
  if (m.sel.countSelectedLoci() == 0) return "No locus is selected! Select loci first!";
  return {};
}

std::vector<TableNeed> assignmentTableNeeds(const Model& m, const AssignmentOptions& opt) {
  // GrScore, GrProb and the exclusion table hold cells; ExclCount and the groups' own scores doubles.
  const double cells = (m.test.NTestGr + 1.0) * (m.ds.NPop + 1.0);
  std::vector<TableNeed> needs = {
      {cells * (3 * sizeof(Cell) + 2 * sizeof(double)),
       "the scores of " + std::to_string(m.test.NTestGr) + " test groups against " + std::to_string(m.ds.NPop) +
           " reference populations"}};
  if (opt.criterion() == ExclusionCriterion::Delta && opt.method() != AssignMethod::GeneticDistance)
    needs.push_back({2 * (opt.NSimGroups + 1.0) * sizeof(double),
                     "\"Number of simulated groups\" " + std::to_string(opt.NSimGroups)});
  return needs;
}

AssignmentRunBase::~AssignmentRunBase() {
  if (kept_) return;
  draft_.drop();
  model.assignFile = fileBefore_;
  model.flags.LociChanged = lociChangedBefore_;
}

bool AssignmentRunBase::openResultFile(const std::function<void(LineWriter& out, bool fresh)>& head) {
  AssignmentFileState& file = model.assignFile;
  const bool fresh = file.AssignOutFile.empty();
  const std::string path = fresh ? resultFileName(model.ds.RefFileName) : file.AssignOutFile;
  bool ok = draft_.begin(path, fresh);
  if (ok) {
    TextFile out(context.decimalSign);
    ok = out.open(draft_.path(), TextFile::Mode::Append);
    if (ok) {
      head(out, fresh);
      ok = out.close();
    }
  }
  if (!ok) {
    draft_.drop();
    error = "The result file " + path + " cannot be written! Nothing was calculated.";
    return false;
  }
  file.AssignOutFile = path;
  return true;
}

bool AssignmentRunBase::appendToResultFile(const std::function<void(LineWriter& out)>& print) {
  const bool ok = draft_.active() && !appendSection(draft_.path(), context.decimalSign, print);
  if (!ok) error = notWrittenMessage(model.assignFile.AssignOutFile);
  return ok;
}

bool AssignmentRunBase::keepResultFile() {
  if (!draft_.keep()) {
    const std::string& path = model.assignFile.AssignOutFile;
    error = draft_.fileChanged() ? resultFileChangedMessage(path, fileBefore_.AssignOutFile.empty()) : notWrittenMessage(path);
    return false;
  }
  kept_ = true;
  return true;
}

bool assignStepResultFile(AssignmentRun& run) {
  Model& m = run.model;
  const std::string identity = assignHeaderIdentity(m);
  bool header = false;
  const bool ok = run.openResultFile([&](LineWriter& out, bool fresh) {
    header = fresh || m.flags.AssignReRead == 1 || identity != m.assignFile.headerIdentity;
    if (fresh) writeResultBanner(out, kAssignBannerYear);
    if (header) writeAssignHeader(out, m, run.context.date());
  });
  if (ok && header) m.assignFile.headerIdentity = identity;
  return ok;
}

void assignStepReferenceStatistics(AssignmentRun& run) {
  Model& m = run.model;
  m.sel.NSelLoci = m.sel.countSelectedLoci();
  ReferenceBuild how;
  how.minFreqMiss = run.opt.MinFreqMiss;
  how.genotypeTable = run.opt.method() == AssignMethod::GeneticDistance && run.opt.GDOnGenotypes == 1;
  buildReferenceTables(viewOf(m.ds, m.sel), m.sel.LocMode, m.test, how, run.ref);
}

void assignStepScoreGroups(AssignmentRun& run) {
  scoreGroups(run.ref, run.opt, testGroupsOf(run.model), run.results);
  if (run.opt.method() == AssignMethod::GeneticDistance) {
    run.opt.LodCriterion = 1;
    run.model.assignOptions.LodCriterion = 1;
  }
}

bool assignStepReportScores(AssignmentRun& run) {
  Model& m = run.model;
  return run.appendToResultFile([&](LineWriter& out) {
    writeAssignMethodBlock(out, m, run.opt);
    writeAssignScoreTables(out, m, run.opt, run.results);
  });
}

void assignStepFinish(AssignmentRun& run) {
  WorkflowFlags& f = run.model.flags;
  f.AssignRunDone = 1;
  f.AnalysisDone = 0;
  f.AssignReRead = 0;
}

bool runAssignment(AssignmentRun& run) {
  if (!assignStepReloadTestGroups(run)) return false;
  // Before the options: such a file also leaves every locus deselected, which is not what to fix.
  if (run.model.test.NTestGr < 1 && !run.model.test.LocNameRead.empty()) {
    run.error = kNoTestGroupsMessage;
    return false;
  }
  run.error = assignOptionsProblem(run.model, run.opt);
  if (!run.error.empty()) return false;
  run.error = memoryRefusal(assignmentTableNeeds(run.model, run.opt)).message();
  if (!run.error.empty()) return false;
  if (!assignStepResultFile(run)) return false;
  assignStepReferenceStatistics(run);
  assignStepScoreGroups(run);
  if (!assignStepReportScores(run)) return false;
  if (!assignStepExclusion(run)) return false;
  if (!run.keepResultFile()) return false;
  assignStepFinish(run);
  return true;
}

}  // namespace kiwora
