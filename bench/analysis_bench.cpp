// The population analysis at scale: formatting report numbers, loading an input file, and the whole
// analysis with its report (500 x 100 x 30 with codes up to 10; 100 x 200 x 50 with codes up to 10 and
// spread up to 9001).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/driver.h"
#include "analysis/report.h"
#include "files/input_file.h"
#include "files/text_writer.h"
#include "generate.h"
#include "model/model.h"
#include "platform/scripted_services.h"

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

// Allele frequencies, heterozygosity, Gregorius and Nei distances, Dj and Fst, computed and written to a
// result file. Args: populations, individuals, loci, step between allele codes.
void BM_WholeAnalysis(benchmark::State& state) {
  gen::Data d = gen::generate(params(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                     static_cast<int>(state.range(2)), static_cast<int>(state.range(3))));
  Model m;
  AnalysisResults r;
  m.ds = d.ds;
  m.sel = d.sel;
  m.options.FlagFreqAlleles = m.options.FlagHeterozygosity = m.options.FlagDistDG = m.options.FlagDistDN = 1;
  m.options.FlagDj = m.options.FlagFst = 1;
  ScriptedServices services;
  const std::string path = (std::filesystem::temp_directory_path() / "kiwora-bench-report.txt").string();
  for (auto _ : state) {
    Run_Population_Analysis(m, r, runContextOf(services));
    TextFile out;
    out.open(path, TextFile::Mode::Create);
    printPopulationReport(out, AnalysisView(m, r), m.options, true);
    out.close();
  }
  state.SetLabel("codes up to " + std::to_string(d.ds.MaxAllele));
  std::remove(path.c_str());
}
BENCHMARK(BM_WholeAnalysis)
    ->Args({500, 100, 30, 1})
    ->Args({100, 200, 50, 1})
    ->Args({100, 200, 50, 1000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
