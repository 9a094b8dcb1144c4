#include "stats/distances.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "base/tolerance.h"
#include "base/worker_pool.h"
#include "files/matrix_print.h"

namespace kiwora {
namespace {

std::vector<int> selectedLociOf(const GenotypeView& v) {
  std::vector<int> loci;
  for (int l = 1; l <= v.nLoci; ++l)
    if (v.locOn(l)) loci.push_back(l);
  return loci;
}

// Every selected locus's frequencies of the codes from `from` on, in the order of `loci`.
std::vector<CompactFrequencies> compactLoci(const GenotypeView& v, const AlleleFreqTable& AlleleFreq,
                                            const std::vector<int>& loci, const std::vector<int>& pops,
                                            const PresentCodeLists* known) {
  std::vector<CompactFrequencies> out(loci.size());
  parallelFor(static_cast<int>(loci.size()), [&](int i) {
    out[static_cast<std::size_t>(i)] = compactFrequencies(v, AlleleFreq, loci[static_cast<std::size_t>(i)], pops, known);
  });
  return out;
}

// Calls f(i, j) for every pair i <= j of places in a list of n populations. The pairs of one i run
// together on one thread of the pool, so each call writes only cells of its own.
template <class F>
void forPairsByRow(std::size_t n, F f) {
  parallelFor(static_cast<int>(n), [&](int i) {
    for (std::size_t j = static_cast<std::size_t>(i); j < n; ++j) f(static_cast<std::size_t>(i), j);
  });
}

}  // namespace

Cell neiDistance(double jxy, double jx, double jy, double loci) {
  // The identity cannot exceed 1, so rounding above it, or a few units below it (identical frequencies
  // summed in another order), is taken as 1: each sum is of nonnegative terms, each off by its loci's
  // frequency terms and an ulp per addition, relative to itself. It is 0 only when no allele is shared:
  // jxy sums products of nonnegative frequencies, exactly 0 then and only then.
  const double root = std::sqrt(jx * jy);
  const double identity = root > 0 ? jxy / root : 0;
  if (identity == 0) return std::nullopt;
  return atLeast(identity, 1, ofSums(2 * loci, 2 * kFrequencyTermUlps, 1)) ? 0.0 : -std::log(identity);
}

void LocusDistances::assign(int nPop, int nLoci, std::vector<int> pops, std::vector<int> loci,
                            std::vector<CompactFrequencies> freq, std::vector<std::vector<unsigned char>> hasGenes) {
  nPop_ = nPop;
  nLoci_ = nLoci;
  pops_ = std::move(pops);
  freq_ = std::move(freq);
  hasGenes_ = std::move(hasGenes);
  place_.assign(static_cast<std::size_t>(std::max(nPop, 0)) + 1, -1);
  for (std::size_t i = 0; i < pops_.size(); ++i) place_[static_cast<std::size_t>(pops_[i])] = static_cast<int>(i);
  locusAt_.assign(static_cast<std::size_t>(std::max(nLoci, 0)) + 1, -1);
  for (std::size_t i = 0; i < loci.size(); ++i) locusAt_[static_cast<std::size_t>(loci[i])] = static_cast<int>(i);
}

double LocusDistances::value(std::size_t li, std::size_t i, std::size_t j) const {
  const CompactFrequencies& c = freq_[li];
  if (kind_ == Kind::Gregorius) return gregoriusAtLocus(c.of(i), c.of(j), c.codes.size());
  const std::vector<unsigned char>& has = hasGenes_[li];
  if (!has[i] || !has[j]) return std::numeric_limits<double>::quiet_NaN();
  const NeiTerms t = neiTermsAtLocus(c.of(i), c.of(j), c.codes.size());
  const Cell d = neiDistance(t.jxy, t.jx, t.jy, 1);
  return d ? *d : std::numeric_limits<double>::quiet_NaN();
}

Cell LocusDistances::cell(int p, int q, int l) const {
  const int i = placeOf(p), j = placeOf(q), li = locusIndex(l);
  if (i < 0 || j < 0 || li < 0) return kind_ == Kind::Gregorius ? Cell{0.0} : Cell{};
  // Each unordered pair has one value, worked out from the earlier place.
  const double v = value(static_cast<std::size_t>(li), static_cast<std::size_t>(std::min(i, j)),
                         static_cast<std::size_t>(std::max(i, j)));
  return std::isnan(v) ? Cell{} : Cell{v};
}

bool LocusDistances::row(std::size_t i, int l, double* out) const {
  const int li = locusIndex(l);
  if (li < 0) return false;
  for (std::size_t j = i; j < pops_.size(); ++j) *out++ = value(static_cast<std::size_t>(li), i, j);
  return true;
}

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, PairTable3<double>& DistDG,
                         Table2<double>& DistDGMean, const PresentCodeLists* presentCodes) {
  DistDG.resize(v.nPop, v.nLoci);
  DistDGMean.resize(v.nPop, v.nPop);
  const std::vector<int> loci = selectedLociOf(v);
  const int n = static_cast<int>(loci.size());
  if (n == 0) return false;
  const std::vector<int> pops = v.selectedPops();
  const std::vector<CompactFrequencies> freq = compactLoci(v, AlleleFreq, loci, pops, presentCodes);

  // Each population fills its own pairs with the populations after it; the loci are summed in order.
  forPairsByRow(pops.size(), [&](std::size_t iu, std::size_t j) {
    const int p = pops[iu], q = pops[j];
    double mean = 0;
    for (std::size_t li = 0; li < loci.size(); ++li) {
      const CompactFrequencies& c = freq[li];
      const double d = gregoriusAtLocus(c.of(iu), c.of(j), c.codes.size());
      DistDG(p, q, loci[li]) = d;
      mean += d;
    }
    DistDGMean(p, q) = DistDGMean(q, p) = mean / n;
  });
  return true;
}

