// The two-locus table on generated data: every admitted pair of loci after a full analysis run, computed
// and printed.
#include <benchmark/benchmark.h>

#include "analysis/population_analysis.h"
#include "analysis/two_locus_section.h"
#include "generate.h"
#include "platform/scripted_services.h"

namespace kiwora {
namespace {

void BM_TwoLocusTable(benchmark::State& state) {
  gen::Params prm;
  prm.nPop = 20;
  prm.nInd = 50;
  prm.nLoci = static_cast<int>(state.range(0));
  prm.nAlleles = 10;
  prm.seed = 11;
  gen::Data d = gen::generate(prm);
  Model m;
  AnalysisResults r;
  m.ds = d.ds;
  m.sel = d.sel;
  m.options.setCoordinates(Coordinates::DecimalDegrees);
  m.options.FlagCheckLoci = 1;
  m.options.TwoLocMinDj = 0.05;
  m.options.TwoLocMinData = 0.85;
  ScriptedServices services;
  // The analysis up to the table (its quality check filters the loci); the loop then times the table.
  Run_Population_Analysis(m, r, runContextOf(services));
  m.options.FlagTwoLocus = 1;
  std::size_t rows = 0;
  const RunContext run;
  for (auto _ : state) {
    r.twoLocus = Run_Two_Locus_Table(AnalysisView(m, r), m.options, run);
    LineWriter out;
    printTwoLocusAnalysis(out, AnalysisView(m, r), m.options);
    out.finish();
    const std::string& s = out.str();
    rows = 0;
    for (std::size_t p = 0; (p = s.find("\r\nLoc_", p + 1)) != std::string::npos;) ++rows;
    benchmark::DoNotOptimize(s.data());
  }
  state.SetLabel("20x50x" + std::to_string(prm.nLoci) + " pairs=" + std::to_string(rows));
}
BENCHMARK(BM_TwoLocusTable)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kiwora
BENCHMARK_MAIN();
