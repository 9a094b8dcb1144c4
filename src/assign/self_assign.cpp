#include "assign/self_assign.h"

#include <algorithm>

#include "assign/self_assign_leave_out.h"
#include "assign/self_assign_plan.h"
#include "base/block_loop.h"
#include "base/number_format.h"

namespace kiwora {

Refusal selfAssignRefusal(const DataSet& ds, const Selection& sel, const AssignmentOptions& opt) {
  if (opt.SelfGroupSize > 1) return groupShortfall(ds, opt.SelfGroupSize);
  for (const Vec1<int>& row : selfEligible(ds, sel, opt.MinBipLoci))
    if (std::find(row.begin() + (row.empty() ? 0 : 1), row.end(), 1) != row.end()) return {};
  return Refusal("No individual can be self-assigned: none has at least " + std::to_string(opt.MinBipLoci) +
                 " complete bi-parental loci and a first allele at every maternal locus!");
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
                                 std::uint64_t runSeed, const RunContext& context) {
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
  if (nTests <= 0) return total;
  auto testAt = [&](long long k) {
    if (single) return singles[static_cast<std::size_t>(k)];
    return SelfTest{static_cast<int>(k / opt.SelfNTests) + 1, 0, static_cast<int>(k % opt.SelfNTests) + 1};
  };

  // The reference tables and counts are built once; a test takes its members out of their population's
  // counts in the workspace of the thread that runs it.
  const int groupSize = single ? 1 : opt.SelfGroupSize;
  const LeaveOutReference base(ds, sel, opt, groupSize);
  // Each thread sizes its own workspace, so that what it writes for every test lies in memory of its own
  // rather than next to another thread's.
  std::vector<LeaveOutWorkspace> spaces(static_cast<std::size_t>(loopThreads()));

  // Every test writes its outcome into a slot of its own, counted in test order after its block; the
  // progress shows after each block.
  constexpr long long kChunk = 32, kBlock = 2048;
  std::vector<int> assigned(static_cast<std::size_t>(nTests), 0);
  forEachBlock(
      0, nTests - 1, kBlock, kChunk, kNoBlockStep,
      [&](int, long long k0, long long k1, int slot) {
        LeaveOutWorkspace& ws = spaces[static_cast<std::size_t>(slot)];
        if (!ws.prepared) ws.prepare(base, groupSize);
        for (long long k = k0; k <= k1; ++k) {
          const SelfTest t = testAt(k);
          int& outcome = assigned[static_cast<std::size_t>(k)];
          // A test that leaves the population without members has nothing to score against: it does not run.
          if (ds.Allele.nInd(t.p) <= groupSize) {
            outcome = kNotRun;
            continue;
          }
          if (single) ws.members.assign(1, t.i);
          else ws.members = drawSelfGroup(runSeed, t.p, t.t, ds.Allele.nInd(t.p), groupSize);
          outcome = base.assign(t.p, ws.members, ws);
        }
      },
      [&](long long first, long long last) {
        for (long long k = first; k <= last; ++k)
          if (const int q = assigned[static_cast<std::size_t>(k)]; q != kNotRun) total.count(testAt(k).p, q);
        const double percent = 100.0 * static_cast<double>(last + 1) / static_cast<double>(nTests);
        context.progress(masked(percent, "0", context.decimalSign) + " %");
      });
  return total;
}

std::string selfMethodText(const AssignmentOptions& opt) {
  switch (opt.method()) {
    case AssignMethod::Frequency: return "Frequency Approach";
    case AssignMethod::GeneticDistance:
      return opt.GDOnGenotypes == 1 ? "Genetic Distance - based on genotype frequencies"
                                    : "Genetic Distance - based on allele frequencies";
    default: return "Bayesian Approach";
  }
}

}  // namespace kiwora
