#include "assign/self_assign_leave_out.h"

#include <algorithm>
#include <cmath>

#include "assign/score_kernels.h"
#include "stats/allele_codes.h"
#include "stats/population_copy.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Members of the tested population with haplotype h among (key, members) pairs.
int leavingWith(const std::vector<std::pair<int, int>>& leaving, int h) {
  for (const auto& [key, n] : leaving)
    if (key == h) return n;
  return 0;
}

// The first carrier of key k that is not a member, -1 when only members carry it.
int firstLeft(const KeyCarriers& list, int k, const std::vector<int>& memberAt) {
  std::size_t i = list.start[at(k)];
  const std::size_t end = list.start[at(k) + 1];
  while (i < end && std::binary_search(memberAt.begin(), memberAt.end(), list.at[i])) ++i;
  return i < end ? list.at[i] : -1;
}

// The carriers of nKeys keys from (position, key) pairs in order of position.
KeyCarriers carriersOf(int nKeys, const std::vector<std::pair<int, int>>& carried) {
  KeyCarriers c;
  c.start.assign(at(nKeys) + 2, 0);
  for (const auto& [pos, k] : carried) ++c.start[at(k) + 1];
  for (std::size_t k = 1; k + 1 < c.start.size(); ++k) c.start[k + 1] += c.start[k];
  std::vector<std::size_t> next(c.start);
  c.at.resize(carried.size());
  for (const auto& [pos, k] : carried) c.at[next[at(k)]++] = pos;
  return c;
}

// Adds term(value) to every candidate's lane; the tested population's lane (own >= 0) adds term(ownValue)
// instead, so every lane sees the same operations as a score of that candidate alone.
template <class Term>
void addLanes(double* s, const double* row, std::size_t n, int own, double ownValue, Term term) {
  const double kept = own >= 0 ? s[own] : 0;
  for (std::size_t j = 0; j < n; ++j) s[j] += term(row[j]);
  if (own >= 0) s[own] = kept + term(ownValue);
}

}  // namespace

// The reference values as they would be rebuilt without the tested members: the tested population's
// own row from the test's counts, the k of every locus with the members' codes, everything else from the
// shared tables. Each value is computed by the same expression as when the tables are built.
struct LeftOutReader {
  const LeaveOutReference& b;
  const LeaveOutWorkspace& w;
  int own;  // the tested population when it is a candidate, else 0

  const ReferenceTables& ref() const { return b.ref_; }
  double ownFreq(int l, int a) const {
    const int idx = b.presentIndex(l, a);
    if (idx < 0) return 0.0;
    const double f = w.share[b.codeStart_[at(l)] + at(idx)];
    return f > 0 ? f / w.shareSum[at(l)] : 0.0;
  }
  // The tested population's share of haplotype h, divided as the table divides it.
  double ownHapFreq(const Table2<int>& counts, const HaplotypeTable& hap, const std::vector<std::pair<int, int>>& leaving,
                    int left, int h) const {
    const int n = hap.nComplete[at(own)] - left;
    const int c = counts(own, h) - leavingWith(leaving, h);
    return n > 0 ? static_cast<double>(c) / n : 0.0;
  }
  double logHap(const Table2<double>& table, const Table2<int>& counts, const HaplotypeTable& hap,
                const std::vector<std::pair<int, int>>& leaving, int left, int q, int h) const {
    if (q != own) return table(q, h);
    const double f = ownHapFreq(counts, hap, leaving, left, h);
    return f > 0 ? std::log10(f) : ref().logMinFreqMiss;
  }

