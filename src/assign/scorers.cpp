#include "assign/scorers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "assign/score_kernels.h"
#include "base/worker_pool.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

bool codeOk(const ReferenceTables& ref, int a) { return a >= 1 && a <= ref.maxAllele; }

// Sorts v and writes its (value, count) runs into out.
template <class T>
void runsInto(std::vector<T>& v, std::vector<std::pair<T, int>>& out) {
  std::sort(v.begin(), v.end());
  out.clear();
  for (const T& x : v) {
    if (!out.empty() && out.back().first == x) ++out.back().second;
    else out.emplace_back(x, 1);
  }
}

// The key of member i over the loci into `key` (as haplotypeKey writes it); false when incomplete.
bool memberKey(const std::vector<int>& loci, const GroupGenotypes& group, int i, std::string& key) {
  key.clear();
  char buf[16];
  for (int l : loci) {
    const int a = group.a1(l, i);
    if (a < 0) return false;
    if (!key.empty()) key += '.';
    const auto end = std::to_chars(buf, buf + sizeof buf, a).ptr;
    key.append(buf, end);
  }
  return true;
}

void profileHaplotypesInto(const HaplotypeTable& table, const std::vector<int>& loci, const GroupGenotypes& group,
                           GroupProfile::Haplotypes& h, ProfileScratch& s) {
  h.complete = 0;
  h.listed.clear();
  h.unlisted.clear();
  if (loci.empty()) return;
  s.listed.clear();
  std::size_t nUnlisted = 0;  // keys no reference population has, in s.keys[0..nUnlisted)
  for (int i = 1; i <= group.nInd(); ++i) {
    if (s.keys.size() <= nUnlisted) s.keys.emplace_back();
    std::string& key = s.keys[nUnlisted];
    if (!memberKey(loci, group, i, key)) continue;
    ++h.complete;
    if (const int k = table.find(key)) s.listed.push_back(k);
    else ++nUnlisted;
  }
  runsInto(s.listed, h.listed);
  // Counts of the unlisted keys in the order of their texts.
  s.order.resize(nUnlisted);
  for (std::size_t j = 0; j < nUnlisted; ++j) s.order[j] = static_cast<int>(j);
  std::sort(s.order.begin(), s.order.end(), [&](int x, int y) {
    return s.keys[static_cast<std::size_t>(x)] < s.keys[static_cast<std::size_t>(y)];
  });
  for (std::size_t j = 0; j < nUnlisted; ++j) {
    if (j > 0 && s.keys[static_cast<std::size_t>(s.order[j])] == s.keys[static_cast<std::size_t>(s.order[j - 1])])
      ++h.unlisted.back();
    else
      h.unlisted.push_back(1);
  }
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

double genotypeDistance(const ReferenceTables& ref, const GroupProfile::Locus& L, int p) {
  const auto l = static_cast<std::size_t>(L.locus);
  const int listed = ref.genotypes.NGenoTypes.size() > l ? ref.genotypes.NGenoTypes[l] : 0;
  thread_local std::vector<double> group;  // grows to the longest list once per thread
  group.assign(static_cast<std::size_t>(listed) + 1, 0.0);
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

void profileGroupInto(const ReferenceTables& ref, const GroupGenotypes& group, GroupProfile& out,
                      ProfileScratch& scratch) {
  out.loci.resize(ref.bipLoci.size());
  std::vector<int>& codes = scratch.codes;
  std::vector<std::pair<int, int>>& pairs = scratch.pairs;
  for (std::size_t j = 0; j < ref.bipLoci.size(); ++j) {
    const int l = ref.bipLoci[j];
    GroupProfile::Locus& L = out.loci[j];
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
    runsInto(codes, L.codes);
    std::sort(pairs.begin(), pairs.end());
    L.genotypes.clear();
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      if (k > 0 && pairs[k] == pairs[k - 1]) {
        ++L.genotypes.back().count;
        continue;
      }
      GroupProfile::Genotype G{pairs[k].first, pairs[k].second, 1, 0};
      if (ref.hasGenotypes) G.k = ref.genotypes.find(l, G.a, G.b);
      L.genotypes.push_back(G);
    }
  }
  profileHaplotypesInto(ref.maternal, ref.matLoci, group, out.maternal, scratch);
  profileHaplotypesInto(ref.paternal, ref.patLoci, group, out.paternal, scratch);
}

GroupProfile profileGroup(const ReferenceTables& ref, const GroupGenotypes& group) {
  GroupProfile out;
  ProfileScratch scratch;
  profileGroupInto(ref, group, out, scratch);
  return out;
}

double bayesScore(const ReferenceTables& ref, const GroupProfile& g, int p) {
  return kernels::bayesScore(kernels::PlainReader{ref}, ref, g, p);
}

double freqScore(const ReferenceTables& ref, const GroupProfile& g, int p) {
  return kernels::freqScore(kernels::PlainReader{ref}, ref, g, p);
}

namespace {

// Inserts x into the ascending values v[0..n); v holds room for it.
inline void insertSorted(std::uint64_t* v, std::size_t n, std::uint64_t x) {
  std::size_t j = n;
  while (j > 0 && v[j - 1] > x) {
    v[j] = v[j - 1];
    --j;
  }
  v[j] = x;
}

std::uint64_t packPair(int a, int b) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

double bayesDirect(const ReferenceTables& ref, const GroupGenotypes& group, int p, DirectScratch& scratch) {
  const kernels::PlainReader r{ref};
  const int n = group.nInd();
  if (scratch.sorted.size() < 2 * static_cast<std::size_t>(n)) scratch.sorted.resize(2 * static_cast<std::size_t>(n));
  std::uint64_t* v = scratch.sorted.data();
  double s = 0;
  for (int l : ref.bipLoci) {
    if (r.k(l) == 0) continue;
    const int* x1 = group.data->locus1(group.slot, l);
    const int* x2 = group.data->locus2(group.slot, l);
    std::size_t m = 0;
    for (int i = 1; i <= n; ++i) {
      const int a = x1[i], b = x2[i];
      if (codeOk(ref, a) && codeOk(ref, b)) insertSorted(v, m++, packPair(std::min(a, b), std::max(a, b)));
    }
    if (m == 0) continue;
    const double den = r.logDenom(p, l);
    const auto prior = ref.logPrior.row(p, l);
    const auto prior1 = ref.logPrior1.row(p, l);
    for (std::size_t j = 0; j < m;) {
      std::size_t e = j + 1;
      while (e < m && v[e] == v[j]) ++e;
      const int a = static_cast<int>(v[j] >> 32), b = static_cast<int>(v[j] & 0xffffffffu);
      const double logP =
          a == b ? kernels::homozygoteLogP(prior[a], prior1[a], den) : kernels::heterozygoteLogP(prior[a], prior[b], den);
      s -= static_cast<int>(e - j) * logP;
      j = e;
    }
  }
  if (!ref.matLoci.empty()) {
    profileHaplotypesInto(ref.maternal, ref.matLoci, group, scratch.haplotypes, scratch.profile);
    s += kernels::haplotypeBayes(ref, scratch.haplotypes, [&](int h) { return r.logHapMat(p, h); });
  }
  if (!ref.patLoci.empty()) {
    profileHaplotypesInto(ref.paternal, ref.patLoci, group, scratch.haplotypes, scratch.profile);
    s += kernels::haplotypeBayes(ref, scratch.haplotypes, [&](int h) { return r.logHapPat(p, h); });
  }
  return s;
}

double freqDirect(const ReferenceTables& ref, const GroupGenotypes& group, int p, DirectScratch& scratch) {
  const kernels::PlainReader r{ref};
  const int n = group.nInd();
  if (scratch.sorted.size() < 2 * static_cast<std::size_t>(n)) scratch.sorted.resize(2 * static_cast<std::size_t>(n));
  std::uint64_t* v = scratch.sorted.data();
  double s = 0;
  for (int l : ref.bipLoci) {
    const int* x1 = group.data->locus1(group.slot, l);
    const int* x2 = group.data->locus2(group.slot, l);
    std::size_t m = 0;
    for (int i = 1; i <= n; ++i) {
      if (codeOk(ref, x1[i])) insertSorted(v, m++, static_cast<std::uint64_t>(x1[i]));
      if (codeOk(ref, x2[i])) insertSorted(v, m++, static_cast<std::uint64_t>(x2[i]));
    }
    if (m == 0) continue;
    double t = ref.log10Factorial(static_cast<int>(m));
    const auto logFreq = ref.logFreq.row(p, l);
    const auto present = ref.present->slotsOf(l);  // the codes here are 1 or more
    for (std::size_t j = 0; j < m;) {
      std::size_t e = j + 1;
      while (e < m && v[e] == v[j]) ++e;
      const int a = static_cast<int>(v[j]), c = static_cast<int>(e - j);
      if (present[a] != 0) t += kernels::multinomialTerm(-ref.log10Factorial(c), c, logFreq[a]);
      j = e;
    }
    s -= t;
  }
  if (!ref.matLoci.empty()) {
    profileHaplotypesInto(ref.maternal, ref.matLoci, group, scratch.haplotypes, scratch.profile);
    s += kernels::haplotypeMultinomial(ref, scratch.haplotypes, [&](int h) { return r.logHapMat(p, h); });
  }
  return s;
}

}  // namespace

double groupScoreDirect(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupGenotypes& group, int p,
                        DirectScratch& scratch) {
  switch (opt.method()) {
    case AssignMethod::Frequency:
      return freqDirect(ref, group, p, scratch);
    case AssignMethod::GeneticDistance:
      profileGroupInto(ref, group, scratch.whole, scratch.profile);
      return gdDistance(ref, opt, scratch.whole, p);
    default:
      return bayesDirect(ref, group, p, scratch);
  }
}

double gdDistance(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p) {
  double d = 0;
  int m = 0;
  for (const auto& L : g.loci) {
    if (opt.GDOnAlleles == 1 && L.copies > 0) {
      ++m;
      d += kernels::alleleDistance(kernels::PlainReader{ref}, ref, L, p);
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
  switch (opt.method()) {
    case AssignMethod::Frequency:
      return copies || g.maternal.complete > 0;
    case AssignMethod::GeneticDistance:
      return (opt.GDOnAlleles == 1 ? copies : typed) || (!ref.matLoci.empty() && g.maternal.complete > 0);
    default:
      return typed || g.maternal.complete > 0 || g.paternal.complete > 0;
  }
}

double groupScore(const ReferenceTables& ref, const AssignmentOptions& opt, const GroupProfile& g, int p) {
  switch (opt.method()) {
    case AssignMethod::Frequency:
      return freqScore(ref, g, p);
    case AssignMethod::GeneticDistance:
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
  const auto atBest = [best](double r) { return ties(r, 0, Rounding{kScoreRounding.ulps, best}); };
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

int assignedCandidate(const ReferenceTables& ref, const AssignmentOptions& opt, const std::vector<double>& scores) {
  if (scores.empty() || scores.size() > ref.candidates.size()) return 0;
  const std::size_t bestAt = firstOfSmallest(scores, kScoreRounding);
  if (bestAt >= scores.size()) return 0;
  // Under the distance, a group that shares nothing with even the nearest population is not assigned.
  if (opt.method() == AssignMethod::GeneticDistance && !clearlyBelow(scores[bestAt], 1, kScoreRounding)) return 0;
  return ref.candidates[bestAt];
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
      const std::size_t nearest = firstOfSmallest(dist, kScoreRounding);
      if (nearest < dist.size() && clearlyBelow(dist[nearest], 1, kScoreRounding)) out.GrAssignedPop[gu] = ref.candidates[nearest];
      return;
    }
    std::vector<double> score;
    score.reserve(ref.candidates.size());
    for (int p : ref.candidates) score.push_back(groupScore(ref, opt, profile, p));
    const std::size_t bestAt = firstOfSmallest(score, kScoreRounding);
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
