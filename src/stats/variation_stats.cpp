#include "stats/variation_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/tolerance.h"
#include "stats/allele_codes.h"
#include "stats/pair_index.h"

namespace kiwora {
namespace {

// He is one minus a sum of squared frequencies at one locus.
constexpr Rounding kHeRounding = ofSums(1, kFrequencyTermUlps, 1);

// Unweighted mean over the loci at which the value is defined; undefined when there is none.
Cell meanOverLoci(const GenotypeReader& g, const Table2<Cell>& t, int p) {
  double sum = 0;
  int n = 0;
  for (int l = 1; l <= g.nLoci; ++l)
    if (g.locOn(l) && t(p, l)) {
      sum += *t(p, l);
      ++n;
    }
  if (n == 0) return std::nullopt;
  return sum / n;
}

double sumSquares(const AlleleStats& a, int p, int l) {
  const auto f = a.AlleleFreq.row(p, l);
  double s = 0;
  for (int code : a.PresentCodes[static_cast<std::size_t>(l)]) s += f[code] * f[code];
  return s;
}

}  // namespace

void Count_Single_Locus_Genotypes(const GenotypeView& g, VariationStats& out) {
  out.NGenotypesLoc.resize(g.nPop, g.nLoci);
  out.NGenotypesPop = makeVec1<int>(g.nPop);
  PairIndex seen(g.maxAllele, g.copiesPerLocus());  // per pair: the last population that carried it
  for (int l = 1; l <= g.nLoci; ++l) {
    if (!g.locOn(l)) continue;
    seen.clear();
    for (int p = 1; p <= g.nPop; ++p) {
      if (!g.popOn(p)) continue;
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j)
        if (isTyped(x1[j], g.maxAllele) && isTyped(x2[j], g.maxAllele)) {
          seen.addCode(x1[j]);
          seen.addCode(x2[j]);
        }
    }
    seen.prepare(0);
    for (int p = 1; p <= g.nPop; ++p) {
      if (!g.popOn(p)) continue;
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      int n = 0;
      for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j)
        if (isTyped(x1[j], g.maxAllele) && isTyped(x2[j], g.maxAllele)) {
          int& last = seen(x1[j], x2[j]);
          n += last != p;
          last = p;
        }
      out.NGenotypesLoc(p, l) = n;
      out.NGenotypesPop[static_cast<std::size_t>(p)] += n;
    }
  }
}

void Calc_Diversity_V(const GenotypeView& g, const AlleleStats& a, VariationStats& out) {
  out.DiversityV.resize(g.nPop, g.nLoci);
  out.DiversityVMean = makeVec1<Cell>(g.nPop);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l) || a.GeneCount(p, l) == 0) continue;
      const double s = sumSquares(a, p, l);
      // A sum of squares of frequencies, one of them positive where the locus has copies: never 0 but
      // exactly, so no tolerance.
      if (s > 0) out.DiversityV(p, l) = 1 / s;
    }
    out.DiversityVMean[static_cast<std::size_t>(p)] = meanOverLoci(g, out.DiversityV, p);
  }
}

void Calc_Evenness(const GenotypeView& g, const AlleleStats& a, VariationStats& out) {
  out.Evenness.resize(g.nPop, g.nLoci);
  out.EvennessMean = makeVec1<Cell>(g.nPop);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l) || a.GeneCount(p, l) == 0) continue;
      const auto f = a.AlleleFreq.row(p, l);
      const int n = a.NAlleles(p, l);
      double e = 0;
      for (int code : a.PresentCodes[static_cast<std::size_t>(l)])
        if (f[code] > 0) e += 0.5 * std::abs(f[code] - 1.0 / n);
      out.Evenness(p, l) = 1 - e;
    }
    out.EvennessMean[static_cast<std::size_t>(p)] = meanOverLoci(g, out.Evenness, p);
  }
}

