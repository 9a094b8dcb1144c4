#include "stats/allele_stats.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "stats/allele_codes.h"

namespace kiwora {
namespace {

// The typed codes at locus l in the selected populations, ascending.
std::vector<int> typedCodes(const GenotypeReader& g, int l, std::vector<unsigned char>& seen) {
  const int maxA = g.maxAllele;
  std::size_t copies = 0;
  for (int p = 1; p <= g.nPop; ++p)
    if (g.popOn(p)) copies += 2 * static_cast<std::size_t>(g.nInd(p));
  // Marked by code while that table is small beside the copies; else every copy listed and sorted.
  const bool byTable = codeTableFits(maxA, copies);
  if (byTable) seen.assign(static_cast<std::size_t>(maxA) + 1, 0);
  std::vector<int> codes;
  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    const int* x1 = g.genotypes->locus1(p, l);
    const int* x2 = g.genotypes->locus2(p, l);
    const int n = g.nInd(p);
    auto add = [&](int a) {
      if (!isTyped(a, maxA)) return;
      if (byTable) {
        if (seen[static_cast<std::size_t>(a)]) return;
        seen[static_cast<std::size_t>(a)] = 1;
      }
      codes.push_back(a);
    };
    for (int j = 1; j <= n; ++j) {
      add(x1[j]);
      add(x2[j]);
    }
  }
  std::sort(codes.begin(), codes.end());
  if (!byTable) codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return codes;
}

// One locus over every selected population, given its typed codes; writes only column `l` of the tables,
// so loci may run in parallel.
void alleleFreqLocus(const GenotypeReader& g, int l, bool dominant, std::vector<int> codes, AlleleStats& out) {
  const int maxA = g.maxAllele;

  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    auto f = out.AlleleFreq.write(p, l);
    const int* x1 = g.genotypes->locus1(p, l);
    const int* x2 = g.genotypes->locus2(p, l);
    const int n = g.nInd(p);
    int count = 0;
    auto add = [&](int a) {
      if (!isTyped(a, maxA)) return;
      f[a] += 1;
      ++count;
    };
    for (int j = 1; j <= n; ++j) {
      add(x1[j]);
      add(x2[j]);
    }
    out.GeneCount(p, l) = count;
  }

  for (int p = 1; p <= g.nPop; ++p) {
    if (!g.popOn(p)) continue;
    const int n = out.GeneCount(p, l);
    if (n == 0) continue;  // no data: frequencies stay 0 (for the dominant correction too, not 0/0)
    auto f = out.AlleleFreq.write(p, l);
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
      // q is the root of a count over n, and 1 - q is 0 exactly when every member is recessive (q = 1).
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
    const auto f = out.AlleleFreq.row(p, l);
    double r = 0;
    for (int a : present)
      if (f[a] > 0) r += 1 - std::exp(-gMin * f[a]);
    out.AllelicRichness(p, l) = r;
  }
}

}  // namespace

void Calc_Allele_Freq(const GenotypeReader& g, bool dominant, AlleleStats& out) {
  // Cells only for the codes each locus carries (and the two the dominant correction writes).
  std::vector<std::vector<int>> codes(static_cast<std::size_t>(std::max(g.nLoci, 0)) + 1);
  std::vector<std::vector<int>> cells(codes.size());
  std::vector<unsigned char> seen;
  for (int l = 1; l <= g.nLoci; ++l) {
    if (!g.locOn(l)) continue;
    codes[static_cast<std::size_t>(l)] = typedCodes(g, l, seen);
    cells[static_cast<std::size_t>(l)] = codes[static_cast<std::size_t>(l)];
    if (dominant && g.maxAllele >= 1) {
      cells[static_cast<std::size_t>(l)].push_back(1);
      cells[static_cast<std::size_t>(l)].push_back(2);
    }
  }
  out.AlleleFreq.resize(g.nPop, g.nLoci, g.maxAllele + 1, cells);
  out.NAlleles.resize(g.nPop, g.nLoci);
  out.GeneCount.resize(g.nPop, g.nLoci);
  out.MinGeneCount = makeVec1<int>(g.nLoci, kNoRarefaction);
  out.MinGeneCount[0] = 0;
  out.AllelicRichness.resize(g.nPop, g.nLoci);
  out.PresentCodes.assign(static_cast<std::size_t>(g.nLoci) + 1, {});
  for (int l = 1; l <= g.nLoci; ++l)
    if (g.locOn(l)) alleleFreqLocus(g, l, dominant, std::move(codes[static_cast<std::size_t>(l)]), out);
}

}  // namespace kiwora
