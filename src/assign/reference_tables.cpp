#include "assign/reference_tables.h"

#include <algorithm>
#include <cmath>

#include "assign/log_tables.h"

namespace kiwora {

void HaplotypeTable::reset(int nPop) {
  keys.assign(1, std::string());
  index_.clear();
  counts_.assign(static_cast<std::size_t>(nPop < 0 ? 0 : nPop) + 1, {});
  nComplete = makeVec1<int>(nPop);
  freq.resize(nPop, 0);
}

void HaplotypeTable::count(int p, const std::string& key) {
  auto [it, fresh] = index_.try_emplace(key, static_cast<int>(keys.size()));
  if (fresh) keys.push_back(key);
  std::vector<double>& row = counts_[static_cast<std::size_t>(p)];
  if (row.size() < keys.size()) row.resize(keys.size(), 0.0);
  row[static_cast<std::size_t>(it->second)] += 1;
  ++nComplete[static_cast<std::size_t>(p)];
}

void finishHaplotypeTable(HaplotypeTable& t, int nPop) {
  t.freq.resize(nPop, t.size());
  for (int p = 1; p <= nPop; ++p) {
    const auto& row = t.counts_[static_cast<std::size_t>(p)];
    const int n = t.nComplete[static_cast<std::size_t>(p)];
    if (n == 0) continue;
    for (std::size_t h = 1; h < row.size(); ++h) t.freq(p, static_cast<int>(h)) = row[h] / n;
  }
  t.counts_.clear();
}

namespace {

void buildHaplotypes(const GenotypeReader& ref, const std::vector<int>& loci, const std::vector<int>& pops,
                     HaplotypeTable& t) {
  t.reset(ref.nPop);
  if (!loci.empty())
    for (int p : pops)
      for (int i = 1; i <= ref.nInd(p); ++i) {
        const std::string key = haplotypeKey(loci, [&](int l) { return ref.a1(p, l, i); });
        if (!key.empty()) t.count(p, key);
      }
  finishHaplotypeTable(t, ref.nPop);
}

void logOfHaplotypes(const HaplotypeTable& t, const std::vector<int>& pops, double logMiss, Table2<double>& out) {
  out.resize(t.freq.n1(), t.size(), logMiss);
  for (int p : pops)
    for (int h = 1; h <= t.size(); ++h)
      if (t.freq(p, h) > 0) out(p, h) = std::log10(t.freq(p, h));
}

}  // namespace

double ReferenceTables::log10Factorial(int n) const {
  if (n < static_cast<int>(logFact.size())) return logFact[static_cast<std::size_t>(n < 0 ? 0 : n)];
  return Log10_Factorial(n);
}

void buildReferenceTables(const GenotypeReader& ref, const Vec1<int>& locMode, const TestGroups& test,
                          const ReferenceBuild& how, ReferenceTables& out) {
  out.nPop = ref.nPop;
  out.nLoci = ref.nLoci;
  out.maxAllele = ref.maxAllele;
  out.candidates = ref.selectedPops();
  out.isCandidate = makeVec1<int>(ref.nPop);
  for (int p : out.candidates) out.isCandidate[static_cast<std::size_t>(p)] = 1;
  out.bipLoci.clear();
  out.matLoci.clear();
  out.patLoci.clear();
  for (int l = 1; l <= ref.nLoci; ++l) {
    if (!ref.locOn(l)) continue;
    const Inheritance mode = inheritanceAt(locMode, l);
    (mode == Inheritance::Maternal ? out.matLoci : mode == Inheritance::Paternal ? out.patLoci : out.bipLoci).push_back(l);
  }

  // The assignment never applies the dominant-marker correction, whatever the population analysis uses.
  Calc_Allele_Freq(ref, false, out.alleles);
  Calc_Heterozygosity(ref, out.alleles, out.variation);
  buildHaplotypes(ref, out.matLoci, out.candidates, out.maternal);
  buildHaplotypes(ref, out.patLoci, out.candidates, out.paternal);

  // Allele presence: in a candidate population or in a member of a test group.
  std::vector<std::vector<int>> present(static_cast<std::size_t>(ref.nLoci < 0 ? 0 : ref.nLoci) + 1);
  for (int l = 1; l <= ref.nLoci; ++l) {
    if (!ref.locOn(l)) continue;
    std::vector<int>& codes = present[static_cast<std::size_t>(l)];
    for (int a : out.alleles.PresentCodes[static_cast<std::size_t>(l)])
      if (a >= 1 && a <= ref.maxAllele) codes.push_back(a);
    if (l <= test.TestAllele.nLoci())
      for (int g = 1; g <= test.NTestGr; ++g)
        for (int i = 1; i <= test.TestAllele.nInd(g); ++i)
          for (int a : {test.TestAllele.a1(g, l, i), test.TestAllele.a2(g, l, i)})
            if (a >= 1 && a <= ref.maxAllele) codes.push_back(a);
  }
  out.present = std::make_shared<const LocusCodes>(ref.nLoci, ref.maxAllele, present);
  out.NAllelesLoc = makeVec1<int>(ref.nLoci);
  for (int l = 1; l <= ref.nLoci; ++l) out.NAllelesLoc[static_cast<std::size_t>(l)] = out.present->count(l);

  out.hasGenotypes = how.genotypeTable;
  if (how.genotypeTable) Calc_Genotype_Freq(ref, locMode, false, out.genotypes);
  else out.genotypes = GenotypeTable{};

  // Logarithms of every cell a scorer reads.
  out.minFreqMiss = how.minFreqMiss;
  out.logMinFreqMiss = std::log10(how.minFreqMiss);
  out.logFreq.resize(ref.nPop, out.present, out.logMinFreqMiss);
  out.logPrior.resize(ref.nPop, out.present);
  out.logPrior1.resize(ref.nPop, out.present);
  out.logDenom.resize(ref.nPop, ref.nLoci);
  for (int p : out.candidates)
    for (int l : out.bipLoci) {
      const double n = out.alleles.GeneCount(p, l);
      const int k = out.NAllelesLoc[static_cast<std::size_t>(l)];
      out.logDenom(p, l) = std::log10((n + 1) * (n + 2));
      const auto logFreq = out.logFreq.write(p, l);
      const auto logPrior = out.logPrior.write(p, l);
      const auto logPrior1 = out.logPrior1.write(p, l);
      if (k > 0) {
        // A code without a cell: frequency 0.
        const double x = n * 0.0;
        out.logPrior.unlisted(p, l) = std::log10(x + 1.0 / k);
        out.logPrior1.unlisted(p, l) = std::log10(x + 1 + 1.0 / k);
      }
      for (int a : out.present->codes(l)) {
        const double f = out.alleles.AlleleFreq(p, l, a);
        if (f > 0) logFreq[a] = std::log10(f);
        if (k > 0) {
          const double x = n * f;
          logPrior[a] = std::log10(x + 1.0 / k);
          logPrior1[a] = std::log10(x + 1 + 1.0 / k);
        }
      }
    }
  logOfHaplotypes(out.maternal, out.candidates, out.logMinFreqMiss, out.logHapMat);
  logOfHaplotypes(out.paternal, out.candidates, out.logMinFreqMiss, out.logHapPat);

  int largest = how.largestGroup;
  for (int g = 1; g <= test.NTestGr; ++g) largest = std::max(largest, test.TestAllele.nInd(g));
  out.logFact = log10FactorialTable(2 * largest + 2);
}

}  // namespace kiwora
