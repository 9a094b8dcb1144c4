#include "stats/allele_stats.h"

#include <algorithm>
#include <cmath>

#include "stats/allele_codes.h"

namespace kiwora {
namespace {

// One locus over every selected population; writes only column `l` of the tables, so loci may run in
// parallel.
void alleleFreqLocus(const GenotypeView& g, int l, bool dominant, AlleleStats& out) {
  const int maxA = g.maxAllele;
  std::vector<unsigned char> seen(static_cast<std::size_t>(maxA) + 1, 0);
  std::vector<int> codes;

  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    double* f = out.AlleleFreq.row(p, l);
    const int* x1 = g.genotypes->locus1(p, l);
    const int* x2 = g.genotypes->locus2(p, l);
    const int n = g.nInd(p);
    int count = 0;
    auto add = [&](int a) {
      if (!isTyped(a, maxA)) return;
      f[a] += 1;
      ++count;
      if (!seen[static_cast<std::size_t>(a)]) {
        seen[static_cast<std::size_t>(a)] = 1;
        codes.push_back(a);
      }
    };
    for (int j = 1; j <= n; ++j) {
      add(x1[j]);
      add(x2[j]);
    }
    out.GeneCount(p, l) = count;
  }
  std::sort(codes.begin(), codes.end());

  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    const int n = out.GeneCount(p, l);
    if (n == 0) continue;  // no data: frequencies stay 0 (for the dominant correction too, not 0/0)
    double* f = out.AlleleFreq.row(p, l);
    int nAlleles = 0;
    if (!dominant) {
      // Divided twice, by the count and by the sum of the shares, as the reported values always were.
      double s = 0;
      for (int a : codes)
        if (f[a] > 0) {
          f[a] /= n;
          s += f[a];
        }
      for (int a : codes)
        if (f[a] > 0) {
          ++nAlleles;
          f[a] /= s;
        }
    } else {
      const double recessive = maxA >= 1 ? f[1] : 0;
      for (int a : codes) f[a] = 0;
      if (maxA >= 1) {
        const double q = std::sqrt(recessive / n);
        f[1] = q;
        f[2] = 1 - q;  // slot maxAllele+1 when maxAllele is 1
      }
      for (int a = 1; a <= std::min(2, maxA); ++a) nAlleles += f[a] > 0;
    }
    out.NAlleles(p, l) = nAlleles;
  }

  std::vector<int>& present = out.PresentCodes[static_cast<std::size_t>(l)];
  if (!dominant) {
    present = std::move(codes);
  } else {
    for (int a = 1; a <= std::min(2, maxA); ++a)
      for (int p = 1; p <= g.nPop; ++p)
        if (g.popOn(p) && out.AlleleFreq(p, l, a) > 0) {
          present.push_back(a);
          break;
        }
  }

  // A population without copies has no richness and does not shrink the others' rarefaction size.
  int& gMin = out.MinGeneCount[static_cast<std::size_t>(l)];
  for (int p = 1; p <= g.nPop; ++p)
    if (g.popOn(p) && out.GeneCount(p, l) > 0 && out.GeneCount(p, l) < gMin) gMin = out.GeneCount(p, l);
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p) || out.GeneCount(p, l) == 0) continue;
    const double* f = out.AlleleFreq.row(p, l);
    double r = 0;
    for (int a : present)
      if (f[a] > 0) r += 1 - std::exp(-gMin * f[a]);
    out.AllelicRichness(p, l) = r;
  }
}

}  // namespace

void Calc_Allele_Freq(const GenotypeView& g, bool dominant, AlleleStats& out) {
  out.AlleleFreq.resize(g.nPop, g.nLoci, g.maxAllele + 1);
  out.NAlleles.resize(g.nPop, g.nLoci);
  out.GeneCount.resize(g.nPop, g.nLoci);
  out.MinGeneCount = makeVec1<int>(g.nLoci, kNoRarefaction);
  out.MinGeneCount[0] = 0;
  out.AllelicRichness.resize(g.nPop, g.nLoci);
  out.PresentCodes.assign(static_cast<std::size_t>(g.nLoci) + 1, {});
  for (int l = 1; l <= g.nLoci; ++l)
    if (g.locOn(l)) alleleFreqLocus(g, l, dominant, out);
}

}  // namespace kiwora