void Calc_Heterozygosity(const GenotypeReader& g, const AlleleStats& a, VariationStats& out) {
  out.NIdentLoc.resize(g.nPop, g.nLoci);
  out.Ho.resize(g.nPop, g.nLoci);
  out.He.resize(g.nPop, g.nLoci);
  out.Fis.resize(g.nPop, g.nLoci);
  out.HoMean = makeVec1<Cell>(g.nPop);
  out.HeMean = makeVec1<Cell>(g.nPop);
  out.FisMean = makeVec1<Cell>(g.nPop);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l)) continue;
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      int typed = 0, het = 0;
      for (int j = 1, nInd = g.nInd(p); j <= nInd; ++j)
        if (isTyped(x1[j], g.maxAllele) && isTyped(x2[j], g.maxAllele)) {
          ++typed;
          het += x1[j] != x2[j];
        }
      out.NIdentLoc(p, l) = typed;
      if (typed > 0) out.Ho(p, l) = static_cast<double>(het) / typed;
      if (a.GeneCount(p, l) > 0) out.He(p, l) = 1 - sumSquares(a, p, l);  // Nei, no sample-size correction
      const Cell& ho = out.Ho(p, l);
      const Cell& he = out.He(p, l);
      // He is one minus a sum of squares: a monomorphic locus has none, whatever rounding leaves of it.
      if (ho && he) out.Fis(p, l) = vanishes(*he, kHeRounding) ? 0.0 : (*he - *ho) / *he;
    }
    const auto pi = static_cast<std::size_t>(p);
    out.HoMean[pi] = meanOverLoci(g, out.Ho, p);
    out.HeMean[pi] = meanOverLoci(g, out.He, p);
    // Loci without expected heterozygosity keep their Fis of 0 in the sum but not in the divisor.
    double sum = 0;
    int defined = 0, polymorphic = 0;
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l) || !out.Fis(p, l)) continue;
      sum += *out.Fis(p, l);
      ++defined;
      polymorphic += !vanishes(*out.He(p, l), kHeRounding);
    }
    if (defined > 0) out.FisMean[pi] = polymorphic > 0 ? sum / polymorphic : 0.0;
  }
}

void Calc_Degree_Heterozygosity(const GenotypeView& g, VariationStats& out) {
  const int nSel = [&] {
    int n = g.selectedLoci();
    return n;
  }();
  out.NIdentAll = makeVec1<int>(g.nPop);
  out.HetDegreeDist.resize(g.nPop, nSel + 1);
  std::vector<int> hets;
  std::vector<unsigned char> complete;
  std::vector<int> classCount(static_cast<std::size_t>(nSel) + 2);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    const int n = g.nInd(p);
    hets.assign(static_cast<std::size_t>(n) + 1, 0);
    complete.assign(static_cast<std::size_t>(n) + 1, 1);
    // Locus by locus so that each pass reads one contiguous column.
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l)) continue;
      const int* x1 = g.genotypes->locus1(p, l);
      const int* x2 = g.genotypes->locus2(p, l);
      for (int j = 1; j <= n; ++j) {
        const auto ju = static_cast<std::size_t>(j);
        if (!isTyped(x1[j], g.maxAllele) || !isTyped(x2[j], g.maxAllele)) complete[ju] = 0;
        hets[ju] += x1[j] != x2[j];
      }
    }
    std::fill(classCount.begin(), classCount.end(), 0);
    int typed = 0;
    for (int j = 1; j <= n; ++j)
      if (complete[static_cast<std::size_t>(j)]) {
        ++typed;
        ++classCount[static_cast<std::size_t>(hets[static_cast<std::size_t>(j)]) + 1];
      }
    out.NIdentAll[static_cast<std::size_t>(p)] = typed;
    if (typed == 0) continue;
    for (int k = 1; k <= nSel + 1; ++k)
      out.HetDegreeDist(p, k) = static_cast<double>(classCount[static_cast<std::size_t>(k)]) / typed;
  }
}

void Calc_Percent_Polymorphic(const GenotypeView& g, const AlleleStats& a, VariationStats& out) {
  out.PercentPolymorphic = makeVec1<Cell>(g.nPop);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    // Loci where the population has no copy say nothing about its polymorphism.
    int withData = 0, poly = 0;
    for (int l = 1; l <= g.nLoci; ++l) {
      if (!g.locOn(l) || a.GeneCount(p, l) == 0) continue;
      ++withData;
      poly += a.NAlleles(p, l) > 1;
    }
    if (withData > 0) out.PercentPolymorphic[static_cast<std::size_t>(p)] = 100 * (static_cast<double>(poly) / withData);
  }
}

}  // namespace kiwora