  int k(int l) const { return w.k[at(l)]; }
  double logDenom(int q, int l) const {
    return q != own ? ref().logDenom(q, l) : b.logDenomOf_[at(w.copies[at(l)])];
  }
  double logPrior(int q, int l, int a) const {
    if (q == own) {
      const double n = w.copies[at(l)];
      const double x = n * ownFreq(l, a);
      return std::log10(x + 1.0 / w.k[at(l)]);
    }
    if (!w.kChanged[at(l)]) return ref().logPrior(q, l, a);
    const double n = ref().alleles.GeneCount(q, l);
    const double x = n * ref().alleles.AlleleFreq(q, l, a);
    return std::log10(x + 1.0 / w.k[at(l)]);
  }
  double logPrior1(int q, int l, int a) const {
    if (q == own) {
      const double n = w.copies[at(l)];
      const double x = n * ownFreq(l, a);
      return std::log10(x + 1 + 1.0 / w.k[at(l)]);
    }
    if (!w.kChanged[at(l)]) return ref().logPrior1(q, l, a);
    const double n = ref().alleles.GeneCount(q, l);
    const double x = n * ref().alleles.AlleleFreq(q, l, a);
    return std::log10(x + 1 + 1.0 / w.k[at(l)]);
  }
  double logFreq(int q, int l, int a) const {
    if (q != own) return ref().logFreq(q, l, a);
    const double f = ownFreq(l, a);
    return f > 0 ? std::log10(f) : ref().logMinFreqMiss;
  }
  bool present(int l, int a) const {
    return ref().AllelePresent(l, a) == 1 || std::binary_search(w.novel.begin(), w.novel.end(), std::make_pair(l, a));
  }
  double logHapMat(int q, int h) const {
    return logHap(ref().logHapMat, b.matCount_, ref().maternal, w.matLeaving, w.matLeft, q, h);
  }
  double logHapPat(int q, int h) const {
    return logHap(ref().logHapPat, b.patCount_, ref().paternal, w.patLeaving, w.patLeft, q, h);
  }
};

namespace {

// Complete members per (population, haplotype) of the candidates, from the frequencies they were divided
// into (a share c/n read back times n is c to well within rounding).
Table2<int> haplotypeCounts(const HaplotypeTable& t, const std::vector<int>& candidates, int nPop) {
  Table2<int> counts(nPop, t.size());
  for (int p : candidates) {
    const int n = t.nComplete[at(p)];
    for (int h = 1; h <= t.size(); ++h) counts(p, h) = static_cast<int>(std::lround(t.freq(p, h) * n));
  }
  return counts;
}

}  // namespace

