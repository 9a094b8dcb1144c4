#pragma once
// The sums behind the Bayesian score, the frequency score and the distance on alleles, written once over a
// reader of the reference values. The scorers read the reference tables through PlainReader; the
// self-assignment reads them through a reader that sees the tested population without its tested members.
// Both add the same terms in the same order, so a left-out group scores exactly as if the tables had been
// rebuilt without it.
#include <cmath>
#include <cstddef>

#include "assign/reference_tables.h"
#include "assign/scorers.h"

namespace kiwora::kernels {

inline const double kLog10Two = std::log10(2.0);

// The terms of the scores, each defined once: the forms of the scores sum them in different layouts (one
// candidate at a time, or every candidate's lane at once), and all must add exactly these.
// log10 of a genotype's probability under the Bayesian prior: a homozygote from its code's prior and that
// of a second copy, a heterozygote from both codes' priors and the factor 2; `den` the locus's log10
// denominator.
inline double homozygoteLogP(double prior, double prior1, double den) { return prior + prior1 - den; }
inline double heterozygoteLogP(double priorA, double priorB, double den) { return kLog10Two + priorA + priorB - den; }
// A code's (or haplotype's) part of a multinomial log10 probability: -log10(count!) given as
// `minusLogFactorial`, plus count times the log10 of its frequency.
inline double multinomialTerm(double minusLogFactorial, int count, double logFreq) {
  return minusLogFactorial + count * logFreq;
}

// The reference tables as they are.
struct PlainReader {
  const ReferenceTables& ref;
  int k(int l) const { return ref.NAllelesLoc[static_cast<std::size_t>(l)]; }
  double logDenom(int p, int l) const { return ref.logDenom(p, l); }
  double logPrior(int p, int l, int a) const { return ref.logPrior(p, l, a); }
  double logPrior1(int p, int l, int a) const { return ref.logPrior1(p, l, a); }
  double logFreq(int p, int l, int a) const { return ref.logFreq(p, l, a); }
  bool present(int l, int a) const { return ref.AllelePresent(l, a) == 1; }
  double alleleFreq(int p, int l, int a) const { return ref.alleles.AlleleFreq(p, l, a); }
  double logHapMat(int p, int h) const { return ref.logHapMat(p, h); }
  double logHapPat(int p, int h) const { return ref.logHapPat(p, h); }
};

// -( log10(M!) - sum log10(k_h!) + sum k_h log10(q_h) ) over the group's haplotypes.
template <class LogQ>
double haplotypeMultinomial(const ReferenceTables& ref, const GroupProfile::Haplotypes& h, LogQ&& logq) {
  if (h.complete == 0) return 0;
  double t = ref.log10Factorial(h.complete);
  for (const auto& [k, c] : h.listed) t += multinomialTerm(-ref.log10Factorial(c), c, logq(k));
  for (int c : h.unlisted) t += multinomialTerm(-ref.log10Factorial(c), c, ref.logMinFreqMiss);
  return -t;
}

// Sum over the group's members of -log10 of their haplotype frequency.
template <class LogQ>
double haplotypeBayes(const ReferenceTables& ref, const GroupProfile::Haplotypes& h, LogQ&& logq) {
  double s = 0;
  for (const auto& [k, c] : h.listed) s -= c * logq(k);
  for (int c : h.unlisted) s -= c * ref.logMinFreqMiss;
  return s;
}

template <class R>
double bayesScore(const R& r, const ReferenceTables& ref, const GroupProfile& g, int p) {
  double s = 0;
  for (const auto& L : g.loci) {
    if (r.k(L.locus) == 0) continue;
    const double den = r.logDenom(p, L.locus);
    for (const auto& G : L.genotypes) {
      const double logP = G.a == G.b
                              ? homozygoteLogP(r.logPrior(p, L.locus, G.a), r.logPrior1(p, L.locus, G.a), den)
                              : heterozygoteLogP(r.logPrior(p, L.locus, G.a), r.logPrior(p, L.locus, G.b), den);
      s -= G.count * logP;
    }
  }
  s += haplotypeBayes(ref, g.maternal, [&](int h) { return r.logHapMat(p, h); });
  s += haplotypeBayes(ref, g.paternal, [&](int h) { return r.logHapPat(p, h); });
  return s;
}

template <class R>
double freqScore(const R& r, const ReferenceTables& ref, const GroupProfile& g, int p) {
  double s = 0;
  for (const auto& L : g.loci) {
    if (L.copies == 0) continue;
    double t = ref.log10Factorial(L.copies);
    for (const auto& [a, c] : L.codes) {
      if (!r.present(L.locus, a)) continue;
      t += multinomialTerm(-ref.log10Factorial(c), c, r.logFreq(p, L.locus, a));
    }
    s -= t;
  }
  // Paternal loci take no part in this method.
  s += haplotypeMultinomial(ref, g.maternal, [&](int h) { return r.logHapMat(p, h); });
  return s;
}

// Half the sum of |reference - group| over the codes present at the locus and those of the group.
template <class R>
double alleleDistance(const R& r, const ReferenceTables& ref, const GroupProfile::Locus& L, int p) {
  const auto& present = ref.alleles.PresentCodes[static_cast<std::size_t>(L.locus)];
  const double n = L.copies;
  double s = 0;
  std::size_t i = 0, j = 0;
  while (i < present.size() || j < L.codes.size()) {
    const int a = i < present.size() ? present[i] : -1;
    const int b = j < L.codes.size() ? L.codes[j].first : -1;
    if (b < 0 || (a >= 0 && a < b)) {
      s += r.alleleFreq(p, L.locus, a);
      ++i;
    } else if (a < 0 || b < a) {
      s += L.codes[j].second / n;
      ++j;
    } else {
      s += std::fabs(r.alleleFreq(p, L.locus, a) - L.codes[j].second / n);
      ++i;
      ++j;
    }
  }
  return 0.5 * s;
}

}  // namespace kiwora::kernels
