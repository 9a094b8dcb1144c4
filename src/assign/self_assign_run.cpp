#include "assign/self_assign_run.h"

#include "assign/assignment_report.h"
#include "assign/self_assign.h"
#include "files/result_file.h"
#include "files/text_writer.h"

namespace kiwora {
namespace {

// The self-assignment's banner year line differs from the assignment's by one blank.
constexpr const char* kSelfBannerYear = "  2021   Kiwora";

// The header of a result file that a self-assignment creates: no test groups, the loci when they changed.
void writeSelfHeader(LineWriter& out, const AssignmentInput& in, const std::string& date) {
  const DataSet& ds = in.data.ds;
  out.nl();
  out.tab(4).text("Date:  " + date).nl();
  out.tab(4).text("File with reference populations:  " + ds.RefFileName).nl();
  out.nl();
  writeReferencePopulationList(out, in.data);
  out.nl();
  if (in.lociChanged) {
    out.nl();
    out.tab(4).text(std::string(31, '#')).nl();
    out.tab(4).text("###  List of Selected Loci  ###").nl();
    out.tab(4).text(std::string(31, '#')).nl();
    out.nl();
    out.tab(1).text(std::to_string(in.data.sel.countSelectedLoci()) + " loci of " + std::to_string(ds.NLoci)).nl();
    out.nl();
    printSelectedLociModes(out, ds, in.data.sel);
    out.nl();
  }
  out.nl();
  printWeights(out, in.opt.WeightBip, in.opt.WeightMat);
  out.nl();
}

}  // namespace

Refusal selfAssignmentRefusal(const Model& m, const AssignmentOptions& o) {
  if (Refusal refused = assignOptionsProblem(m, o)) return refused;
  if (o.SelfGroupSize < 1 || o.SelfNTests < 1)
    return Refusal("The group size and the number of tests per population must be whole numbers of at least 1!");
  return selfAssignRefusal(m.ds, m.sel, o);
}

const SelfAssignCounts& SelfAssignmentRun::run() {
  counts = selfAssignTests(in.data.ds, in.data.sel, in.opt, context.seed(), context);
  return counts;
}

Refusal SelfAssignmentRun::writeReport() {
  SelfAssignReportHead head;
  head.groupSize = in.opt.SelfGroupSize;
  head.minBipLoci = in.opt.MinBipLoci;
  head.method = selfMethodText(in.opt);
  // The header of a new file has listed them already.
  head.listLoci = in.lociChanged && !createsFile();
  head.weightBip = in.opt.WeightBip;
  head.weightMat = in.opt.WeightMat;
  return writeWhole([&](LineWriter& out) {
    if (createsFile()) {
      writeResultBanner(out, kSelfBannerYear);
      writeSelfHeader(out, in, context.date());
      out.finish();  // as closing the file after the header would
    }
    printSelfAssignReport(out, in.data.ds, in.data.sel, head, counts);
  });
}

void completeSelfAssignment(Model& m, const SelfAssignmentRun& run) {
  m.assignFile.AssignOutFile = run.resultFile();
  m.assignFile.written = run.written();
  m.assignFile.startAfresh = false;
  WorkflowFlags& f = m.flags;
  f.LociChanged = 0;
  f.AssignReRead = 1;
  f.AssignRunDone = 1;
  f.AnalysisDone = 0;
}

}  // namespace kiwora