LeaveOutReference::LeaveOutReference(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt,
                                     int groupSize)
    : ds_(ds), opt_(opt), nLoci_(ds.NLoci), maxAllele_(ds.MaxAllele) {
  // The tables only read the genotypes, so the data set is not copied.
  const GenotypeReader view = readerOf(ds, sel);
  const AssignMethod method = opt.method();
  ReferenceBuild how;
  how.minFreqMiss = opt.MinFreqMiss;
  how.genotypeTable = method == AssignMethod::GeneticDistance && opt.GDOnGenotypes == 1;
  how.largestGroup = groupSize;
  buildReferenceTables(view, sel.LocMode, TestGroups{}, how, ref_);
  nc_ = ref_.candidates.size();

  std::vector<std::vector<int>> present(at(nLoci_ + 1));
  for (int l : ref_.bipLoci) present[at(l)] = ref_.alleles.PresentCodes[at(l)];
  presentCodes_ = LocusCodes(nLoci_, maxAllele_, present);
  codeStart_.assign(at(nLoci_ + 1), 0);
  std::size_t next = 0;
  for (int l : ref_.bipLoci) {
    codeStart_[at(l)] = next;
    next += ref_.alleles.PresentCodes[at(l)].size();
  }
  codesPerPop_ = next;
  count_.assign(at(ds.NPop + 1) * codesPerPop_, 0);
  for (int p : ref_.candidates)
    for (int l : ref_.bipLoci) {
      int* row = count_.data() + at(p) * codesPerPop_ + codeStart_[at(l)];
      const auto index = presentCodes_.slotsOf(l);
      const int* x1 = ds.Allele.locus1(p, l);
      const int* x2 = ds.Allele.locus2(p, l);
      for (int j = 1, n = ds.Allele.nInd(p); j <= n; ++j)
        for (int a : {x1[j], x2[j]})
          if (isTyped(a, maxAllele_)) ++row[index[a] - 1];
    }
  popStart_.assign(at(ds.NPop + 2), 0);
  for (int p = 1; p <= ds.NPop; ++p) popStart_[at(p + 1)] = popStart_[at(p)] + ds.Allele.nInd(p);
  // The Bayesian denominator of the tested population by its copies left, as the tables compute it.
  int mostCopies = 0;
  for (int p : ref_.candidates) mostCopies = std::max(mostCopies, 2 * ds.Allele.nInd(p));
  logDenomOf_.resize(at(mostCopies + 1));
  for (int c = 0; c <= mostCopies; ++c) {
    const double n = c;
    logDenomOf_[at(c)] = std::log10((n + 1) * (n + 2));
  }

  // Haplotypes: the candidates' complete members in order, by key.
  const auto haplotypeCarriers = [&](const std::vector<int>& loci, const HaplotypeTable& table) {
    std::vector<std::pair<int, int>> carried;
    for (int p : ref_.candidates)
      for (int i = 1; i <= ds.Allele.nInd(p); ++i) {
        const std::string key = haplotypeKey(loci, [&](int l) { return ds.Allele.a1(p, l, i); });
        if (const int h = key.empty() ? 0 : table.find(key)) carried.emplace_back(popStart_[at(p)] + i - 1, h);
      }
    return carriersOf(table.size(), carried);
  };
  if (!ref_.matLoci.empty()) {
    matCount_ = haplotypeCounts(ref_.maternal, ref_.candidates, ds.NPop);
    matCarriers_ = haplotypeCarriers(ref_.matLoci, ref_.maternal);
  }
  if (!ref_.patLoci.empty()) {
    patCount_ = haplotypeCounts(ref_.paternal, ref_.candidates, ds.NPop);
    patCarriers_ = haplotypeCarriers(ref_.patLoci, ref_.paternal);
  }

  // Genotypes (the distance on genotypes): every population's typed members in order, by key, as the
  // list counts them.
  if (ref_.hasGenotypes) {
    const GenotypeTable& gt = ref_.genotypes;
    genoRow_.assign(at(nLoci_ + 1), 0);
    for (int l : ref_.bipLoci) {
      genoRow_[at(l)] = genoRows_;
      genoRows_ += at(gt.NGenoTypes[at(l)]);
    }
    genoCount_.assign(at(ds.NPop + 1) * genoRows_, 0);
    genoCarriers_.resize(at(nLoci_ + 1));
    std::vector<std::pair<int, int>> carried;
    for (int l : ref_.bipLoci) {
      carried.clear();
      for (int p = 1; p <= ds.NPop; ++p)
        for (int j = 1; j <= ds.Allele.nInd(p); ++j) {
          const int a = ds.Allele.a1(p, l, j), b = ds.Allele.a2(p, l, j);
          if (!isTyped(a, maxAllele_) || !isTyped(b, maxAllele_)) continue;
          const int k = gt.find(l, a, b);
          carried.emplace_back(popStart_[at(p)] + j - 1, k);
          ++genoCount_[at(p) * genoRows_ + genoRow_[at(l)] + at(k) - 1];
        }
      genoCarriers_[at(l)] = carriersOf(gt.NGenoTypes[at(l)], carried);
    }
  }

  // The candidate-major rows of what the chosen method reads.
  const auto byCode = [&](std::vector<double>& t, auto&& value) {
    t.assign(codesPerPop_ * nc_, 0.0);
    for (int l : ref_.bipLoci) {
      const auto& codes = ref_.alleles.PresentCodes[at(l)];
      for (std::size_t i = 0; i < codes.size(); ++i) {
        double* row = t.data() + (codeStart_[at(l)] + i) * nc_;
        for (std::size_t j = 0; j < nc_; ++j) row[j] = value(ref_.candidates[j], l, codes[i]);
      }
    }
  };
  switch (method) {
    case AssignMethod::Frequency:
      byCode(logFreqT_, [&](int q, int l, int a) { return ref_.logFreq(q, l, a); });
      break;
    case AssignMethod::GeneticDistance:
      if (opt.GDOnAlleles == 1) byCode(freqT_, [&](int q, int l, int a) { return ref_.alleles.AlleleFreq(q, l, a); });
      if (ref_.hasGenotypes) {
        genoT_.assign(genoRows_ * nc_, 0.0);
        for (int l : ref_.bipLoci)
          for (int k = 1; k <= ref_.genotypes.NGenoTypes[at(l)]; ++k)
            for (std::size_t j = 0; j < nc_; ++j)
              genoT_[(genoRow_[at(l)] + at(k) - 1) * nc_ + j] = ref_.genotypes.GenoFreq[at(l)](ref_.candidates[j], k);
      }
      if (!ref_.matLoci.empty()) {
        hapT_.assign(at(ref_.maternal.size() + 1) * nc_, 0.0);
        for (int h = 1; h <= ref_.maternal.size(); ++h)
          for (std::size_t j = 0; j < nc_; ++j) hapT_[at(h) * nc_ + j] = ref_.maternal.freq(ref_.candidates[j], h);
      }
      break;
    default:
      byCode(priorT_, [&](int q, int l, int a) { return ref_.logPrior(q, l, a); });
      byCode(prior1T_, [&](int q, int l, int a) { return ref_.logPrior1(q, l, a); });
      denomT_.assign(at(nLoci_ + 1) * nc_, 0.0);
      for (int l : ref_.bipLoci)
        for (std::size_t j = 0; j < nc_; ++j) denomT_[at(l) * nc_ + j] = ref_.logDenom(ref_.candidates[j], l);
      break;
  }
}

