// Scoring of the real test groups: 50 groups of 10 individuals against 30 reference populations of 50
// individuals at 15 loci, for each method; and the reference tables that the scoring reads.
#include <benchmark/benchmark.h>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "generate.h"
#include "spatial/parallel_chunks.h"

namespace kiwora {
namespace {

struct AssignData {
  gen::Data refs, groups;
  TestGroups test;
  AssignData() {
    gen::Params p;
    p.nPop = 30;
    p.nInd = 50;
    p.nLoci = 15;
    p.seed = 7;
    refs = gen::generate(p);
    p.nPop = 50;
    p.nInd = 10;
    p.seed = 8;
    groups = gen::generate(p);
    test.NTestGr = groups.ds.NPop;
    test.TestAllele = groups.ds.Allele;
  }
};

AssignmentOptions optionsFor(int method) {
  AssignmentOptions o;
  o.AssMethod = method >= 3 ? 3 : method;
  o.GDOnAlleles = method == 3;
  o.GDOnGenotypes = method == 4;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  return o;
}

ReferenceBuild buildFor(const AssignmentOptions& o) {
  ReferenceBuild how;
  how.minFreqMiss = o.MinFreqMiss;
  how.genotypeTable = o.GDOnGenotypes == 1;
  return how;
}

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
