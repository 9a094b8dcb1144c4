// Self-assignment from counts: every score a test takes from the counts is, bit for bit, the score of the
// reference tables rebuilt without its members, across the methods, unselected populations, uni-parental
// loci, codes only the tested members carry, and missing data; the cases the counts cannot serve say so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../bench/generate.h"

#include "assign/self_assign_group.h"
#include "assign/self_assign_leave_out.h"
#include "assign/self_assign_plan.h"
#include "stats/population_copy.h"

namespace kiwora {
namespace {

// Five populations with missing data; population 2's second individual carries a code no one else has
// at locus 1, so leaving it out removes the code from the reference (or, with population 2 unselected,
// its test brings a code the candidates lack).
gen::Data data(const std::vector<int>& modes, bool unselectSecond) {
  gen::Params prm;
  prm.nPop = 5;
  prm.nInd = 12;
  prm.nLoci = 6;
  prm.nAlleles = 4;
  prm.missing = 0.15;
  prm.seed = 21;
  gen::Data d = gen::generate(prm);
  const int privateCode = d.ds.MaxAllele + 1;
  d.ds.MaxAllele = privateCode;
  d.ds.Allele.a1(2, 1, 2) = privateCode;
  d.ds.Allele.a2(2, 1, 2) = 1;
  for (std::size_t l = 0; l < modes.size(); ++l) d.sel.LocMode[l + 1] = modes[l];
  if (unselectSecond) d.sel.PopSel[2] = 0;
  return d;
}

AssignmentOptions options(int method, bool onGenotypes, int groupSize) {
  AssignmentOptions o;
  o.AssMethod = method;
  o.GDOnAlleles = method == 3 && !onGenotypes;
  o.GDOnGenotypes = method == 3 && onGenotypes;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  o.SelfGroupSize = groupSize;
  o.SelfNTests = 5;
  o.MinBipLoci = 0;
  return o;
}

// The scores against every candidate after rebuilding the tables with the members taken out; empty when
// the group has nothing to score.
std::vector<double> rebuiltScores(const gen::Data& d, const AssignmentOptions& o, int p, const std::vector<int>& members) {
  GenotypeData work = d.ds.Allele;
  TestGroups group;
  fillSelfGroup(work, p, members, group);
  const LeftOut out(work, p, members);
  const GenotypeView view = viewOfCopy(work, d.ds.MaxAllele, d.sel.PopSel, d.sel.LocSel);
  ReferenceBuild how;
  how.minFreqMiss = o.MinFreqMiss;
  how.genotypeTable = o.AssMethod == 3 && o.GDOnGenotypes == 1;
  how.largestGroup = static_cast<int>(members.size());
  ReferenceTables ref;
  buildReferenceTables(view, d.sel.LocMode, group, how, ref);
  const GroupProfile profile = profileGroup(ref, GroupGenotypes{&group.TestAllele, 1});
  std::vector<double> scores;
  if (!groupHasData(ref, o, profile)) return scores;
  for (int q : ref.candidates) scores.push_back(groupScore(ref, o, profile, q));
  return scores;
}

struct CountsCase {
  const char* name;
  int method;
  bool onGenotypes;
  int groupSize;
  std::vector<int> modes;
  bool unselectSecond;
  bool fromCounts;
};

TEST(SelfAssignFromCounts, ScoresEqualThoseOfTablesRebuiltWithoutTheMembers) {
  const std::vector<int> bip, uni{1, 1, 1, 1, 2, 3};
  const CountsCase cases[] = {
      {"Bayesian", 1, false, 1, bip, false, true},
      {"Bayesian, population 2 unselected", 1, false, 1, bip, true, true},
      {"Bayesian, maternal and paternal loci", 1, false, 1, uni, false, true},
      {"Bayesian, groups of 3", 1, false, 3, bip, false, true},
      {"frequency", 2, false, 1, bip, true, true},
      {"frequency, maternal and paternal loci", 2, false, 1, uni, false, true},
      {"frequency, groups of 3", 2, false, 3, bip, false, true},
      {"distance on alleles", 3, false, 1, bip, true, true},
      {"distance on alleles, groups of 3", 3, false, 3, bip, false, true},
      {"distance on alleles, maternal loci", 3, false, 1, uni, false, false},
      {"distance on genotypes", 3, true, 1, bip, false, false},
      {"Bayesian, groups of 3, maternal and paternal loci", 1, false, 3, uni, false, false},
  };
  for (const CountsCase& c : cases) {
    const gen::Data d = data(c.modes, c.unselectSecond);
    const AssignmentOptions o = options(c.method, c.onGenotypes, c.groupSize);
    const LeaveOutReference base(d.ds, d.sel, o, c.groupSize);
    ASSERT_EQ(base.fromCounts(), c.fromCounts) << c.name;
    if (!base.fromCounts()) continue;
    LeaveOutWorkspace ws;
    ws.prepare(base, c.groupSize);
    int scored = 0;
    for (int p = 1; p <= d.ds.NPop; ++p) {
      const int tests = c.groupSize == 1 ? d.ds.Allele.nInd(p) : 5;
      for (int t = 1; t <= tests; ++t) {
        const std::vector<int> members =
            c.groupSize == 1 ? std::vector<int>{t} : drawSelfGroup(3, p, t, d.ds.Allele.nInd(p), c.groupSize);
        const std::vector<double> rebuilt = rebuiltScores(d, o, p, members);
        const int assigned = base.assign(p, members, ws);
        if (rebuilt.empty()) {
          EXPECT_EQ(assigned, 0) << c.name << ", population " << p << ", test " << t;
          continue;
        }
        ++scored;
        EXPECT_EQ(ws.scores, rebuilt) << c.name << ", population " << p << ", test " << t;
      }
    }
    EXPECT_GT(scored, 10) << c.name;
  }
}

}  // namespace
}  // namespace kiwora
