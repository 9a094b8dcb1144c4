#include "assign/self_assign.h"

#include <algorithm>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "assign/self_assign_group.h"
#include "assign/self_assign_leave_out.h"
#include "assign/self_assign_plan.h"
#include "stats/population_copy.h"
#include "base/block_loop.h"

namespace kiwora {

int Self_Assign_Run(GenotypeData& work, const DataSet& ds, const Selection& sel, const AssignmentOptions& opt, int p,
                    const std::vector<int>& members) {
  TestGroups group;
  fillSelfGroup(work, p, members, group);
  const LeftOut leftOut(work, p, members);
  const GenotypeView view = viewOfCopy(work, ds.MaxAllele, sel.PopSel, sel.LocSel);
  ReferenceBuild how;
  how.minFreqMiss = opt.MinFreqMiss;
  how.genotypeTable = opt.method() == AssignMethod::GeneticDistance && opt.GDOnGenotypes == 1;
  how.largestGroup = static_cast<int>(members.size());
  ReferenceTables ref;
  buildReferenceTables(view, sel.LocMode, group, how, ref);
  AssignmentResults r;
  scoreGroups(ref, opt, {GroupGenotypes{&group.TestAllele, 1}}, r);
  return r.GrAssignedPop[1];
}

std::string selfAssignRefusal(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt) {
  if (opt.SelfGroupSize > 1) return groupShortfall(ds, opt.SelfGroupSize);
  for (const Vec1<int>& row : selfEligible(ds, sel, opt.MinBipLoci))
    if (std::find(row.begin() + (row.empty() ? 0 : 1), row.end(), 1) != row.end()) return {};
  return "No individual can be self-assigned: none has at least " + std::to_string(opt.MinBipLoci) +
         " complete bi-parental loci and a first allele at every maternal locus!";
}

namespace {

// The outcome of a test that did not run.
constexpr int kNotRun = -1;

// A test: population and, for single individuals, the individual (0 for a drawn group).
struct SelfTest {
  int p = 0, i = 0, t = 0;
};

}  // namespace

SelfAssignCounts selfAssignTests(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt,
                                 std::uint64_t runSeed, const std::function<void(double)>& progress) {
  SelfAssignCounts total(ds.NPop);
  const bool single = opt.SelfGroupSize <= 1;
  std::vector<SelfTest> singles;
  if (single) {
    const auto ok = selfEligible(ds, sel, opt.MinBipLoci);
    for (int p = 1; p <= ds.NPop; ++p)
      for (int i = 1; i <= ds.Allele.nInd(p); ++i)
        if (ok[static_cast<std::size_t>(p)][static_cast<std::size_t>(i)] == 1) singles.push_back({p, i, 0});
  }
  const long long nTests = single ? static_cast<long long>(singles.size())
                                  : static_cast<long long>(opt.SelfNTests) * ds.NPop;
  auto testAt = [&](long long k) {
    if (single) return singles[static_cast<std::size_t>(k)];
    return SelfTest{static_cast<int>(k / opt.SelfNTests) + 1, 0, static_cast<int>(k % opt.SelfNTests) + 1};
  };

  // The reference tables and counts are built once; a test takes its members out of their population's
  // counts in a workspace of its thread. Where the counts cannot serve the method, a test rebuilds the
  // tables from a working copy of the genotypes, one per chunk, with the members taken out in place.
  const int groupSize = single ? 1 : opt.SelfGroupSize;
  const LeaveOutReference base(ds, sel, opt, groupSize);
  // Tests go out in chunks; every test writes its outcome into a slot of its own, counted in test order
  // after the block. The progress shows after each block of chunks.
  constexpr long long kChunk = 32, kBlock = 2048;
  std::vector<int> assigned;
  for (long long first = 0; first < nTests; first += kBlock) {
    const long long last = std::min(nTests, first + kBlock);
    const int chunks = static_cast<int>((last - first + kChunk - 1) / kChunk);
    assigned.assign(static_cast<std::size_t>(last - first), 0);
    parallelFor(chunks, [&](int c) {
      const long long k0 = first + c * kChunk, k1 = std::min(last, k0 + kChunk);
      std::vector<int> members;
      LeaveOutWorkspace ws;
      GenotypeData work;
      if (base.fromCounts()) ws.prepare(base, groupSize);
      else work = ds.Allele;
      for (long long k = k0; k < k1; ++k) {
        const SelfTest t = testAt(k);
        // A test that leaves the population without members has nothing to score against: it does not run.
        if (ds.Allele.nInd(t.p) <= (single ? 1 : opt.SelfGroupSize)) {
          assigned[static_cast<std::size_t>(k - first)] = kNotRun;
          continue;
        }
        if (single) members.assign(1, t.i);
        else members = drawSelfGroup(runSeed, t.p, t.t, ds.Allele.nInd(t.p), opt.SelfGroupSize);
        assigned[static_cast<std::size_t>(k - first)] =
            base.fromCounts() ? base.assign(t.p, members, ws) : Self_Assign_Run(work, ds, sel, opt, t.p, members);
      }
    });
    for (long long k = first; k < last; ++k)
      if (const int q = assigned[static_cast<std::size_t>(k - first)]; q != kNotRun) total.count(testAt(k).p, q);
    if (progress) progress(100.0 * static_cast<double>(last) / static_cast<double>(nTests));
  }
  return total;
}

std::string selfMethodText(const AssignmentOptions& opt) {
  switch (opt.AssMethod) {
    case 2: return "Frequency Approach";
    case 3:
      return opt.GDOnGenotypes == 1 ? "Genetic Distance - based on genotype frequencies"
                                    : "Genetic Distance - based on allele frequencies";
    default: return "Bayesian Approach";
  }
}

}  // namespace kiwora
