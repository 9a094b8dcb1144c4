#include "assign/self_assign_run.h"

#include "assign/assignment_report.h"
#include "assign/assignment_run.h"
#include "assign/self_assign.h"
#include "files/result_file.h"
#include "files/text_writer.h"

namespace kiwora {
namespace {

// The self-assignment's banner year line differs from the assignment's by one blank.
constexpr const char* kSelfBannerYear = "  2021   Kiwora";

// The header of a result file that a self-assignment creates: no test groups, the loci when they changed.
void writeSelfHeader(LineWriter& out, Model& m, const AssignmentOptions& opt, const std::string& date) {
  const DataSet& ds = m.ds;
  out.nl();
  out.tab(4).text("Date:  " + date).nl();
  out.tab(4).text("File with reference populations:  " + ds.RefFileName).nl();
  out.nl();
  writeReferencePopulationList(out, m);
  out.nl();
  if (m.flags.LociChanged == 1) {
    out.nl();
    out.tab(4).text(std::string(31, '#')).nl();
    out.tab(4).text("###  List of Selected Loci  ###").nl();
    out.tab(4).text(std::string(31, '#')).nl();
    out.nl();
    out.tab(1).text(std::to_string(m.sel.countSelectedLoci()) + " loci of " + std::to_string(ds.NLoci)).nl();
    out.nl();
    printSelectedLociModes(out, ds, m.sel);
    out.nl();
  }
  m.flags.LociChanged = 0;
  out.nl();
  printWeights(out, opt.WeightBip, opt.WeightMat);
  out.nl();
}

}  // namespace

bool selfStepCheck(SelfAssignmentRun& run) {
  const Model& m = run.model;
  const AssignmentOptions& o = run.opt;
  run.error = assignOptionsProblem(m, o);
  if (run.error.empty() && (o.SelfGroupSize < 1 || o.SelfNTests < 1))
    run.error = "The group size and the number of tests per population must be whole numbers of at least 1!";
  if (run.error.empty()) run.error = selfAssignRefusal(m.ds, m.sel, o);
  return run.error.empty();
}

bool selfStepResultFile(SelfAssignmentRun& run) {
  Model& m = run.model;
  const int lociChanged = m.flags.LociChanged;
  const bool ok = run.openResultFile([&](LineWriter& out, bool fresh) {
    if (!fresh) return;
    writeResultBanner(out, kSelfBannerYear);
    writeSelfHeader(out, m, run.opt, run.context.date());
  });
  if (!ok) m.flags.LociChanged = lociChanged;  // the loci are listed again by the next header
  return ok;
}

void selfStepTests(SelfAssignmentRun& run) {
  const Model& m = run.model;
  run.counts = selfAssignTests(m.ds, m.sel, run.opt, run.context.seed(), run.context);
}

bool selfStepReport(SelfAssignmentRun& run) {
  Model& m = run.model;
  SelfAssignReportHead head;
  head.groupSize = run.opt.SelfGroupSize;
  head.minBipLoci = run.opt.MinBipLoci;
  head.method = selfMethodText(run.opt);
  head.listLoci = m.flags.LociChanged == 1;
  head.weightBip = run.opt.WeightBip;
  head.weightMat = run.opt.WeightMat;
  if (!run.appendToResultFile([&](LineWriter& out) { printSelfAssignReport(out, m.ds, m.sel, head, run.counts); }))
    return false;
  m.flags.LociChanged = 0;
  return true;
}

void selfStepFinish(SelfAssignmentRun& run) {
  WorkflowFlags& f = run.model.flags;
  f.AssignReRead = 1;
  f.AssignRunDone = 1;
  f.AnalysisDone = 0;
}

bool runSelfAssignment(SelfAssignmentRun& run) {
  if (!selfStepCheck(run)) return false;
  if (!selfStepResultFile(run)) return false;
  selfStepTests(run);
  if (!selfStepReport(run)) return false;
  if (!run.keepResultFile()) return false;
  selfStepFinish(run);
  return true;
}

}  // namespace kiwora
