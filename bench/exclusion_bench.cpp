// Exclusion probabilities by LOD1 with the Bayesian method: 1000 simulated groups for each of 50 test
// groups of 10 individuals and 30 reference populations of 50 individuals at 15 loci, per generator, on
// every core.
#include <benchmark/benchmark.h>

#include "assign/scorers.h"
#include "assign/simulate_exclusion.h"
#include "assign_data.h"

namespace kiwora {
namespace {

// state.range(0): the generator, 1..5.
void BM_ExclusionLod1(benchmark::State& state) {
  AssignData d;
  AssignmentOptions o = optionsFor(1);
  o.NSimGroups = 1000;
  ReferenceTables ref;
  buildReferenceTables(d.refs.view(), d.refs.sel.LocMode, d.test, buildFor(o), ref);
  std::vector<GroupGenotypes> groups;
  for (int g = 1; g <= d.test.NTestGr; ++g) groups.push_back(GroupGenotypes{&d.test.TestAllele, g});
  AssignmentResults r;
  scoreGroups(ref, o, groups, r);
  const SimulationReference sim(
      simulationSource(ref, d.refs.ds.Allele, d.test.TestAllele, d.refs.sel.LocSel, d.refs.sel.LocMode),
      static_cast<SimGenerator>(state.range(0)));
  std::uint64_t seed = 1;
  for (auto _ : state) {
    const Table2<Cell> e = simulateExclusionLod1(ExclusionSetup{&ref, &o, &sim, seed++, {}}, r);
    benchmark::DoNotOptimize(e(1, 1));
  }
  state.counters["groups/s"] = benchmark::Counter(1000.0 * 50 * 30, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExclusionLod1)->DenseRange(1, 5)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
