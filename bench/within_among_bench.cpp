// The tests within populations and among all populations, NPerm 1000, on 8 threads: among 20 populations
// x 50 individuals x 15 loci and among 100 x 200 x 50; within every population of 100 x 200 x 50. Then
// among 100 x 200 x 50 on 1, 2, 4 and 8 threads, with the CPU time of the whole process beside the wall
// time.
#include <benchmark/benchmark.h>

#include "generate.h"
#include "permutation/among_permutation.h"
#include "permutation/within_permutation.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

gen::Data data(int nPop, int nInd, int nLoci) {
  gen::Params p;
  p.nPop = nPop;
  p.nInd = nInd;
  p.nLoci = nLoci;
  p.nAlleles = 10;
  p.missing = 0.05;
  p.seed = 9;
  return gen::generate(p);
}

// state.range: populations, individuals, loci.
void BM_TestAmongPopulations(benchmark::State& state) {
  const gen::Data d = data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  setWorkerThreads(8);
  for (auto _ : state) {
    const AmongTestResult r = Test_Among_Populations(d.ds.Allele, d.ds.MaxAllele, d.sel.LocSel, 1000, false, 5);
    benchmark::DoNotOptimize(r.shareAtLeast.data());
  }
  state.SetLabel("NPerm 1000, threads=" + std::to_string(workerThreads()));
  setWorkerThreads(0);
}
BENCHMARK(BM_TestAmongPopulations)->Args({20, 50, 15})->Args({100, 200, 50})->Unit(benchmark::kMillisecond)->UseRealTime();

// state.range(0): worker threads.
void BM_TestAmongThreads(benchmark::State& state) {
  const gen::Data d = data(100, 200, 50);
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const AmongTestResult r = Test_Among_Populations(d.ds.Allele, d.ds.MaxAllele, d.sel.LocSel, 1000, false, 5);
    benchmark::DoNotOptimize(r.shareAtLeast.data());
  }
  state.SetLabel("100 x 200 x 50, NPerm 1000, threads=" + std::to_string(workerThreads()));
  setWorkerThreads(0);
}
BENCHMARK(BM_TestAmongThreads)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Every population in turn, as "Test all populations" runs them; every statistic tested.
void BM_TestWithinEveryPopulation(benchmark::State& state) {
  const gen::Data d = data(100, 200, 50);
  WithinTestChoice c;
  c.fis = c.degree = c.mlg = true;
  setWorkerThreads(8);
  for (auto _ : state)
    for (int p = 1; p <= d.ds.NPop; ++p) {
      const WithinTestResult r = Test_Within_Population(d.ds.Allele, d.ds.MaxAllele, p, d.sel.LocSel, 1000, c, 5);
      benchmark::DoNotOptimize(r.FisProb.data());
    }
  state.SetLabel("100 x 200 x 50, NPerm 1000, threads=" + std::to_string(workerThreads()));
  setWorkerThreads(0);
}
BENCHMARK(BM_TestWithinEveryPopulation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
