// The test between two populations, every statistic ticked: all 190 pairs of 20 populations x 50
// individuals x 15 loci with 1000 permutations, and one pair of 2 x 200 individuals x 50 loci with 10000
// permutations; each on 1 thread and on every core. Then DG and DN alone on all 190 pairs, on 1, 2, 4
// and 8 threads, with the CPU time of the whole process beside the wall time.
#include <benchmark/benchmark.h>

#include "generate.h"
#include "permutation/two_pop_permutation.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

TwoPopRun everyStatistic(int nPerm) {
  TwoPopRun run;
  run.nPerm = nPerm;
  run.stats.diversityV = run.stats.distDG = run.stats.distMLG = run.stats.distDN = true;
  run.seed = 1;
  return run;
}

// state.range(0): worker threads (0 = every core). All pairs of nPop populations, or the first only.
void runPairs(benchmark::State& state, int nPop, int nInd, int nLoci, int nPerm, bool allPairs) {
  gen::Params p;
  p.nPop = nPop;
  p.nInd = nInd;
  p.nLoci = nLoci;
  p.seed = 5;
  gen::Data d = gen::generate(p);
  std::vector<std::pair<int, int>> pairs;
  for (int i = 1; i < p.nPop; ++i)
    for (int j = i + 1; j <= p.nPop; ++j)
      if (allPairs || pairs.empty()) pairs.emplace_back(i, j);
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Test_Two_Pops(d.ds, d.sel, pairs, everyStatistic(nPerm)));
  setWorkerThreads(0);
}

void BM_TwoPopAllPairs(benchmark::State& state) { runPairs(state, 20, 50, 15, 1000, true); }
BENCHMARK(BM_TwoPopAllPairs)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_TwoPopOnePair(benchmark::State& state) { runPairs(state, 2, 200, 50, 10000, false); }
BENCHMARK(BM_TwoPopOnePair)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// DG and DN as the analysis ticked them; state.range(0): worker threads.
void BM_TwoPopAllPairsDGDN(benchmark::State& state) {
  gen::Params p;
  p.nPop = 20;
  p.nInd = 50;
  p.nLoci = 15;
  p.seed = 5;
  const gen::Data d = gen::generate(p);
  std::vector<std::pair<int, int>> pairs;
  for (int i = 1; i < p.nPop; ++i)
    for (int j = i + 1; j <= p.nPop; ++j) pairs.emplace_back(i, j);
  TwoPopRun run;
  run.nPerm = 1000;
  run.stats.distDG = run.stats.distDN = true;
  run.seed = 1;
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Test_Two_Pops(d.ds, d.sel, pairs, run));
  state.SetLabel("190 pairs, 20 x 50 x 15, NPerm 1000, threads=" + std::to_string(workerThreads()));
  setWorkerThreads(0);
}
BENCHMARK(BM_TwoPopAllPairsDGDN)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
