// Self-assignment of 30 populations x 50 individuals x 15 loci: single individuals with each method, and
// groups of 5 with the default number of tests (the total sample size per population), and the cases whose
// genotype or haplotype lists reach the sums (BM_SelfAssignListCases). BM_SelfAssignRow:
// single individuals, Bayesian, 100 populations x 100 individuals x 50 loci on 1, 2, 4 and 8 threads,
// with the CPU time of the whole process beside the wall time.
#include <benchmark/benchmark.h>

#include "assign/self_assign.h"
#include "generate.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

gen::Data selfData() {
  gen::Params p;
  p.nPop = 30;
  p.nInd = 50;
  p.nLoci = 15;
  p.nAlleles = 10;
  p.seed = 7;
  return gen::generate(p);
}

AssignmentOptions options(int m, int groupSize, int nTests) {
  AssignmentOptions o;
  o.AssMethod = m == 4 ? 3 : m;
  o.GDOnAlleles = m == 3;
  o.GDOnGenotypes = m == 4;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  o.SelfGroupSize = groupSize;
  o.SelfNTests = nTests;
  o.MinBipLoci = 1;
  return o;
}

// state.range(0): 1 Bayesian, 2 frequency, 3 distance on alleles, 4 distance on genotypes.
void BM_SelfAssignSingle(benchmark::State& state) {
  gen::Data d = selfData();
  const AssignmentOptions o = options(static_cast<int>(state.range(0)), 1, 1);
  for (auto _ : state) benchmark::DoNotOptimize(selfAssignTests(d.ds, d.sel, o, 1).totalTests());
  state.SetLabel("threads=" + std::to_string(workerThreads()));
}
BENCHMARK(BM_SelfAssignSingle)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_SelfAssignGroups5(benchmark::State& state) {
  gen::Data d = selfData();
  int total = 0;
  for (int p = 1; p <= d.ds.NPop; ++p) total += d.ds.Allele.nInd(p);
  const AssignmentOptions o = options(static_cast<int>(state.range(0)), 5, total);
  for (auto _ : state) benchmark::DoNotOptimize(selfAssignTests(d.ds, d.sel, o, 1).totalTests());
  state.SetLabel("threads=" + std::to_string(workerThreads()));
}
BENCHMARK(BM_SelfAssignGroups5)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

// The cases that once rebuilt the reference tables for every test. state.range(0): 0 distance on genotypes,
// 1 distance on alleles with a maternal locus, 2 Bayesian groups of 5 with a maternal and a paternal locus.
void BM_SelfAssignListCases(benchmark::State& state) {
  gen::Data d = selfData();
  const int which = static_cast<int>(state.range(0));
  if (which > 0) d.sel.LocMode[d.ds.NLoci - 1] = 2;
  if (which == 2) d.sel.LocMode[d.ds.NLoci] = 3;
  const AssignmentOptions o = which == 0 ? options(4, 1, 1) : which == 1 ? options(3, 1, 1) : options(1, 5, 50);
  for (auto _ : state) benchmark::DoNotOptimize(selfAssignTests(d.ds, d.sel, o, 1).totalTests());
}
BENCHMARK(BM_SelfAssignListCases)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// state.range(0): worker threads.
void BM_SelfAssignRow(benchmark::State& state) {
  gen::Params p;
  p.nPop = 100;
  p.nInd = 100;
  p.nLoci = 50;
  p.seed = 11;
  gen::Data d = gen::generate(p);
  const AssignmentOptions o = options(1, 1, 1);
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(selfAssignTests(d.ds, d.sel, o, 1).totalTests());
  setWorkerThreads(0);
}
BENCHMARK(BM_SelfAssignRow)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