void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   PairTable3<Cell>& DistDN, Table2<Cell>& DistDNMean, const PresentCodeLists* presentCodes) {
  DistDN.resize(v.nPop, v.nLoci);
  DistDNMean.resize(v.nPop, v.nPop);
  const std::vector<int> loci = selectedLociOf(v);
  const std::vector<int> pops = v.selectedPops();
  const std::vector<CompactFrequencies> freq = compactLoci(v, AlleleFreq, loci, pops, presentCodes);

  forPairsByRow(pops.size(), [&](std::size_t iu, std::size_t j) {
    const int p = pops[iu], q = pops[j];
    double sxy = 0, sx = 0, sy = 0;
    for (std::size_t li = 0; li < loci.size(); ++li) {
      const int l = loci[li];
      if (GeneCount(p, l) <= 0 || GeneCount(q, l) <= 0) continue;
      const CompactFrequencies& c = freq[li];
      const NeiTerms t = neiTermsAtLocus(c.of(iu), c.of(j), c.codes.size());
      sxy += t.jxy;
      sx += t.jx;
      sy += t.jy;
      DistDN(p, q, l) = neiDistance(t.jxy, t.jx, t.jy, 1);
    }
    // A sum of products of nonnegative frequencies: exactly 0 when no allele is shared (neiDistance).
    DistDNMean(p, q) = DistDNMean(q, p) = sxy == 0 ? Cell{} : neiDistance(sxy, sx, sy, static_cast<double>(loci.size()));
  });
}

void Print_Pop_Matrix_Locus(LineWriter& w, int nPop, const Vec1<int>& popSel, const LocusDistances& Matrix, int Locus) {
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (p < static_cast<int>(popSel.size()) && popSel[static_cast<std::size_t>(p)] == 1) pops.push_back(p);
  // Rows come straight from the locus's compact work when the printed selection is the one it was built
  // on; otherwise cell by cell.
  if (pops == Matrix.pops() && Matrix.n1() == nPop) {
    Print_Pop_Matrix_Rows(w, nPop, popSel, [&](std::size_t k, double* vals) {
      if (!Matrix.row(k, Locus, vals + k)) {
        const double blank = Matrix.kind() == LocusDistances::Kind::Gregorius ? 0.0 : std::nan("");
        std::fill(vals + k, vals + pops.size(), blank);
      }
    });
    return;
  }
  Print_Pop_Matrix_Rows(w, nPop, popSel, [&](std::size_t k, double* vals) {
    for (std::size_t m = k + 1; m < pops.size(); ++m) {
      const Cell c = Matrix.cell(pops[k], pops[m], Locus);
      vals[m] = c ? *c : std::nan("");
    }
  });
}

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, GregoriusByLocus& DistDG,
                         Table2<double>& DistDGMean, const PresentCodeLists* presentCodes) {
  DistDG.clear();
  DistDGMean.resize(v.nPop, v.nPop);
  std::vector<int> loci = selectedLociOf(v);
  const int n = static_cast<int>(loci.size());
  if (n == 0) return false;
  std::vector<int> pops = v.selectedPops();
  std::vector<CompactFrequencies> freq = compactLoci(v, AlleleFreq, loci, pops, presentCodes);

  // The same sums in the same order as the per-locus values that DistDG works out later.
  forPairsByRow(pops.size(), [&](std::size_t iu, std::size_t j) {
    const int p = pops[iu], q = pops[j];
    double mean = 0;
    for (const CompactFrequencies& c : freq) mean += gregoriusAtLocus(c.of(iu), c.of(j), c.codes.size());
    DistDGMean(p, q) = DistDGMean(q, p) = mean / n;
  });
  DistDG.assign(v.nPop, v.nLoci, std::move(pops), std::move(loci), std::move(freq));
  return true;
}

void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   NeiByLocus& DistDN, Table2<Cell>& DistDNMean, const PresentCodeLists* presentCodes) {
  DistDN.clear();
  DistDNMean.resize(v.nPop, v.nPop);
  std::vector<int> loci = selectedLociOf(v);
  std::vector<int> pops = v.selectedPops();
  std::vector<CompactFrequencies> freq = compactLoci(v, AlleleFreq, loci, pops, presentCodes);
  std::vector<std::vector<unsigned char>> has(loci.size(), std::vector<unsigned char>(pops.size()));
  for (std::size_t li = 0; li < loci.size(); ++li)
    for (std::size_t i = 0; i < pops.size(); ++i) has[li][i] = GeneCount(pops[i], loci[li]) > 0;

  forPairsByRow(pops.size(), [&](std::size_t iu, std::size_t j) {
    const int p = pops[iu], q = pops[j];
    double sxy = 0, sx = 0, sy = 0;
    for (std::size_t li = 0; li < loci.size(); ++li) {
      if (!has[li][iu] || !has[li][j]) continue;
      const CompactFrequencies& c = freq[li];
      const NeiTerms t = neiTermsAtLocus(c.of(iu), c.of(j), c.codes.size());
      sxy += t.jxy;
      sx += t.jx;
      sy += t.jy;
    }
    // A sum of products of nonnegative frequencies: exactly 0 when no allele is shared (neiDistance).
    DistDNMean(p, q) = DistDNMean(q, p) = sxy == 0 ? Cell{} : neiDistance(sxy, sx, sy, static_cast<double>(loci.size()));
  });
  DistDN.assign(v.nPop, v.nLoci, std::move(pops), std::move(loci), std::move(freq), std::move(has));
}

}  // namespace kiwora
