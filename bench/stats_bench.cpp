// The statistics core I on generated data, in the order an analysis run calls it.
#include <benchmark/benchmark.h>

#include "generate.h"
#include "stats/allele_stats.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {
namespace {

gen::Params shape(int nPop, int nInd, int nLoci, int nAlleles, int firstCode, int step) {
  gen::Params p;
  p.nPop = nPop;
  p.nInd = nInd;
  p.nLoci = nLoci;
  p.nAlleles = nAlleles;
  p.missing = 0.05;
  p.seed = 42;
  p.firstCode = firstCode;
  p.codeStep = step;
  return p;
}

const gen::Params kShapes[] = {
    shape(20, 50, 15, 12, 100, 2),      // microsatellite-like, fragment-size codes
    shape(100, 200, 50, 20, 120, 3),    // microsatellite-like, fragment-size codes
    shape(20, 50, 10000, 2, 1, 1),      // biallelic
};

struct Results {
  AlleleStats alleles;
  VariationStats variation;
  MultilocusGenotypes mlg;
  GenotypeTable table;
  Table2<Cell> distMLG;
};

void runCore(GenotypeView& v, const Vec1<int>& locMode, Results& r) {
  Count_Single_Locus_Genotypes(v, r.variation);
  Calc_Allele_Freq(v, false, r.alleles);
  Calc_Genotype_Freq(v, locMode, true, r.table);
  Calc_Multilocus_Genotypes(v, false, r.mlg);
  Calc_Degree_Heterozygosity(v, r.variation);
  Calc_Heterozygosity(v, r.alleles, r.variation);
  Calc_Diversity_V(v, r.alleles, r.variation);
  Calc_Evenness(v, r.alleles, r.variation);
  Calc_Dist_Multilocus(v, r.mlg, r.distMLG);
  Calc_Percent_Polymorphic(v, r.alleles, r.variation);
}

void BM_CoreI(benchmark::State& state) {
  gen::Data d = gen::generate(kShapes[state.range(0)]);
  GenotypeView v = d.view();
  Results r;
  for (auto _ : state) {
    runCore(v, d.sel.LocMode, r);
    benchmark::DoNotOptimize(r.variation.HeMean.data());
  }
  state.SetLabel(std::to_string(d.ds.NPop) + "x" + std::to_string(kShapes[state.range(0)].nInd) + "x" +
                 std::to_string(d.ds.NLoci) + " types=" + std::to_string(r.mlg.NMLGTypes));
}
BENCHMARK(BM_CoreI)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

template <class Step>
void stepBench(benchmark::State& state, Step step) {
  gen::Data d = gen::generate(kShapes[state.range(0)]);
  GenotypeView v = d.view();
  Results r;
  runCore(v, d.sel.LocMode, r);
  for (auto _ : state) step(v, d, r);
}

void BM_AlleleFreq(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data&, Results& r) { Calc_Allele_Freq(v, false, r.alleles); });
}
void BM_Heterozygosity(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data&, Results& r) { Calc_Heterozygosity(v, r.alleles, r.variation); });
}
void BM_GenotypeCounts(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data&, Results& r) { Count_Single_Locus_Genotypes(v, r.variation); });
}
void BM_GenotypeTable(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data& d, Results& r) { Calc_Genotype_Freq(v, d.sel.LocMode, true, r.table); });
}
void BM_Multilocus(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data&, Results& r) { Calc_Multilocus_Genotypes(v, false, r.mlg); });
}
void BM_DistMultilocus(benchmark::State& s) {
  stepBench(s, [](GenotypeView& v, gen::Data&, Results& r) { Calc_Dist_Multilocus(v, r.mlg, r.distMLG); });
}
BENCHMARK(BM_AlleleFreq)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Heterozygosity)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenotypeCounts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenotypeTable)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Multilocus)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DistMultilocus)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