void LeaveOutWorkspace::prepare(const LeaveOutReference& base, int groupSize) {
  const auto loci = at(base.nLoci_ + 1);
  group.resize(1, base.nLoci_, makeVec1<int>(1, groupSize));
  copies.assign(loci, 0);
  k.assign(loci, 0);
  kChanged.assign(loci, 0);
  count.assign(base.codesPerPop_, 0);
  share.assign(base.codesPerPop_, 0.0);
  shareSum.assign(loci, 0.0);
  novel.clear();
  int keys = std::max(base.ref_.maternal.size(), base.ref_.paternal.size());
  for (const KeyCarriers& c : base.genoCarriers_) keys = std::max(keys, c.size());
  mark.assign(at(keys + 1), 0);
  keyShare.assign(at(keys + 1), 0.0);
  genoLeaving.assign(at(keys + 1), 0);
  scores.assign(base.nc_, 0.0);
  lanes.assign(base.nc_, 0.0);
  prepared = true;
}

// The members' codes count as present (they are a test group), and their copies leave their own
// population's counts.
void LeaveOutReference::leaveCounts(int p, bool own, LeaveOutWorkspace& ws) const {
  const int m = ws.group.nInd(1);
  for (int l : ref_.bipLoci) {
    int k = ref_.NAllelesLoc[at(l)];
    for (int i = 1; i <= m; ++i)
      for (int a : {ws.group.a1(1, l, i), ws.group.a2(1, l, i)})
        if (a >= 1 && a <= maxAllele_ && ref_.AllelePresent(l, a) != 1 &&
            std::find(ws.novel.begin(), ws.novel.end(), std::make_pair(l, a)) == ws.novel.end()) {
          ws.novel.emplace_back(l, a);
          ++k;
        }
    ws.k[at(l)] = k;
    ws.kChanged[at(l)] = k != ref_.NAllelesLoc[at(l)];
    if (!own) continue;

    const std::size_t start = codeStart_[at(l)];
    const std::size_t width = ref_.alleles.PresentCodes[at(l)].size();
    const int* base = count_.data() + at(p) * codesPerPop_ + start;
    int* cnt = ws.count.data() + start;
    for (std::size_t j = 0; j < width; ++j) cnt[j] = base[j];
    int n = ref_.alleles.GeneCount(p, l);
    for (int i = 1; i <= m; ++i)
      for (int a : {ws.group.a1(1, l, i), ws.group.a2(1, l, i)})
        if (isTyped(a, maxAllele_)) {
          --cnt[presentIndex(l, a)];
          --n;
        }
    ws.copies[at(l)] = n;
    // Divided by the count, then (in ownFreq, for the codes a score reads) by the sum of the shares, as
    // the allele frequencies are.
    double* f = ws.share.data() + start;
    double sum = 0;
    for (std::size_t j = 0; j < width; ++j) {
      f[j] = 0;
      if (n > 0 && cnt[j] > 0) {
        f[j] = static_cast<double>(cnt[j]) / n;
        sum += f[j];
      }
    }
    ws.shareSum[at(l)] = sum;
  }
  std::sort(ws.novel.begin(), ws.novel.end());  // searched by present()
}

