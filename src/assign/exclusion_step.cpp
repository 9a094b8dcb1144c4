#include "assign/exclusion_step.h"

#include "assign/simulate_exclusion.h"

namespace kiwora {

bool exclusionByDelta(const AssignmentOptions& opt) {
  return opt.criterion() == ExclusionCriterion::Delta && opt.method() != AssignMethod::GeneticDistance;
}

void assignStepExclusion(AssignmentRun& run) {
  const AssignmentData& d = run.in.data;
  const AssignmentOptions& opt = run.in.opt;
  const int method = opt.SimGenMethod >= 1 && opt.SimGenMethod <= 5 ? opt.SimGenMethod : 1;
  const SimulationReference sim(simulationSource(run.ref, d.ds.Allele, d.test.TestAllele, d.sel.LocSel, d.sel.LocMode),
                                static_cast<SimGenerator>(method));
  ExclusionSetup setup{&run.ref, &opt, &sim, run.context.seed(), {}};
  if (run.context.progressSink || run.context.stopRequest)
    setup.progress = [&run](int done, int n) { run.context.progress(masked(100.0 * done / n, "0")); };

  if (exclusionByDelta(opt))
    simulateExclusionDelta(setup, run.results);
  else
    run.exclusion = simulateExclusionLod1(setup, run.results);
}

}  // namespace kiwora
