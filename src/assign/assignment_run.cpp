#include "assign/assignment_run.h"

#include <cmath>
#include <sys/stat.h>

#include "assign/exclusion_report.h"
#include "assign/exclusion_step.h"
#include "assign/reload_test_file.h"
#include "assign/scorers.h"
#include "files/atomic_file.h"
#include "files/result_file.h"
#include "files/text_writer.h"
#include "stats/genotype_view.h"

namespace kiwora {
namespace {

std::vector<GroupGenotypes> testGroupsOf(const TestGroups& test) {
  std::vector<GroupGenotypes> groups;
  for (int g = 1; g <= test.NTestGr; ++g) groups.push_back(GroupGenotypes{&test.TestAllele, g});
  return groups;
}

bool wholeAtLeastOne(int v) { return v >= 1; }

}  // namespace

AssignmentInput assignmentInput(const Model& m, const Selection& sel) {
  return {{m.ds, sel, m.test}, m.assignOptions, m.assignFile, m.flags.LociChanged == 1, m.flags.AssignReRead == 1,
          m.startedResultFiles};
}

Refusal assignOptionsProblem(const Model& m, const AssignmentOptions& opt) {
  if (opt.method() == AssignMethod::Unset ||
      (opt.method() == AssignMethod::GeneticDistance && opt.GDOnAlleles != 1 && opt.GDOnGenotypes != 1))
    return Refusal("Choose a method for the assignment!");
  if (!(opt.MinFreqMiss > 0 && opt.MinFreqMiss <= 0.2))
    return Refusal("The minimum frequency of missing alleles must lie above 0 and not above 0.2!");
  if (!wholeAtLeastOne(opt.NSimGroups)) return Refusal("The number of simulated groups must be a whole number of at least 1!");
  // A file of no test groups is read (LocNameRead holds its loci): the self-assignment needs no groups.
  if (m.ds.NPop < 1 || (m.test.NTestGr < 1 && m.test.LocNameRead.empty()))
    return Refusal("Open the reference file and the test file first!");
  if (m.sel.countSelectedPops() == 0) return Refusal("No reference population is selected! Select populations first!");
  if (m.sel.countSelectedLoci() == 0) return Refusal("No locus is selected! Select loci first!");
  return {};
}

Refusal assignmentRefusal(Model& m) {
  if (Refusal refused = reloadTestGroupsAfterSelfAssignment(m)) return refused;
  // Before the options: such a file also leaves every locus deselected, which is not what to fix.
  if (m.test.NTestGr < 1 && !m.test.LocNameRead.empty()) return Refusal(kNoTestGroupsMessage);
  return assignOptionsProblem(m, m.assignOptions);
}

std::vector<TableNeed> assignmentTableNeeds(const Model& m, const AssignmentOptions& opt) {
  // GrScore, GrProb and the exclusion table hold cells; ExclCount and the groups' own scores doubles.
  const double cells = (m.test.NTestGr + 1.0) * (m.ds.NPop + 1.0);
  std::vector<TableNeed> needs = {
      {cells * (3 * sizeof(Cell) + 2 * sizeof(double)),
       "the scores of " + std::to_string(m.test.NTestGr) + " test groups against " + std::to_string(m.ds.NPop) +
           " reference populations"}};
  if (exclusionByDelta(opt))
    needs.push_back({2 * (opt.NSimGroups + 1.0) * sizeof(double),
                     "\"Number of simulated groups\" " + std::to_string(opt.NSimGroups)});
  return needs;
}

Refusal AssignmentRunBase::begin() {
  const bool named = !in.file.AssignOutFile.empty();
  path_ = named ? in.file.AssignOutFile : resultFileName(in.data.ds.RefFileName);
  startsPart_ = !named || in.file.startAfresh;
  // The message names what keeps the file from being written (a folder, a pipe, a write-protected file).
  const auto unwritable = [&](const Refusal& why) {
    return Refusal("The result file " + path_ + " cannot be written (" + why.message() + ")! Nothing was calculated.");
  };
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return unwritable(Refusal(notRegularText(st.st_mode)));
  if (Refusal why = replaceRefusal(path_)) return unwritable(why);
  appends_ = !startsPart_;
  if (appends_) {
    // Only the file the earlier runs wrote, with their text unchanged; a link to another file, or to the
    // moved file itself, is another file.
    bool under = false, inPlace = false;
    if (Refusal unread = markResultFile(path_, began_, &in.file.written, &under, &inPlace)) return unwritable(unread);
    if (under) return {};
    // This program started it afresh for a data file it loaded (opened again since): the assignment's part
    // begins again after that header block, as a first run's does after an analysis.
    if (!inPlace && inDataResultFile()) {
      startsPart_ = true;
      return {};
    }
    return Refusal(assignmentFileChangedMessage(path_, inPlace));
  }
  // A data file's result file that this program started keeps what its runs wrote there; a link standing
  // in its place is replaced, not followed.
  if (inDataResultFile()) {
    appends_ = true;
    return {};
  }
  if (!draft_.begin(path_)) return unwritable(draft_.problem());
  return {};
}

bool AssignmentRunBase::inDataResultFile() {
  struct stat st {};
  if (::lstat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  for (const ResultFileMark& started : in.dataResultFiles) {
    bool under = false;
    if (markResultFile(path_, began_, &started, &under)) return false;
    if (under) return true;
  }
  return false;
}

Refusal AssignmentRunBase::writeWhole(const std::function<void(LineWriter& out)>& print) {
  // An appending run writes as the analysis does: under the lock, only to the file it began in.
  if (appends_) return appendSection(path_, context.decimalSign, print, &began_, &written_);
  // A first run replaces the file, which its draft beside it does in one step.
  bool written = draft_.active();
  Refusal outProblem;
  if (written) {
    TextFile out(context.decimalSign);
    written = out.open(draft_.path(), TextFile::Mode::Append);
    if (written) {
      print(out);
      written = out.close();
    }
    if (!written) outProblem = out.problem();
  }
  if (!written) {
    draft_.drop();
    return Refusal(notWrittenMessage(path_, outProblem));
  }
  if (!draft_.keep())
    return Refusal(draft_.fileChanged() ? resultFileChangedMessage(path_, true) : notWrittenMessage(path_, draft_.problem()));
  written_ = draft_.written();
  return {};
}

const AssignmentResults& AssignmentRun::run() {
  const AssignmentData& d = in.data;
  ReferenceBuild how;
  how.minFreqMiss = in.opt.MinFreqMiss;
  how.genotypeTable = in.opt.method() == AssignMethod::GeneticDistance && in.opt.GDOnGenotypes == 1;
  buildReferenceTables(readerOf(d.ds, d.sel), d.sel.LocMode, d.test, how, ref);
  scoreGroups(ref, in.opt, testGroupsOf(d.test), results);
  if (in.opt.method() == AssignMethod::GeneticDistance) in.opt.setCriterion(ExclusionCriterion::Lod1);
  assignStepExclusion(*this);
  return results;
}

bool AssignmentRun::writesHeader() const {
  return createsFile() || in.afterSelfAssignment || assignHeaderIdentity(in.data) != in.file.headerIdentity;
}

Refusal AssignmentRun::writeReport() {
  const AssignmentData& d = in.data;
  return writeWhole([&](LineWriter& out) {
    if (createsFile()) writeResultBanner(out, kAssignBannerYear);
    if (writesHeader()) writeAssignHeader(out, d, context.date());
    // Each block ends its last line, as closing the file after it would.
    out.finish();
    writeAssignMethodBlock(out, d, in.opt);
    writeAssignScoreTables(out, d, in.opt, results);
    out.finish();
    if (exclusionByDelta(in.opt))
      writeExclusionDeltaTable(out, d, results);
    else
      writeExclusionLod1Tables(out, d, in.opt, results, exclusion);
  });
}

void completeAssignment(Model& m, const AssignmentRun& run) {
  m.assignFile.AssignOutFile = run.resultFile();
  m.assignFile.written = run.written();
  m.assignFile.startAfresh = false;
  if (run.writesHeader()) m.assignFile.headerIdentity = assignHeaderIdentity(run.in.data);
  if (run.in.opt.method() == AssignMethod::GeneticDistance) m.assignOptions.setCriterion(run.in.opt.criterion());
  WorkflowFlags& f = m.flags;
  f.AssignRunDone = 1;
  f.AnalysisDone = 0;
  f.AssignReRead = 0;
}

}  // namespace kiwora