// The group's haplotypes (h, listed against the shared table) as the table rebuilt without the members
// lists them: a key whose first carriers are members stands where its first other carrier stands, and a
// key only members carry is one the table lacks, counted among the unlisted in the order of their texts.
void LeaveOutReference::rebuiltHaplotypes(const KeyCarriers& list, const HaplotypeTable& table,
                                          const std::vector<std::pair<int, int>>& leaving,
                                          GroupProfile::Haplotypes& h, LeaveOutWorkspace& ws) const {
  ws.moved.clear();
  ws.gone.clear();
  for (std::size_t i = 0; i < h.listed.size(); ++i) {
    const int first = firstLeft(list, h.listed[i].first, ws.memberAt);
    if (first < 0) ws.gone.push_back(static_cast<int>(i));
    else ws.moved.emplace_back(first, static_cast<int>(i));
  }
  if (ws.gone.empty() && std::is_sorted(ws.moved.begin(), ws.moved.end())) return;
  std::sort(ws.moved.begin(), ws.moved.end());
  std::sort(ws.gone.begin(), ws.gone.end(), [&](int x, int y) {
    return table.keys[at(h.listed[at(x)].first)] < table.keys[at(h.listed[at(y)].first)];
  });
  // The members of a candidate population are all in the table, so nothing was unlisted before.
  for (int i : ws.gone) h.unlisted.push_back(h.listed[at(i)].second);
  // `leaving` holds the listed pairs as they were.
  h.listed.clear();
  for (const auto& [first, i] : ws.moved) h.listed.push_back(leaving[at(i)]);
}

// ws.order: the keys of `list` as a rebuild without the members (ws.memberAt) would list them, given the
// members' own keys (ws.memberKeys, distinct). Marks the keys that move (1) and go (2) in ws.mark, for the
// caller to read and clear.
void LeaveOutReference::rebuiltOrder(const KeyCarriers& list, LeaveOutWorkspace& ws) const {
  ws.moved.clear();
  for (int k : ws.memberKeys) {
    const int first = firstLeft(list, k, ws.memberAt);
    if (first == list.first(k)) continue;
    ws.mark[at(k)] = first < 0 ? 2 : 1;
    if (first >= 0) ws.moved.emplace_back(first, k);
  }
  std::sort(ws.moved.begin(), ws.moved.end());
  ws.order.clear();
  std::size_t next = 0;
  for (int k = 1, n = list.size(); k <= n; ++k) {
    if (ws.mark[at(k)]) continue;
    const int first = list.first(k);
    while (next < ws.moved.size() && ws.moved[next].first < first) ws.order.push_back(ws.moved[next++].second);
    ws.order.push_back(k);
  }
  while (next < ws.moved.size()) ws.order.push_back(ws.moved[next++].second);
}

