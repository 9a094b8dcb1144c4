// Kinship among individuals with simulated intervals: 10 populations x 500 individuals x 30 loci,
// 5000 simulated pedigrees per population, with and without the pairs file, on 1 thread and on all cores.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "generate.h"
#include "kinship/kinship.h"
#include "kinship/pairs_file.h"
#include "base/worker_pool.h"
#include "stats/allele_stats.h"

namespace kiwora {
namespace {

gen::Data kinshipData() {
  gen::Params p;
  p.nPop = 10;
  p.nInd = 500;
  p.nLoci = 30;
  p.nAlleles = 12;
  p.missing = 0.05;
  p.seed = 42;
  return gen::generate(p);
}

// state.range(0): worker threads (0 = every core); state.range(1): 1 writes the pairs file.
void BM_KinshipWithIntervals(benchmark::State& state) {
  gen::Data d = kinshipData();
  GenotypeView v = d.view();
  AlleleStats a;
  Calc_Allele_Freq(v, false, a);
  AnalysisOptions o;
  o.KinMinData = 0.8;
  Table2<double> geo(d.ds.NPop, d.ds.NPop);
  KinshipResults r;
  const std::string path = (std::filesystem::temp_directory_path() / "kiwora-bench-pairs.csv").string();
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Sim_CI_DGM(v, 5000, 99, 12345, {}, r.sim);
    PairsFile file;
    const bool withFile = state.range(1) == 1 && file.create(path);
    Kinship_Ind_Pairs(v, d.ds.PopName, a.AlleleFreq, geo, 0, o, &r.sim, withFile ? &file : nullptr, {}, r);
    if (withFile) file.close();
    benchmark::DoNotOptimize(r.KinMeanK.data());
  }
  state.SetLabel("threads=" + std::to_string(workerThreads()) + (state.range(1) ? " pairs file" : ""));
  setWorkerThreads(0);
  std::remove(path.c_str());
}
BENCHMARK(BM_KinshipWithIntervals)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SimulatedIntervals(benchmark::State& state) {
  gen::Data d = kinshipData();
  SimulatedIntervals s;
  for (auto _ : state) Sim_CI_DGM(d.view(), 5000, 99, 12345, {}, s);
}
BENCHMARK(BM_SimulatedIntervals)->Unit(benchmark::kMillisecond)->UseRealTime();

// Long series on small data, where setting up and sorting the tables weigh most: 2 populations of 30 at
// 5 loci, state.range(0) simulations each.
void BM_LongSimulatedSeries(benchmark::State& state) {
  gen::Params p;
  p.nPop = 2;
  p.nInd = 30;
  p.nLoci = 5;
  p.nAlleles = 6;
  p.seed = 7;
  gen::Data d = gen::generate(p);
  for (auto _ : state) {
    SimulatedIntervals s;
    Sim_CI_DGM(d.view(), static_cast<int>(state.range(0)), 99, 12345, {}, s);
    benchmark::DoNotOptimize(s.SimNR(1, s.CIHigh));
  }
}
BENCHMARK(BM_LongSimulatedSeries)->Arg(2000000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The pairs of individuals without intervals or pairs file.
struct PairsRun {
  explicit PairsRun(gen::Data data) : d(std::move(data)), geo(d.ds.NPop, d.ds.NPop) {
    Calc_Allele_Freq(d.view(), false, a);
    o.KinMinData = 0.8;
  }
  void run() { Kinship_Ind_Pairs(d.view(), d.ds.PopName, a.AlleleFreq, geo, 0, o, nullptr, nullptr, {}, r); }
  gen::Data d;
  AlleleStats a;
  AnalysisOptions o;
  Table2<double> geo;
  KinshipResults r;
};

void BM_KinshipPairs(benchmark::State& state) {
  PairsRun k(kinshipData());
  for (auto _ : state) k.run();
}
BENCHMARK(BM_KinshipPairs)->Unit(benchmark::kMillisecond)->UseRealTime();

// 800 populations of 50 individuals at 20 loci: many small blocks of pairs. state.range(0): threads.
void BM_KinshipManyPopulations(benchmark::State& state) {
  gen::Params p;
  p.nPop = 800;
  p.nInd = 50;
  p.nLoci = 20;
  p.seed = 7;
  PairsRun k(gen::generate(p));
  setWorkerThreads(static_cast<int>(state.range(0)));
  for (auto _ : state) k.run();
  state.SetLabel("threads=" + std::to_string(workerThreads()));
  setWorkerThreads(0);
}
BENCHMARK(BM_KinshipManyPopulations)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
