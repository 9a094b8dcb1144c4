#include "permutation/within_permutation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "permutation/permutation_blocks.h"
#include "stats/population_copy.h"
#include "permutation/run_support.h"
#include "permutation/within_resampling.h"
#include "stats/allele_stats.h"

namespace kiwora {
namespace {

// What one permutation gives.
struct Outcome {
  std::vector<Cell> fis;  // (locus)
  Cell fisMean;
  std::vector<Cell> degree;  // (class)
  int nTypes = 0;
  Cell diversity;
};

// Count of the defined permuted values that pass, and their number.
struct Tally {
  int hits = 0, defined = 0;
  double sum = 0;
  void add(const Cell& v, bool hit) {
    if (!v) return;
    ++defined;
    hits += hit;
    sum += *v;
  }
  Cell share() const { return defined > 0 ? Cell(static_cast<double>(hits) / defined) : std::nullopt; }
  Cell mean() const { return defined > 0 ? Cell(sum / defined) : std::nullopt; }
};

// A permuted fixation index at least as far from 0 as the observed one, on the observed side. An observed
// index of 0 by the tie rule has no side: every permutation is as far from 0.
bool asFarFromZero(double s, double f, Rounding r) {
  if (vanishes(f, r)) return true;
  return f > 0 ? atLeast(s, f, r) : atMost(s, f, r);
}

// Fis = (He - Ho) / He: the difference is off by the frequency terms of its locus in ulps of 1, and the
// quotient by that over He. The mean sums such quotients over the loci; the smallest He of the loci
// tested bounds them all.
Rounding fisRounding(double loci, double smallestHe) {
  return ofSums(loci, kFrequencyTermUlps, smallestHe > 0 ? 1 / smallestHe : 1);
}

}  // namespace

TableNeed withinTestTableNeed(int nPerm, int nLoci, int nSelLoci, const WithinTestChoice& choice) {
  const bool alleles = choice.fis || choice.degree;
  double row = sizeof(Outcome);
  if (alleles && choice.fis) row += (nLoci + 1.0) * sizeof(Cell);
  if (alleles && choice.degree) row += (nSelLoci + 2.0) * sizeof(Cell);  // classes 1..nSelLoci+1
  return {(nPerm + 1.0) * row, "\"No. permutations\" " + std::to_string(nPerm) + " with " + std::to_string(nLoci) + " loci"};
}

WithinTestResult Test_Within_Population(const GenotypeData& g, int maxAllele, int pop, const Vec1<int>& locSel,
                                        int nPerm, const WithinTestChoice& choice, std::uint64_t runSeed,
                                        const std::function<void(int perm)>& progress) {
  WithinTestResult r;
  r.pop = pop;
  r.nPerm = nPerm;
  const int nLoci = g.nLoci();
  const Vec1<int> slotOne = everySlot(1);
  for (int l = 1; l <= nLoci; ++l) r.nSelLoci += l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1;
  const int nClasses = r.nSelLoci + 1;

  // The population alone, its codes renumbered when they lie far apart, so that no table below costs the
  // largest code.
  GenotypeData own = copyOfPopulations(g, std::span(&pop, 1));
  if (codesOutgrowData(own, maxAllele)) maxAllele = renumberCodes(own, maxAllele);
  const PooledSample pooled = poolOfPopulation(own, 1, locSel);

  // Observed values, through the functions the permutations use (the multilocus build orders own's alleles).
  {
    const GenotypeView v = viewOfCopy(own, maxAllele, slotOne, locSel);
    AlleleStats a;
    Calc_Allele_Freq(v, choice.dominant, a);
    Calc_Heterozygosity(v, a, r.observed);
    Calc_Degree_Heterozygosity(v, r.observed);
    Calc_Multilocus_Genotypes(v, true, r.observedMLG);
  }

  std::vector<Outcome> outcomes(static_cast<std::size_t>(nPerm) + 1);
  const bool alleles = choice.fis || choice.degree;
  // One copy of the pool (it holds the scratch of its deals) and one set of tables per thread taking part,
  // kept from chunk to chunk.
  struct Work {
    PooledSample pool;
    GenotypeData sample;
    AlleleStats a;
    VariationStats s;
    MultilocusGenotypes m;
  };
  std::vector<Work> work(static_cast<std::size_t>(loopThreads()), Work{pooled, {}, {}, {}, {}});
  auto permuteChunk = [&](int first, int last, int slot) {
    Work& w = work[static_cast<std::size_t>(slot)];
    const PooledSample& pool = w.pool;
    GenotypeData& sample = w.sample;
    AlleleStats& a = w.a;
    VariationStats& s = w.s;
    MultilocusGenotypes& m = w.m;
    for (int k = first; k <= last; ++k) {
      Outcome& o = outcomes[static_cast<std::size_t>(k)];
      Random rng = Random::stream(runSeed, pop, k);
      if (alleles) {
        Permute_Alleles_Within_Pop(pool, rng, sample);
        const GenotypeView v = viewOfCopy(sample, maxAllele, slotOne, locSel);
        if (choice.fis) {
          Calc_Allele_Freq(v, choice.dominant, a);
          Calc_Heterozygosity(v, a, s);
          o.fis.assign(static_cast<std::size_t>(nLoci) + 1, std::nullopt);
          for (int l = 1; l <= nLoci; ++l)
            if (v.locOn(l)) o.fis[static_cast<std::size_t>(l)] = s.Fis(1, l);
          o.fisMean = s.FisMean[1];
        }
        if (choice.degree) {
          Calc_Degree_Heterozygosity(v, s);
          o.degree.assign(static_cast<std::size_t>(nClasses) + 1, std::nullopt);
          for (int c = 1; c <= nClasses; ++c) o.degree[static_cast<std::size_t>(c)] = s.HetDegreeDist(1, c);
        }
      }
      if (choice.mlg) {
        Permute_Genotypes_Per_Locus(pool, rng, sample);
        Calc_Multilocus_Genotypes(viewOfCopy(sample, maxAllele, slotOne, locSel), true, m);
        o.nTypes = m.MLGNTypes[1];
        o.diversity = m.MLGDiversity[1];
      }
    }
  };
  if (alleles || choice.mlg) forEachPermutationChunk(nPerm, progress, permuteChunk);
  else if (progress) progress(nPerm);

  // Merged in permutation order, so sums do not depend on the threads.
  if (choice.fis) {
    r.FisProb = makeVec1<Cell>(nLoci);
    // The permuted samples keep the observed alleles, so the observed He is each permutation's.
    double smallestHe = 1, tested = 0;
    for (int l = 1; l <= nLoci; ++l)
      if (const Cell& he = r.observed.He(1, l); he && *he > 0 && l < static_cast<int>(locSel.size()) &&
                                                locSel[static_cast<std::size_t>(l)] == 1) {
        smallestHe = std::min(smallestHe, *he);
        ++tested;
      }
    for (int l = 1; l <= nLoci; ++l) {
      const Cell& f = r.observed.Fis(1, l);
      if (!f || !(l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1)) continue;
      const Cell& observedHe = r.observed.He(1, l);
      const double he = observedHe && *observedHe > 0 ? *observedHe : 1;
      Tally t;
      for (int k = 1; k <= nPerm; ++k) {
        const Cell& s = outcomes[static_cast<std::size_t>(k)].fis[static_cast<std::size_t>(l)];
        t.add(s, s && asFarFromZero(*s, *f, fisRounding(1, he)));
      }
      r.FisProb[static_cast<std::size_t>(l)] = t.share();
    }
    if (const Cell& f = r.observed.FisMean[1]) {
      Tally t;
      for (int k = 1; k <= nPerm; ++k) {
        const Cell& s = outcomes[static_cast<std::size_t>(k)].fisMean;
        t.add(s, s && asFarFromZero(*s, *f, fisRounding(tested, smallestHe)));
      }
      r.FisMeanProb = t.share();
    }
  }
  if (choice.degree) {
    r.HetDegreeSimMean = makeVec1<Cell>(nClasses);
    r.HetDegreeProb = makeVec1<Cell>(nClasses);
    for (int c = 1; c <= nClasses; ++c) {
      const Cell& obs = r.observed.HetDegreeDist(1, c);
      Tally t;
      for (int k = 1; k <= nPerm; ++k) {
        const Cell& s = outcomes[static_cast<std::size_t>(k)].degree[static_cast<std::size_t>(c)];
        // Shares of individuals in a class: one quotient of counts each.
        t.add(s, s && obs && atLeast(*s, *obs, Rounding{2}));
      }
      r.HetDegreeSimMean[static_cast<std::size_t>(c)] = t.mean();
      if (obs) r.HetDegreeProb[static_cast<std::size_t>(c)] = t.share();
    }
  }
  if (choice.mlg) {
    const int obsTypes = r.observedMLG.MLGNTypes[1];
    const Cell& obsDiv = r.observedMLG.MLGDiversity[1];
    Tally types, div;
    for (int k = 1; k <= nPerm; ++k) {
      const Outcome& o = outcomes[static_cast<std::size_t>(k)];
      types.add(static_cast<double>(o.nTypes), o.nTypes >= obsTypes);
      // Diversity: one over a sum of squared type frequencies, as many terms as there are types.
      div.add(o.diversity, o.diversity && obsDiv &&
                               atLeast(*o.diversity, *obsDiv, ofSums(std::max(o.nTypes, obsTypes), kFrequencyTermUlps)));
    }
    r.MLGNTypesSimMean = types.mean();
    r.MLGNTypesProb = types.share();
    r.MLGDivSimMean = div.mean();
    if (obsDiv) r.MLGDivProb = div.share();
  }
  return r;
}

}  // namespace kiwora