// The Bayesian score against every candidate, each adding the terms of kernels::bayesScore in its order.
void LeaveOutReference::bayesScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const {
  double* s = ws.scores.data();
  const int own = r.own;
  for (const auto& L : ws.profile.loci) {
    const int l = L.locus;
    if (r.k(l) == 0) continue;
    if (ws.kChanged[at(l)]) {
      // A code only the members carry changes k, and with it every prior of the locus.
      for (std::size_t j = 0; j < nc_; ++j) {
        const int q = ref_.candidates[j];
        const double den = r.logDenom(q, l);
        for (const auto& G : L.genotypes) {
          const double logP = G.a == G.b ? kernels::homozygoteLogP(r.logPrior(q, l, G.a), r.logPrior1(q, l, G.a), den)
                                         : kernels::heterozygoteLogP(r.logPrior(q, l, G.a), r.logPrior(q, l, G.b), den);
          s[j] -= G.count * logP;
        }
      }
      continue;
    }
    const double* den = lanes(denomT_, at(l));
    const double ownDen = ownLane >= 0 ? r.logDenom(own, l) : 0;
    for (const auto& G : L.genotypes) {
      const double kept = ownLane >= 0 ? s[ownLane] : 0;
      const double* pa = lanes(priorT_, codeRow(l, G.a));
      if (G.a == G.b) {
        const double* pa1 = lanes(prior1T_, codeRow(l, G.a));
        for (std::size_t j = 0; j < nc_; ++j) s[j] -= G.count * kernels::homozygoteLogP(pa[j], pa1[j], den[j]);
        if (ownLane >= 0)
          s[ownLane] = kept - G.count * kernels::homozygoteLogP(r.logPrior(own, l, G.a), r.logPrior1(own, l, G.a), ownDen);
      } else {
        const double* pb = lanes(priorT_, codeRow(l, G.b));
        for (std::size_t j = 0; j < nc_; ++j) s[j] -= G.count * kernels::heterozygoteLogP(pa[j], pb[j], den[j]);
        if (ownLane >= 0)
          s[ownLane] = kept - G.count * kernels::heterozygoteLogP(r.logPrior(own, l, G.a), r.logPrior(own, l, G.b), ownDen);
      }
    }
  }
  for (std::size_t j = 0; j < nc_; ++j) {
    const int q = ref_.candidates[j];
    s[j] += kernels::haplotypeBayes(ref_, ws.profile.maternal, [&](int h) { return r.logHapMat(q, h); });
    s[j] += kernels::haplotypeBayes(ref_, ws.profile.paternal, [&](int h) { return r.logHapPat(q, h); });
  }
}

// The frequency score against every candidate, each adding the terms of kernels::freqScore in its order.
void LeaveOutReference::freqScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const {
  double* s = ws.scores.data();
  double* t = ws.lanes.data();
  for (const auto& L : ws.profile.loci) {
    if (L.copies == 0) continue;
    const int l = L.locus;
    std::fill(t, t + nc_, ref_.log10Factorial(L.copies));
    for (const auto& [a, c] : L.codes) {
      if (!r.present(l, a)) continue;
      const double minus = -ref_.log10Factorial(c);
      const double ownValue = ownLane >= 0 ? r.logFreq(r.own, l, a) : 0;
      if (presentIndex(l, a) >= 0) {
        addLanes(t, lanes(logFreqT_, codeRow(l, a)), nc_, ownLane, ownValue,
                 [minus, c = c](double v) { return kernels::multinomialTerm(minus, c, v); });
      } else {
        // A code only the members carry: no candidate has it.
        const double kept = ownLane >= 0 ? t[ownLane] : 0;
        for (std::size_t j = 0; j < nc_; ++j) t[j] += kernels::multinomialTerm(minus, c, ref_.logMinFreqMiss);
        if (ownLane >= 0) t[ownLane] = kept + kernels::multinomialTerm(minus, c, ownValue);
      }
    }
    for (std::size_t j = 0; j < nc_; ++j) s[j] -= t[j];
  }
  // Paternal loci take no part in this method.
  for (std::size_t j = 0; j < nc_; ++j) {
    const int q = ref_.candidates[j];
    s[j] += kernels::haplotypeMultinomial(ref_, ws.profile.maternal, [&](int h) { return r.logHapMat(q, h); });
  }
}

