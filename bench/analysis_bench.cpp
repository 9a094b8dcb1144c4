// The population analysis at scale: formatting report numbers, loading an input file, and the whole
// analysis with its report (500 x 100 x 30 with codes up to 10; 100 x 200 x 50 with codes up to 10 and
// spread up to 9001).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/population_analysis.h"
#include "analysis/report.h"
#include "files/input_file.h"
#include "files/text_writer.h"
#include "generate.h"
#include "model/model.h"
#include "platform/scripted_services.h"
#include "stats/allele_stats.h"
#include "stats/clustering.h"
#include "stats/distances.h"
#include "stats/multilocus.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

gen::Params params(int nPop, int nInd, int nLoci, int codeStep) {
  gen::Params p;
  p.nPop = nPop;
  p.nInd = nInd;
  p.nLoci = nLoci;
  p.nAlleles = 10;
  p.codeStep = codeStep;  // 1000: codes 1, 1001, ..., 9001
  p.seed = 7;
  return p;
}

// Numbers through the "0.000" mask into a report line, as the distance matrices print them.
void BM_ReportNumbers(benchmark::State& state) {
  LineWriter w;
  double v = 0.0001;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      w.fmt(v, "0.000").text("  ");
      v += 0.000731;
      if (v > 1) v -= 1;
    }
    w.nl();
    benchmark::DoNotOptimize(w.take());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ReportNumbers);

// Reading an input file's text into the data set: 500 populations x 100 individuals x 30 loci.
void BM_LoadInputFile(benchmark::State& state) {
  const std::string text = gen::inputFileText(gen::generate(params(500, 100, 30, 1)).ds);
  for (auto _ : state) {
    ParseResult r = parseInputText(text);
    DataSet ds;
    Selection sel;
    buildDataSet(r.data, ds, sel);
    benchmark::DoNotOptimize(ds.Allele.nPop());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_LoadInputFile)->Unit(benchmark::kMillisecond);

// CPU seconds of the whole process (every thread), beside the wall time the benchmark reports.
double processCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

double peakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Runs the analysis with the options set in `m` and writes its report to a file; reports the process's
// CPU seconds per run and its peak memory beside the wall time.
void analyseAndReport(benchmark::State& state, Model& m, int threads) {
  AnalysisResults r;
  ScriptedServices services;
  const std::string path = (std::filesystem::temp_directory_path() / "kiwora-bench-report.txt").string();
  setWorkerThreads(threads);
  const double cpu0 = processCpuSeconds();
  for (auto _ : state) {
    Run_Population_Analysis(m, r, runContextOf(services));
    TextFile out;
    out.open(path, TextFile::Mode::Create);
    printPopulationReport(out, AnalysisView(m, r), m.options, true);
    out.close();
  }
  setWorkerThreads(0);
  state.counters["cpu_s"] = (processCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peakMegabytes();
  std::remove(path.c_str());
}

// Allele frequencies, heterozygosity, Gregorius and Nei distances, Dj and Fst, computed and written to a
// result file. Args: populations, individuals, loci, step between allele codes[, threads (0: all)].
void BM_WholeAnalysis(benchmark::State& state) {
  gen::Data d = gen::generate(params(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                     static_cast<int>(state.range(2)), static_cast<int>(state.range(3))));
  Model m;
  m.ds = std::move(d.ds);
  m.sel = std::move(d.sel);
  m.options.FlagFreqAlleles = m.options.FlagHeterozygosity = m.options.FlagDistDG = m.options.FlagDistDN = 1;
  m.options.FlagDj = m.options.FlagFst = 1;
  state.SetLabel("codes up to " + std::to_string(m.ds.MaxAllele));
  analyseAndReport(state, m, state.range(4));
}
BENCHMARK(BM_WholeAnalysis)
    ->Args({500, 100, 30, 1, 0})
    ->Args({100, 200, 50, 1, 0})
    ->Args({100, 200, 50, 1000, 0})
    ->Args({2000, 50, 20, 1, 0})
    ->Args({2000, 50, 20, 1, 1})
    ->Args({2000, 50, 20, 1, 2})
    ->Args({2000, 50, 20, 1, 4})
    ->Args({2000, 50, 20, 1, 8})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The Gregorius distance alone on 2 of 700 populations at 80 loci: what a run holds follows the two
// selected populations, not the 700 of the file.
void BM_DistanceTwoOfMany(benchmark::State& state) {
  gen::Data d = gen::generate(params(700, 50, 80, 1));
  Model m;
  m.ds = std::move(d.ds);
  m.sel = std::move(d.sel);
  for (int p = 3; p <= m.ds.NPop; ++p) m.sel.PopSel[static_cast<std::size_t>(p)] = 0;
  m.options.FlagDistDG = 1;
  analyseAndReport(state, m, 0);
}
BENCHMARK(BM_DistanceTwoOfMany)->Unit(benchmark::kMillisecond)->UseRealTime();
// The average-distance chain alone on 2000 populations x 50 individuals x 20 loci: on the mean Gregorius
// distances (spread values, one clear closest candidate per step) and on the multilocus-genotype distances
// (nearly all within a few units in the last place of 1: every step weighs hundreds of level candidates).
// Arg: 0 gene pool, 1 multilocus.
void BM_ClusterChain(benchmark::State& state) {
  gen::Data d = gen::generate(params(2000, 50, 20, 1));
  const GenotypeView v = viewOf(d.ds, d.sel);
  AlleleStats alleles;
  Calc_Allele_Freq(v, false, alleles);
  GregoriusByLocus perLocus;
  Table2<double> genePool;
  Calc_Dist_Gregorius(v, alleles.AlleleFreq, perLocus, genePool);
  MultilocusGenotypes mlg;
  Calc_Multilocus_Genotypes(v, false, mlg);
  Table2<double> multilocus;
  Calc_Dist_Multilocus(v, mlg, multilocus);
  ClusterSteps steps;
  const double cpu0 = processCpuSeconds();
  for (auto _ : state) {
    if (state.range(0) == 0) Cluster_Average_Chain(d.ds.NPop, d.sel.PopSel, genePool, steps);
    else Cluster_Average_Chain(d.ds.NPop, d.sel.PopSel, multilocus, steps);
    benchmark::DoNotOptimize(steps.Level.data());
  }
  state.counters["cpu_s"] = (processCpuSeconds() - cpu0) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ClusterChain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
