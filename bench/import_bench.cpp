// The import of a comma-separated table where every row names a population of its own: the names are
// looked up as the rows come. Then the input file written from such a table (one pass over the rows, not
// one per population), and a loci-selection file that names every locus of a large data set.
#include <benchmark/benchmark.h>

#include <string>

#include "files/import_table.h"
#include "files/input_writer.h"
#include "files/loci_selection_file.h"

namespace kiwora {
namespace {

std::string table(int rows) {
  std::string s = "Pop,Group,Ind,X,Y,L1,L1,L2,L2\r\n";
  for (int i = 1; i <= rows; ++i) {
    const std::string n = std::to_string(i);
    s += "Pop" + n + ",G" + std::to_string(i % 100) + ",i" + n + ",10." + n + ",50,1,2,-1,3\r\n";
  }
  return s;
}

void BM_ImportDistinctPopulations(benchmark::State& state) {
  const std::string text = table(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    ImportResult r = parseImportTable(text);
    if (!r.ok()) state.SkipWithError("refused");
    benchmark::DoNotOptimize(r.table.nPop);
  }
}
BENCHMARK(BM_ImportDistinctPopulations)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ImportSaveByPopulation(benchmark::State& state) {
  const ImportResult r = parseImportTable(table(static_cast<int>(state.range(0))));
  if (!r.ok()) {
    state.SkipWithError("refused");
    return;
  }
  for (auto _ : state) {
    const ParsedInput in = importedInput(r.table, ImportUnits::Populations);
    LineWriter out;
    writeInputFile(out, in);
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_ImportSaveByPopulation)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_LociSelectionFile(benchmark::State& state) {
  const int nLoci = static_cast<int>(state.range(0));
  Vec1<std::string> names = makeVec1<std::string>(nLoci);
  std::string text = "Selection\r\n" + std::to_string(nLoci) + "\r\n";
  for (int l = 1; l <= nLoci; ++l) {
    names[static_cast<std::size_t>(l)] = "Locus_" + std::to_string(l);
    text += "Locus_" + std::to_string(nLoci + 1 - l) + "\r\n";
  }
  for (auto _ : state) {
    const LociSelectionResult r = readLociSelection(text, names, nLoci);
    if (!r.ok()) state.SkipWithError("refused");
    benchmark::DoNotOptimize(r.locSel.data());
  }
}
BENCHMARK(BM_LociSelectionFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
