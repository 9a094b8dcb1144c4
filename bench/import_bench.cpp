// The import of a comma-separated table where every row names a population of its own: the names are
// looked up as the rows come.
#include <benchmark/benchmark.h>

#include <string>

#include "files/import_table.h"

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
    if (!r.ok) state.SkipWithError("refused");
    benchmark::DoNotOptimize(r.table.nPop);
  }
}
BENCHMARK(BM_ImportDistinctPopulations)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kiwora

BENCHMARK_MAIN();
