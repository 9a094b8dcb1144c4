#include "stats/population_copy.h"

#include <algorithm>

#include "stats/allele_codes.h"

namespace kiwora {

std::vector<int> selectedPopulations(const Vec1<int>& popSel, int nPop) {
  std::vector<int> pops;
  for (int p = 1; p <= nPop && p < static_cast<int>(popSel.size()); ++p)
    if (popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);
  return pops;
}

GenotypeData copyOfPopulations(const GenotypeData& g, std::span<const int> pops) {
  const int n = static_cast<int>(pops.size());
  Vec1<int> nInd = makeVec1<int>(n);
  for (int k = 1; k <= n; ++k) nInd[static_cast<std::size_t>(k)] = g.nInd(pops[static_cast<std::size_t>(k - 1)]);
  GenotypeData out;
  out.resize(n, g.nLoci(), nInd);
  for (int k = 1; k <= n; ++k) {
    const int p = pops[static_cast<std::size_t>(k - 1)];
    for (int l = 1; l <= g.nLoci(); ++l) {
      const int* x1 = g.locus1(p, l);
      const int* x2 = g.locus2(p, l);
      int* y1 = out.locus1(k, l);
      int* y2 = out.locus2(k, l);
      for (int j = 1; j <= g.nInd(p); ++j) {
        y1[j] = x1[j];
        y2[j] = x2[j];
      }
    }
  }
  return out;
}

namespace {

// Every code 1..maxAllele that g carries, ascending, with 1 and 2 (kept by number).
std::vector<int> carriedCodes(const GenotypeData& g, int maxAllele) {
  std::vector<int> codes = {1, 2};
  for (int p = 1; p <= g.nPop(); ++p)
    for (int l = 1; l <= g.nLoci(); ++l)
      for (const int* x : {g.locus1(p, l), g.locus2(p, l)})
        for (int j = 1; j <= g.nInd(p); ++j)
          if (x[j] >= 1 && x[j] <= maxAllele) codes.push_back(x[j]);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return codes;
}

}  // namespace

bool codesOutgrowData(const GenotypeData& g, int maxAllele) {
  if (codeTableFits(maxAllele, 0)) return false;
  // Well above the codes carried, which bound the tables of a renumbered copy.
  constexpr std::size_t kSpare = 4;
  return carriedCodes(g, maxAllele).size() * kSpare < static_cast<std::size_t>(maxAllele);
}

int renumberCodes(GenotypeData& g, int maxAllele) {
  const std::vector<int> codes = carriedCodes(g, maxAllele);
  for (int p = 1; p <= g.nPop(); ++p)
    for (int l = 1; l <= g.nLoci(); ++l)
      for (int* x : {g.locus1(p, l), g.locus2(p, l)})
        for (int j = 1; j <= g.nInd(p); ++j) {
          int& a = x[j];
          if (a > maxAllele) a = -1;  // missing, as it was
          else if (a >= 1) a = static_cast<int>(std::lower_bound(codes.begin(), codes.end(), a) - codes.begin()) + 1;
        }
  return static_cast<int>(codes.size());
}

CompactCodes::CompactCodes(const GenotypeData& g, int maxAllele) : given_(&g), maxAllele_(maxAllele) {
  if (!codesOutgrowData(g, maxAllele)) return;
  copy_.emplace(g);
  maxAllele_ = renumberCodes(*copy_, maxAllele);
}

Vec1<int> everySlot(int n) {
  Vec1<int> v = makeVec1<int>(n, 1);
  v[0] = 0;
  return v;
}

GenotypeView viewOfCopy(GenotypeData& g, int maxAllele, const Vec1<int>& slots, const Vec1<int>& locSel) {
  GenotypeView v;
  v.nPop = g.nPop();
  v.nLoci = g.nLoci();
  v.maxAllele = maxAllele;
  v.genotypes = &g;
  v.popSel = &slots;
  v.locSel = &locSel;
  return v;
}

}  // namespace kiwora
