// Scoring of the real test groups: 50 groups of 10 individuals against 30 reference populations of 50
// individuals at 15 loci, for each method; and the reference tables that the scoring reads.
#include <benchmark/benchmark.h>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "assign_data.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

// state.range(0): 1 Bayesian, 2 frequency, 3 distance on alleles, 4 distance on genotypes.
void BM_ScoreGroups(benchmark::State& state) {
  AssignData d;
  const AssignmentOptions o = optionsFor(static_cast<int>(state.range(0)));
  ReferenceTables ref;
  buildReferenceTables(d.refs.view(), d.refs.sel.LocMode, d.test, buildFor(o), ref);
  std::vector<GroupGenotypes> groups;
  for (int g = 1; g <= d.test.NTestGr; ++g) groups.push_back(GroupGenotypes{&d.test.TestAllele, g});
  setWorkerThreads(1);
  AssignmentResults r;
  for (auto _ : state) {
    scoreGroups(ref, o, groups, r);
    benchmark::DoNotOptimize(r.GrBestScore.data());
  }
  setWorkerThreads(0);
}
BENCHMARK(BM_ScoreGroups)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_ReferenceTables(benchmark::State& state) {
  AssignData d;
  const AssignmentOptions o = optionsFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ReferenceTables ref;
    buildReferenceTables(d.refs.view(), d.refs.sel.LocMode, d.test, buildFor(o), ref);
    benchmark::DoNotOptimize(ref.logFreq.row(1, 1));
  }
}
BENCHMARK(BM_ReferenceTables)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