// ws.lanes: for every candidate, twice its distance on genotypes at the group's locus L, adding the terms of
// the plain distance in the order of the list rebuilt without the members.
void LeaveOutReference::genotypeLanes(const GroupProfile::Locus& L, int ownLane, LeaveOutWorkspace& ws) const {
  double* s = ws.lanes.data();
  const int l = L.locus, testPop = ws.pop;
  // The members' genotypes leave the list's counts (every population's, selected or not).
  ws.memberKeys.clear();
  int typedLeft = 0;
  for (int pos : ws.memberAt) {
    const int i = pos - popStart_[at(testPop)] + 1;
    const int a = ds_.Allele.a1(testPop, l, i), b = ds_.Allele.a2(testPop, l, i);
    if (!isTyped(a, maxAllele_) || !isTyped(b, maxAllele_)) continue;
    const int k = ref_.genotypes.find(l, a, b);
    if (ws.genoLeaving[at(k)]++ == 0) ws.memberKeys.push_back(k);
    ++typedLeft;
  }
  rebuiltOrder(genoCarriers_[at(l)], ws);
  // The group's genotypes the rebuilt list lacks add their shares first.
  double unlisted = 0;
  for (const auto& G : L.genotypes) {
    const double f = static_cast<double>(G.count) / L.typed;
    if (G.k > 0 && ws.mark[at(G.k)] != 2) ws.keyShare[at(G.k)] = f;
    else unlisted += f;
  }
  std::fill(s, s + nc_, unlisted);
  const int typedOwn = ownLane >= 0 ? ref_.genotypes.GenoSampleN(testPop, l) - typedLeft : 0;
  const int* ownCount = genoCount_.data() + at(testPop) * genoRows_ + genoRow_[at(l)] - 1;
  for (int k : ws.order) {
    const double g = ws.keyShare[at(k)];
    const double ownValue =
        typedOwn > 0 ? static_cast<double>(ownCount[k] - ws.genoLeaving[at(k)]) / typedOwn : 0.0;
    addLanes(s, lanes(genoT_, genoRow_[at(l)] + at(k) - 1), nc_, ownLane, ownValue,
             [g](double v) { return std::fabs(v - g); });
  }
  for (const auto& G : L.genotypes)
    if (G.k > 0) ws.keyShare[at(G.k)] = 0;
  for (int k : ws.memberKeys) {
    ws.genoLeaving[at(k)] = 0;
    ws.mark[at(k)] = 0;
  }
}

