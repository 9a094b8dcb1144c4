#include "assign/scorers.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/worker_pool.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

const double kLog10Two = std::log10(2.0);

bool codeOk(const ReferenceTables& ref, int a) { return a >= 1 && a <= ref.maxAllele; }

// Sorted values turned into (value, count) runs.
template <class T>
std::vector<std::pair<T, int>> runs(std::vector<T>& v) {
  std::sort(v.begin(), v.end());
  std::vector<std::pair<T, int>> out;
  for (const T& x : v) {
    if (!out.empty() && out.back().first == x) ++out.back().second;
    else out.emplace_back(x, 1);
  }
  return out;
}

GroupProfile::Haplotypes profileHaplotypes(const HaplotypeTable& table, const std::vector<int>& loci,
                                           const GroupGenotypes& group) {
  GroupProfile::Haplotypes h;
  if (loci.empty()) return h;
  std::vector<int> listed;
  std::vector<std::string> unlisted;
  for (int i = 1; i <= group.nInd(); ++i) {
    std::string key = haplotypeKey(loci, [&](int l) { return group.a1(l, i); });
    if (key.empty()) continue;
    ++h.complete;
    if (const int k = table.find(key)) listed.push_back(k);
    else unlisted.push_back(std::move(key));
  }
  h.listed = runs(listed);
  for (const auto& [key, c] : runs(unlisted)) h.unlisted.push_back(c);
  return h;
}

// -( log10(M!) - sum log10(k_h!) + sum k_h log10(q_h) ) over the group's haplotypes.
double haplotypeMultinomial(const ReferenceTables& ref, const GroupProfile::Haplotypes& h, const Table2<double>& logq,
                            int p) {
  if (h.complete == 0) return 0;
  double t = ref.log10Factorial(h.complete);
  for (const auto& [k, c] : h.listed) t += -ref.log10Factorial(c) + c * logq(p, k);
  for (int c : h.unlisted) t += -ref.log10Factorial(c) + c * ref.logMinFreqMiss;
  return -t;
}

// Sum over the group's members of -log10 of their haplotype frequency.
double haplotypeBayes(const ReferenceTables& ref, const GroupProfile::Haplotypes& h, const Table2<double>& logq, int p) {
  double s = 0;
  for (const auto& [k, c] : h.listed) s -= c * logq(p, k);
  for (int c : h.unlisted) s -= c * ref.logMinFreqMiss;
  return s;
}

// Half the sum of |reference - group| over the haplotypes of the table and those it lacks.
double haplotypeDistance(const HaplotypeTable& table, const GroupProfile::Haplotypes& h, int p) {
  const double m = h.complete;
  double s = 0;
  std::size_t j = 0;
  for (int k = 1; k <= table.size(); ++k) {
    double gf = 0;
    if (j < h.listed.size() && h.listed[j].first == k) gf = h.listed[j++].second / m;
    s += std::fabs(table.freq(p, k) - gf);
  }
  for (int c : h.unlisted) s += c / m;
  return 0.5 * s;
}

double alleleDistance(const ReferenceTables& ref, const GroupProfile::Locus& L, int p) {
  const auto& present = ref.alleles.PresentCodes[static_cast<std::size_t>(L.locus)];
  const double n = L.copies;
  double s = 0;
  std::size_t i = 0, j = 0;
  while (i < present.size() || j < L.codes.size()) {
    const int a = i < present.size() ? present[i] : -1;
    const int b = j < L.codes.size() ? L.codes[j].first : -1;
    if (b < 0 || (a >= 0 && a < b)) {
      s += ref.alleles.AlleleFreq(p, L.locus, a);
      ++i;
    } else if (a < 0 || b < a) {
      s += L.codes[j].second / n;
      ++j;
    } else {
      s += std::fabs(ref.alleles.AlleleFreq(p, L.locus, a) - L.codes[j].second / n);
      ++i;
      ++j;
    }
  }
  return 0.5 * s;
}

