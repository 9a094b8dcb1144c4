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
  ExclusionSetup setup{&run.ref, &opt, &sim, run.services.clockSeed(), {}};
  if (run.progress)
    setup.progress = [&run](int done, int n) { run.progress(masked(100.0 * done / n, "0")); };

  const bool delta = opt.LodCriterion == 2 && opt.AssMethod != 3;
  Table2<Cell> excl;
  if (delta)
    simulateExclusionDelta(setup, m.assign);
  else
    excl = simulateExclusionLod1(setup, m.assign);

  return run.appendToResultFile([&](LineWriter& out) {
    if (delta)
      writeExclusionDeltaTable(out, m, m.assign);
    else
      writeExclusionLod1Tables(out, m, opt, m.assign, excl);
  });
}

}  // namespace kiwora