// ws.lanes: for every candidate, twice its distance on maternal haplotypes: |reference - group| over the
// table's haplotypes in the order rebuilt without the members, then the group's haplotypes it lacks.
void LeaveOutReference::maternalLanes(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const {
  double* s = ws.lanes.data();
  const GroupProfile::Haplotypes& h = ws.profile.maternal;
  ws.memberKeys.clear();
  for (const auto& [key, n] : ws.matLeaving) ws.memberKeys.push_back(key);
  rebuiltOrder(matCarriers_, ws);
  const double m = h.complete;
  for (const auto& [key, c] : h.listed) ws.keyShare[at(key)] = c / m;
  std::fill(s, s + nc_, 0.0);
  for (int key : ws.order) {
    const double gf = ws.keyShare[at(key)];
    const double ownValue = ownLane >= 0 ? r.ownHapFreq(matCount_, ref_.maternal, ws.matLeaving, ws.matLeft, key) : 0;
    addLanes(s, lanes(hapT_, at(key)), nc_, ownLane, ownValue, [gf](double v) { return std::fabs(v - gf); });
  }
  for (int c : h.unlisted) {
    const double g = c / m;
    for (std::size_t j = 0; j < nc_; ++j) s[j] += g;
  }
  for (const auto& [key, c] : h.listed) ws.keyShare[at(key)] = 0;
  for (int key : ws.memberKeys) ws.mark[at(key)] = 0;
}

// The genetic distance to every candidate, each adding the terms of gdDistance (alleles, genotypes and
// maternal haplotypes) in its order, over the genotype and haplotype lists in their rebuilt order.
void LeaveOutReference::distanceScores(const LeftOutReader& r, int ownLane, LeaveOutWorkspace& ws) const {
  double* d = ws.scores.data();
  double* s = ws.lanes.data();
  const auto ident = [](double v) { return v; };
  int taken = 0;
  for (const auto& L : ws.profile.loci) {
    const int l = L.locus;
    if (opt_.GDOnAlleles == 1 && L.copies > 0) {
      ++taken;
      std::fill(s, s + nc_, 0.0);
      const auto& present = ref_.alleles.PresentCodes[at(l)];
      const double n = L.copies;
      std::size_t i = 0, j = 0;
      while (i < present.size() || j < L.codes.size()) {
        const int a = i < present.size() ? present[i] : -1;
        const int b = j < L.codes.size() ? L.codes[j].first : -1;
        if (b < 0 || (a >= 0 && a < b)) {
          addLanes(s, lanes(freqT_, codeRow(l, a)), nc_, ownLane, ownLane >= 0 ? r.ownFreq(l, a) : 0, ident);
          ++i;
        } else if (a < 0 || b < a) {
          const double g = L.codes[j].second / n;
          for (std::size_t c = 0; c < nc_; ++c) s[c] += g;
          ++j;
        } else {
          const double g = L.codes[j].second / n;
          addLanes(s, lanes(freqT_, codeRow(l, a)), nc_, ownLane, ownLane >= 0 ? r.ownFreq(l, a) : 0,
                   [g](double v) { return std::fabs(v - g); });
          ++i;
          ++j;
        }
      }
      for (std::size_t c = 0; c < nc_; ++c) d[c] += 0.5 * s[c];
    }
    if (opt_.GDOnGenotypes == 1 && L.typed > 0) {
      ++taken;
      genotypeLanes(L, ownLane, ws);
      for (std::size_t c = 0; c < nc_; ++c) d[c] += 0.5 * s[c];
    }
  }
  if (taken > 0)
    for (std::size_t c = 0; c < nc_; ++c) d[c] /= taken;
  if (ref_.matLoci.empty()) return;

  maternalLanes(r, ownLane, ws);
  for (std::size_t j = 0; j < nc_; ++j) {
    const double dm = 0.5 * s[j];
    d[j] = taken > 0 ? opt_.WeightBip * d[j] + opt_.WeightMat * dm : dm;
  }
}

int LeaveOutReference::assign(int p, const std::vector<int>& members, LeaveOutWorkspace& ws) const {
  const int m = static_cast<int>(members.size());
  if (ws.group.nPop() != 1 || ws.group.nInd(1) != m) ws.group.resize(1, nLoci_, makeVec1<int>(1, m));
  for (int l = 1; l <= nLoci_; ++l)
    for (int i = 1; i <= m; ++i) {
      ws.group.a1(1, l, i) = ds_.Allele.a1(p, l, members[at(i - 1)]);
      ws.group.a2(1, l, i) = ds_.Allele.a2(p, l, members[at(i - 1)]);
    }
  profileGroupInto(ref_, GroupGenotypes{&ws.group, 1}, ws.profile, ws.scratch);
  if (ref_.candidates.empty() || !groupHasData(ref_, opt_, ws.profile)) return 0;

  const bool own = ref_.isCandidate[at(p)] == 1;
  ws.pop = p;
  ws.memberAt.clear();
  for (int i : members) ws.memberAt.push_back(popStart_[at(p)] + i - 1);
  std::sort(ws.memberAt.begin(), ws.memberAt.end());
  leaveCounts(p, own, ws);

  // Haplotypes change only where the tested population is a candidate: the tables count no other.
  ws.matLeft = ws.patLeft = 0;
  ws.matLeaving.clear();
  ws.patLeaving.clear();
  if (own) {
    ws.matLeft = ws.profile.maternal.complete;
    ws.patLeft = ws.profile.paternal.complete;
    ws.matLeaving = ws.profile.maternal.listed;
    ws.patLeaving = ws.profile.paternal.listed;
    if (!ref_.matLoci.empty()) rebuiltHaplotypes(matCarriers_, ref_.maternal, ws.matLeaving, ws.profile.maternal, ws);
    if (!ref_.patLoci.empty()) rebuiltHaplotypes(patCarriers_, ref_.paternal, ws.patLeaving, ws.profile.paternal, ws);
  }

  const LeftOutReader r{*this, ws, own ? p : 0};
  const int ownLane =
      own ? static_cast<int>(std::lower_bound(ref_.candidates.begin(), ref_.candidates.end(), p) - ref_.candidates.begin())
          : -1;
  std::fill(ws.scores.begin(), ws.scores.end(), 0.0);
  switch (opt_.method()) {
    case AssignMethod::Frequency: freqScores(r, ownLane, ws); break;
    case AssignMethod::GeneticDistance: distanceScores(r, ownLane, ws); break;
    default: bayesScores(r, ownLane, ws); break;
  }
  ws.novel.clear();
  return assignedCandidate(ref_, opt_, ws.scores);
}

}  // namespace kiwora