double genotypeDistance(const ReferenceTables& ref, const GroupProfile::Locus& L, int p) {
  const auto l = static_cast<std::size_t>(L.locus);
  const int listed = ref.genotypes.NGenoTypes.size() > l ? ref.genotypes.NGenoTypes[l] : 0;
  std::vector<double> group(static_cast<std::size_t>(listed) + 1, 0.0);
  double s = 0;
  for (const auto& G : L.genotypes) {
    const double f = static_cast<double>(G.count) / L.typed;
    if (G.k > 0) group[static_cast<std::size_t>(G.k)] = f;
    else s += f;
  }
  for (int k = 1; k <= listed; ++k) s += std::fabs(ref.genotypes.GenoFreq[l](p, k) - group[static_cast<std::size_t>(k)]);
  return 0.5 * s;
}

}  // namespace

GroupProfile profileGroup(const ReferenceTables& ref, const GroupGenotypes& group) {
  GroupProfile out;
  out.loci.reserve(ref.bipLoci.size());
  std::vector<int> codes;
  std::vector<std::pair<int, int>> pairs;
  for (int l : ref.bipLoci) {
    GroupProfile::Locus L;
    L.locus = l;
    codes.clear();
    pairs.clear();
    for (int i = 1; i <= group.nInd(); ++i) {
      const int a = group.a1(l, i), b = group.a2(l, i);
      const bool okA = codeOk(ref, a), okB = codeOk(ref, b);
      if (okA) codes.push_back(a);
      if (okB) codes.push_back(b);
      if (okA && okB) pairs.emplace_back(std::min(a, b), std::max(a, b));
    }
    L.copies = static_cast<int>(codes.size());
    L.typed = static_cast<int>(pairs.size());
    L.codes = runs(codes);
    for (const auto& [ab, c] : runs(pairs)) {
      GroupProfile::Genotype G{ab.first, ab.second, c, 0};
      if (ref.hasGenotypes) G.k = ref.genotypes.find(l, ab.first, ab.second);
      L.genotypes.push_back(G);
    }
    out.loci.push_back(std::move(L));
  }
  out.maternal = profileHaplotypes(ref.maternal, ref.matLoci, group);
  out.paternal = profileHaplotypes(ref.paternal, ref.patLoci, group);
  return out;
}

double bayesScore(const ReferenceTables& ref, const GroupProfile& g, int p) {
  double s = 0;
  for (const auto& L : g.loci) {
    if (ref.NAllelesLoc[static_cast<std::size_t>(L.locus)] == 0) continue;
    const double den = ref.logDenom(p, L.locus);
    for (const auto& G : L.genotypes) {
      const double logP = G.a == G.b
                              ? ref.logPrior(p, L.locus, G.a) + ref.logPrior1(p, L.locus, G.a) - den
                              : kLog10Two + ref.logPrior(p, L.locus, G.a) + ref.logPrior(p, L.locus, G.b) - den;
      s -= G.count * logP;
    }
  }
  s += haplotypeBayes(ref, g.maternal, ref.logHapMat, p);
  s += haplotypeBayes(ref, g.paternal, ref.logHapPat, p);
  return s;
}

double freqScore(const ReferenceTables& ref, const GroupProfile& g, int p) {
  double s = 0;
  for (const auto& L : g.loci) {
    if (L.copies == 0) continue;
    double t = ref.log10Factorial(L.copies);
    for (const auto& [a, c] : L.codes) {
      if (ref.AllelePresent(L.locus, a) != 1) continue;
      t += -ref.log10Factorial(c) + c * ref.logFreq(p, L.locus, a);
    }
    s -= t;
  }
  // Paternal loci take no part in this method.
  s += haplotypeMultinomial(ref, g.maternal, ref.logHapMat, p);
  return s;
}

double gdDistance(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p) {
  double d = 0;
  int m = 0;
  for (const auto& L : g.loci) {
    if (opt.GDOnAlleles == 1 && L.copies > 0) {
      ++m;
      d += alleleDistance(ref, L, p);
    }
    if (opt.GDOnGenotypes == 1 && L.typed > 0) {
      ++m;
      d += genotypeDistance(ref, L, p);
    }
  }
  if (m > 0) d /= m;
  if (!ref.matLoci.empty()) {
    const double dm = haplotypeDistance(ref.maternal, g.maternal, p);
    d = m > 0 ? opt.WeightBip * d + opt.WeightMat * dm : dm;
  }
  return d;
}

