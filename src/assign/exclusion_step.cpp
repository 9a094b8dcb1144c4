#include "assign/exclusion_step.h"

#include "assign/exclusion_report.h"
#include "assign/simulate_exclusion.h"
#include "files/text_writer.h"

namespace kiwora {

bool assignStepExclusion(AssignmentRun& run) {
  Model& m = run.model;
  const AssignmentOptions& opt = run.opt;
  const int method = opt.SimGenMethod >= 1 && opt.SimGenMethod <= 5 ? opt.SimGenMethod : 1;
  const SimulationReference sim(simulationSource(run.ref, m.ds.Allele, m.test.TestAllele, m.sel.LocSel, m.sel.LocMode),
                                static_cast<SimGenerator>(method));
  ExclusionSetup setup{&run.ref, &opt, &sim, run.context.seed(), {}};
  if (run.context.progressSink || run.context.stopRequest)
    setup.progress = [&run](int done, int n) { run.context.progress(masked(100.0 * done / n, "0")); };

  const bool delta = opt.criterion() == ExclusionCriterion::Delta && opt.method() != AssignMethod::GeneticDistance;
  Table2<Cell> excl;
  if (delta)
    simulateExclusionDelta(setup, run.results);
  else
    excl = simulateExclusionLod1(setup, run.results);

  return run.appendToResultFile([&](LineWriter& out) {
    if (delta)
      writeExclusionDeltaTable(out, m, run.results);
    else
      writeExclusionLod1Tables(out, m, opt, run.results, excl);
  });
}

}  // namespace kiwora
