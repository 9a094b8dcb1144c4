// Exclusion probabilities by LOD1 with the Bayesian method: 1000 simulated groups for each of 50 test
// groups of 10 individuals and 30 reference populations of 50 individuals at 15 loci, per generator, on
// every core. BM_ExclusionRow: LOD1, Bayesian, frequencies with intervals, 1000 simulated groups for 50
// groups of 5 against 20 reference populations of 50 at 15 loci, on 1, 2, 4 and 8 threads, with the CPU
// time of the whole process beside the wall time.
#include <benchmark/benchmark.h>

#include "assign/scorers.h"
#include "assign/simulate_exclusion.h"
#include "assign_data.h"
#include "base/worker_pool.h"

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

// state.range(0): worker threads.
void BM_ExclusionRow(benchmark::State& state) {
  gen::Params p;
  p.nPop = 20;
  p.nInd = 50;
  p.nLoci = 15;
  p.seed = 13;
  gen::Data refs = gen::generate(p);
  p.nPop = 50;
  p.nInd = 5;
  p.seed = 14;
  gen::Data groups = gen::generate(p);
  TestGroups test;
  test.NTestGr = groups.ds.NPop;
  test.TestAllele = groups.ds.Allele;
  AssignmentOptions o = optionsFor(1);
  o.NSimGroups = 1000;
  setWorkerThreads(static_cast<int>(state.range(0)));
  std::uint64_t seed = 1;
  for (auto _ : state) {
    // The whole exclusion step of a run: reference tables, the groups' scores, the simulations.
    ReferenceTables ref;
    buildReferenceTables(refs.view(), refs.sel.LocMode, test, buildFor(o), ref);
    std::vector<GroupGenotypes> gs;
    for (int g = 1; g <= test.NTestGr; ++g) gs.push_back(GroupGenotypes{&test.TestAllele, g});
    AssignmentResults r;
    scoreGroups(ref, o, gs, r);
    const SimulationReference sim(
        simulationSource(ref, refs.ds.Allele, test.TestAllele, refs.sel.LocSel, refs.sel.LocMode), SimGenerator::FreqCI);
    const Table2<Cell> e = simulateExclusionLod1(ExclusionSetup{&ref, &o, &sim, seed++, {}}, r);
    benchmark::DoNotOptimize(e(1, 1));
  }
  setWorkerThreads(0);
}
BENCHMARK(BM_ExclusionRow)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
