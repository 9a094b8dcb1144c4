#include "permutation/permutation_run.h"

#include "base/number_format.h"
#include "permutation/among_report.h"
#include "permutation/run_support.h"
#include "permutation/two_pop_report.h"
#include "permutation/within_report.h"
#include "stats/population_copy.h"

namespace kiwora {

Refusal PermutationRun::appendReport(const std::string& path, const ResultFileMark& began) const {
  return appendSection(path, context.decimalSign, [this](LineWriter& out) { printReport(out); }, &began);
}

std::string permutationPercent(int perm, int nPerm) {
  return masked(100.0 * perm / (nPerm > 0 ? nPerm : 1), "0");
}

TwoPopulationTestRun::TwoPopulationTestRun(const DataSet& d, const Selection& s, const PermutationOptions& o,
                                           const AnalysisOptions& analysis, const RunContext& c)
    : PermutationRun(d, s, o, c), pairs(testedPairs(d, s, o)), stats(statisticsOf(analysis)) {}

std::vector<std::pair<int, int>> TwoPopulationTestRun::testedPairs(const DataSet& ds, const Selection& sel,
                                                                   const PermutationOptions& o) {
  std::vector<std::pair<int, int>> pairs;
  if (o.tested() == PopulationChoice::All) {
    for (int i = 1; i < ds.NPop; ++i)
      for (int j = i + 1; j <= ds.NPop; ++j)
        if (populationUsable(ds, sel, i) && populationUsable(ds, sel, j)) pairs.emplace_back(i, j);
  } else if (o.TestPop1 != o.TestPop2 && populationUsable(ds, sel, o.TestPop1) && populationUsable(ds, sel, o.TestPop2)) {
    pairs.emplace_back(o.TestPop1, o.TestPop2);
  }
  return pairs;
}

TwoPopStatistics TwoPopulationTestRun::statisticsOf(const AnalysisOptions& a) {
  TwoPopStatistics s;
  s.diversityV = a.FlagDiversityV == 1;
  s.distDG = a.FlagDistDG == 1;
  s.distMLG = a.FlagDistDG == 1 && a.FlagFreqMLG == 1;
  s.distDN = a.FlagDistDN == 1;
  s.dominant = a.FlagDominant == 1;
  return s;
}

bool TwoPopulationTestRun::testsNothing(const PermutationOptions& opt, const TwoPopStatistics& stats) {
  const bool distances = stats.distDG || stats.distDN;
  return opt.tested() == PopulationChoice::All ? !distances : !distances && !stats.diversityV;
}

const std::vector<PairResult>& TwoPopulationTestRun::run() {
  TwoPopRun run;
  run.nPerm = opt.NPerm;
  run.unit = opt.unit();
  run.smallestSize = opt.sampleSizes() == ResampledSizes::Smallest;
  run.stats = stats;
  run.seed = context.seed();
  results = Test_Two_Pops(ds, sel, pairs, run, [this](int p1, int p2, int done) {
    underTest_ = {p1, p2};
    context.progress(std::to_string(done) + " %");
  });
  return results;
}

void TwoPopulationTestRun::printReport(LineWriter& out) const {
  const TwoPopReportInfo info{&ds, &sel, opt.NPerm, opt.unit(), opt.sampleSizes() == ResampledSizes::Smallest, stats};
  if (opt.tested() == PopulationChoice::All) printTwoPopSummary(out, info, results);
  else if (!results.empty()) printPairReport(out, info, results.front());
}

WithinTestRun::WithinTestRun(const DataSet& d, const Selection& s, const PermutationOptions& o, const AnalysisOptions& analysis,
                             const RunContext& c)
    : PermutationRun(d, s, o, c), populations(testedPopulations(d, s, o)), choice(choiceOf(analysis)) {}

std::vector<int> WithinTestRun::testedPopulations(const DataSet& ds, const Selection& sel, const PermutationOptions& o) {
  if (o.tested() == PopulationChoice::All) return selectedPopulations(sel.PopSel, ds.NPop);
  if (o.TestPop1 >= 1 && o.TestPop1 <= ds.NPop) return {o.TestPop1};
  return {};
}

WithinTestChoice WithinTestRun::choiceOf(const AnalysisOptions& a) {
  WithinTestChoice choice;
  choice.fis = a.FlagHeterozygosity == 1;
  choice.degree = a.FlagDegreeHet == 1;
  choice.mlg = a.FlagVariationMLG == 1;
  choice.dominant = a.FlagDominant == 1;
  return choice;
}

const std::vector<WithinTestResult>& WithinTestRun::run() {
  // Each test copies its population itself, and the busy state keeps the data set as it is meanwhile (as
  // for the other two tests): the whole data set needs no copy of its own.
  const GenotypeData& genotypes = ds.Allele;
  const std::uint64_t seed = context.seed();
  const int nPerm = opt.NPerm;
  results.clear();
  for (int p : populations) {
    reached_ = p;
    results.push_back(Test_Within_Population(genotypes, ds.MaxAllele, p, sel.LocSel, nPerm, choice, seed, [&](int perm) {
      context.progress("Pop " + std::to_string(p) + " " + permutationPercent(perm, nPerm) + "%");
    }));
  }
  return results;
}

void WithinTestRun::printReport(LineWriter& out) const {
  for (const WithinTestResult& r : results) printWithinTestReport(out, r, choice, ds, sel.LocSel);
}

AmongTestRun::AmongTestRun(const DataSet& d, const Selection& s, const PermutationOptions& o, const AnalysisOptions& analysis,
                           const RunContext& c)
    : PermutationRun(d, s, o, c), dominant(analysis.FlagDominant == 1) {}

const AmongTestResult& AmongTestRun::run() {
  const int nPerm = opt.NPerm;
  const GenotypeData genotypes = copyOfPopulations(ds.Allele, selectedPopulations(sel.PopSel, ds.NPop));
  result = Test_Among_Populations(genotypes, ds.MaxAllele, sel.LocSel, nPerm, dominant, context.seed(),
                                  [this, nPerm](int perm) { context.progress(permutationPercent(perm, nPerm) + " %"); });
  return result;
}

void AmongTestRun::printReport(LineWriter& out) const { printAmongTestReport(out, result, ds.LocName); }

}  // namespace kiwora