bool groupHasData(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g) {
  bool copies = false, typed = false;
  for (const auto& L : g.loci) {
    copies = copies || L.copies > 0;
    typed = typed || L.typed > 0;
  }
  switch (opt.AssMethod) {
    case 2:
      return copies || g.maternal.complete > 0;
    case 3:
      return (opt.GDOnAlleles == 1 ? copies : typed) || (!ref.matLoci.empty() && g.maternal.complete > 0);
    default:
      return typed || g.maternal.complete > 0 || g.paternal.complete > 0;
  }
}

double groupScore(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p) {
  switch (opt.AssMethod) {
    case 2:
      return freqScore(ref, g, p);
    case 3:
      return gdDistance(ref, opt, g, p);
    default:
      return bayesScore(ref, g, p);
  }
}

double deltaOfRelativeScores(const std::vector<double>& relative, double best) {
  const int n = static_cast<int>(relative.size());
  if (n < 3) return 0;
  // Relative scores are differences of scores of the size of `best`: a score equal to the best within the
  // tie rule ties with it, whatever its last bits say.
  const auto atBest = [best](double r) { return ties(r, 0, best); };
  int nAtBest = 0;
  double s = 0, sum = 0;
  bool positive = false;
  for (double r : relative) {
    sum += r;
    if (r <= 0 || atBest(r)) {
      ++nAtBest;
    } else if (!positive || r < s) {
      s = r;
      positive = true;
    }
  }
  if (!positive || nAtBest > 1) return 0;
  const double rest = (sum - s) / (n - 2);
  if (!(rest > 0)) return 0;
  return s / rest;
}

void scoreGroups(const ReferenceTables& ref, const AssignmentOptions& opt, const std::vector<GroupGenotypes>& groups,
                 AssignmentResults& out) {
  const int nGroups = static_cast<int>(groups.size());
  out.resize(nGroups, ref.nPop);
  parallelFor(nGroups, [&](int index) {
    const int g = index + 1;
    const auto gu = static_cast<std::size_t>(g);
    const GroupProfile profile = profileGroup(ref, groups[static_cast<std::size_t>(index)]);
    if (ref.candidates.empty() || !groupHasData(ref, opt, profile)) return;  // not assigned; cells stay undefined
    out.GrTyped[gu] = 1;
    if (opt.method() == AssignMethod::GeneticDistance) {
      std::vector<double> dist;
      dist.reserve(ref.candidates.size());
      for (int p : ref.candidates) {
        const double d = gdDistance(ref, opt, profile, p);
        out.GrScore(g, p) = d;
        out.GrProb(g, p) = 1 - d;
        dist.push_back(d);
      }
      // The nearest population, unless even the nearest shares nothing with the group (distance 1).
      const std::size_t nearest = firstOfSmallest(dist);
      if (nearest < dist.size() && clearlyBelow(dist[nearest], 1)) out.GrAssignedPop[gu] = ref.candidates[nearest];
      return;
    }
    std::vector<double> score;
    score.reserve(ref.candidates.size());
    for (int p : ref.candidates) score.push_back(groupScore(ref, opt, profile, p));
    const std::size_t bestAt = firstOfSmallest(score);
    const double best = score[bestAt];
    out.GrBestScore[gu] = best;
    out.GrAssignedPop[gu] = ref.candidates[bestAt];
    double top = 0;
    for (double& s : score) {
      s -= best;
      top = std::max(top, std::min(s, 100.0));
    }
    out.GrDelta[gu] = deltaOfRelativeScores(score, best);
    double sum = 0;
    for (double s : score) sum += std::pow(10.0, top - std::min(s, 100.0));
    for (std::size_t j = 0; j < score.size(); ++j) {
      const int p = ref.candidates[j];
      out.GrScore(g, p) = score[j];
      out.GrProb(g, p) = std::pow(10.0, top - std::min(score[j], 100.0)) / sum;
    }
  });
}

}  // namespace kiwora
