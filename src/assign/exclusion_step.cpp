#include "assign/exclusion_step.h"

#include "assign/simulate_exclusion.h"

namespace kiwora {

bool exclusionByDelta(const AssignmentOptions& opt) {
  return opt.criterion() == ExclusionCriterion::Delta && opt.method() != AssignMethod::GeneticDistance;
}

void assignStepExclusion(AssignmentRun& run) {
  const AssignmentData& d = run.in.data;
  const AssignmentOptions& opt = run.in.opt;
  // A run whose window has not chosen a generator draws by allele frequencies, the window's default.
  const SimGenerator method = opt.generator() == SimGenerator::Unset ? SimGenerator::FreqCI : opt.generator();
  const SimulationReference sim(simulationSource(run.ref, d.ds.Allele, d.test.TestAllele, d.sel.LocSel, d.sel.LocMode),
                                method);
  ExclusionSetup setup{&run.ref, &opt, &sim, run.context.seed(), {}};
  if (run.context.progressSink || run.context.stopRequest)
    setup.progress = [&run](int done, int n) { run.context.progress(masked(100.0 * done / n, "0")); };

  if (exclusionByDelta(opt))
    simulateExclusionDelta(setup, run.results);
  else
    run.exclusion = simulateExclusionLod1(setup, run.results);
}

}  // namespace kiwora
