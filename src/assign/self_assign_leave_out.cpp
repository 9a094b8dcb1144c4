#include "assign/self_assign_leave_out.h"

#include <cmath>

#include "assign/score_kernels.h"
#include "stats/population_copy.h"
#include "stats/allele_codes.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

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
    const int idx = b.presentIndex_[b.codeCell(l, a)];
    return idx < 0 ? 0.0 : w.freq[b.codeStart_[at(l)] + at(idx)];
  }
  double logHap(const Table2<double>& table, const Table2<int>& counts, const HaplotypeTable& hap, int key, int q,
                int h) const {
    if (q != own) return table(q, h);
    const int n = hap.nComplete[at(q)] - (key > 0 ? 1 : 0);
    const int c = counts(q, h) - (h == key ? 1 : 0);
    const double f = n > 0 ? static_cast<double>(c) / n : 0.0;
    return f > 0 ? std::log10(f) : ref().logMinFreqMiss;
  }

  int k(int l) const { return w.k[at(l)]; }
  double logDenom(int q, int l) const {
    if (q != own) return ref().logDenom(q, l);
    const double n = w.copies[at(l)];
    return std::log10((n + 1) * (n + 2));
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
  bool present(int l, int a) const { return ref().AllelePresent(l, a) == 1 || w.novel[b.codeCell(l, a)]; }
  double alleleFreq(int q, int l, int a) const {
    return q == own ? ownFreq(l, a) : ref().alleles.AlleleFreq(q, l, a);
  }
  double logHapMat(int q, int h) const { return logHap(ref().logHapMat, b.matCount_, ref().maternal, w.matKey, q, h); }
  double logHapPat(int q, int h) const { return logHap(ref().logHapPat, b.patCount_, ref().paternal, w.patKey, q, h); }
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
  GenotypeData all = ds.Allele;  // the statistics take a writable view; only read here
  const GenotypeView view = viewOfCopy(all, ds.MaxAllele, sel.PopSel, sel.LocSel);
  ReferenceBuild how;
  how.minFreqMiss = opt.MinFreqMiss;
  how.genotypeTable = opt.AssMethod == 3 && opt.GDOnGenotypes == 1;
  how.largestGroup = groupSize;
  buildReferenceTables(view, sel.LocMode, TestGroups{}, how, ref_);

  // A group of one member changes one haplotype count, whose place in the table no score depends on; with
  // several members the order of the haplotypes, and of the genotypes for the distance on genotypes,
  // reaches the sums, so those tests rebuild the tables.
  switch (opt.AssMethod) {
    case 2: fromCounts_ = groupSize <= 1 || ref_.matLoci.empty(); break;
    case 3: fromCounts_ = opt.GDOnAlleles == 1 && opt.GDOnGenotypes != 1 && ref_.matLoci.empty(); break;
    default: fromCounts_ = groupSize <= 1 || (ref_.matLoci.empty() && ref_.patLoci.empty()); break;
  }
  if (!fromCounts_) return;

  presentIndex_.assign(at(nLoci_ + 1) * at(maxAllele_ + 1), -1);
  codeStart_.assign(at(nLoci_ + 1), 0);
  std::size_t next = 0;
  for (int l : ref_.bipLoci) {
    codeStart_[at(l)] = next;
    const auto& codes = ref_.alleles.PresentCodes[at(l)];
    for (std::size_t j = 0; j < codes.size(); ++j) presentIndex_[codeCell(l, codes[j])] = static_cast<int>(j);
    next += codes.size();
  }
  codesPerPop_ = next;
  count_.assign(at(ds.NPop + 1) * codesPerPop_, 0);
  for (int p : ref_.candidates)
    for (int l : ref_.bipLoci) {
      int* row = count_.data() + at(p) * codesPerPop_ + codeStart_[at(l)];
      const int* x1 = ds.Allele.locus1(p, l);
      const int* x2 = ds.Allele.locus2(p, l);
      for (int j = 1, n = ds.Allele.nInd(p); j <= n; ++j)
        for (int a : {x1[j], x2[j]})
          if (isTyped(a, maxAllele_)) ++row[presentIndex_[codeCell(l, a)]];
    }
  if (!ref_.matLoci.empty()) matCount_ = haplotypeCounts(ref_.maternal, ref_.candidates, ds.NPop);
  if (!ref_.patLoci.empty()) patCount_ = haplotypeCounts(ref_.paternal, ref_.candidates, ds.NPop);
}

void LeaveOutWorkspace::prepare(const LeaveOutReference& base, int groupSize) {
  const auto loci = at(base.nLoci_ + 1);
  group.resize(1, base.nLoci_, makeVec1<int>(1, groupSize));
  copies.assign(loci, 0);
  k.assign(loci, 0);
  kChanged.assign(loci, 0);
  count.assign(base.codesPerPop_, 0);
  freq.assign(base.codesPerPop_, 0.0);
  novel.assign(loci * at(base.maxAllele_ + 1), 0);
  novelCodes.clear();
  scores.reserve(base.ref_.candidates.size());
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

  // The members' codes count as present (they are a test group), and their copies leave their own
  // population's counts.
  const bool own = ref_.isCandidate[at(p)] == 1;
  for (int l : ref_.bipLoci) {
    int k = ref_.NAllelesLoc[at(l)];
    for (int i = 1; i <= m; ++i)
      for (int a : {ws.group.a1(1, l, i), ws.group.a2(1, l, i)})
        if (a >= 1 && a <= maxAllele_ && ref_.AllelePresent(l, a) != 1 && !ws.novel[codeCell(l, a)]) {
          ws.novel[codeCell(l, a)] = 1;
          ws.novelCodes.push_back(static_cast<int>(codeCell(l, a)));
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
          --cnt[presentIndex_[codeCell(l, a)]];
          --n;
        }
    ws.copies[at(l)] = n;
    // Divided by the count, then by the sum of the shares, as the allele frequencies are.
    double* f = ws.freq.data() + start;
    double sum = 0;
    for (std::size_t j = 0; j < width; ++j) {
      f[j] = 0;
      if (n > 0 && cnt[j] > 0) {
        f[j] = static_cast<double>(cnt[j]) / n;
        sum += f[j];
      }
    }
    for (std::size_t j = 0; j < width; ++j)
      if (f[j] > 0) f[j] /= sum;
  }
  ws.matKey = own && !ws.profile.maternal.listed.empty() ? ws.profile.maternal.listed.front().first : 0;
  ws.patKey = own && !ws.profile.paternal.listed.empty() ? ws.profile.paternal.listed.front().first : 0;

  const LeftOutReader r{*this, ws, own ? p : 0};
  ws.scores.clear();
  for (int q : ref_.candidates) {
    double s = 0;
    switch (opt_.AssMethod) {
      case 2: s = kernels::freqScore(r, ref_, ws.profile, q); break;
      case 3: {
        // The distance on alleles without maternal loci: the mean over the loci the group has copies at.
        int taken = 0;
        for (const auto& L : ws.profile.loci)
          if (L.copies > 0) {
            ++taken;
            s += kernels::alleleDistance(r, ref_, L, q);
          }
        if (taken > 0) s /= taken;
        break;
      }
      default: s = kernels::bayesScore(r, ref_, ws.profile, q); break;
    }
    ws.scores.push_back(s);
  }
  for (int cell : ws.novelCodes) ws.novel[at(cell)] = 0;
  ws.novelCodes.clear();
  return assignedCandidate(ref_, opt_, ws.scores);
}

}  // namespace kiwora
