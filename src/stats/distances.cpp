#include "stats/distances.h"

#include <cmath>
#include <vector>

#include "base/worker_pool.h"

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

// Copies a pair table into a full one, both orders of every pair.
template <class T>
void expand(const PairTable3<T>& from, Table3<T>& to) {
  to.resize(from.n1(), from.n2(), from.n3());
  for (int p = 0; p <= from.n1(); ++p)
    for (int q = 0; q <= from.n2(); ++q)
      for (int l = 0; l <= from.n3(); ++l) to(p, q, l) = from(p, q, l);
}

}  // namespace

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
      const double* fp = c.of(iu);
      const double* fq = c.of(j);
      double d = 0;
      for (std::size_t k = 0; k < c.codes.size(); ++k) d += 0.5 * std::fabs(fp[k] - fq[k]);
      if (d > 1) d = 1;
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
  // -ln of an identity; the identity cannot exceed 1, so rounding above it is taken as 1.
  auto distance = [](double jxy, double jx, double jy) -> Cell {
    const double root = std::sqrt(jx * jy);
    const double identity = root > 0 ? jxy / root : 0;
    if (identity == 0) return std::nullopt;
    return identity >= 1 ? 0.0 : -std::log(identity);
  };
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
      const double* fp = c.of(iu);
      const double* fq = c.of(j);
      double jxy = 0, jx = 0, jy = 0;
      for (std::size_t k = 0; k < c.codes.size(); ++k) {
        jxy += fp[k] * fq[k];
        jx += fp[k] * fp[k];
        jy += fq[k] * fq[k];
      }
      sxy += jxy;
      sx += jx;
      sy += jy;
      DistDN(p, q, l) = distance(jxy, jx, jy);
    }
    DistDNMean(p, q) = DistDNMean(q, p) = sxy == 0 ? Cell{} : distance(sxy, sx, sy);
  });
}

bool Calc_Dist_Gregorius(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table3<double>& DistDG,
                         Table2<double>& DistDGMean) {
  PairTable3<double> pairs;
  const bool ran = Calc_Dist_Gregorius(v, AlleleFreq, pairs, DistDGMean);
  expand(pairs, DistDG);
  return ran;
}

void Calc_Dist_Nei(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<int>& GeneCount,
                   Table3<Cell>& DistDN, Table2<Cell>& DistDNMean) {
  PairTable3<Cell> pairs;
  Calc_Dist_Nei(v, AlleleFreq, GeneCount, pairs, DistDNMean);
  expand(pairs, DistDN);
}

}  // namespace kiwora
