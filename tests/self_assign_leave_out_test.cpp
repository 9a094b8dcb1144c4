// Self-assignment from counts: every score a test takes from the counts is, bit for bit, the score of the
// reference tables rebuilt without its members, across the methods, unselected populations, uni-parental
// loci, codes only the tested members carry, missing data, and genotype and haplotype lists whose keys a
// rebuild moves (their first carrier is a member) or drops (only members carry them).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../bench/generate.h"

#include "assign/self_assign_leave_out.h"
#include "assign/self_assign_plan.h"
#include "stats/population_copy.h"
#include "support/self_assign_plain.h"

namespace kiwora {
namespace {

// Five populations with missing data; population 2's second individual carries a code no one else has
// at locus 1, so leaving it out removes the code (and its genotype) from the reference (or, with
// population 2 unselected, its test brings a code the candidates lack). Population 3's fourth individual
// has a haplotype of its own at locus 5 and population 4's first one at locus 6.
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
  d.ds.Allele.a1(3, 5, 4) = privateCode;
  d.ds.Allele.a1(4, 6, 1) = privateCode;
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

// What a rebuild without the members gives: the scores against every candidate (empty when the group has
// nothing to score), and whether a genotype or haplotype key moved in its list or left it.
struct Rebuilt {
  std::vector<double> scores;
  bool moved = false, gone = false;
};

// Whether `rebuilt` is `full` without some keys (gone) and in another order (moved).
void compareLists(const std::vector<std::string>& full, const std::vector<std::string>& rebuilt, Rebuilt& out) {
  std::vector<std::string> kept;
  for (const std::string& key : full)
    if (std::find(rebuilt.begin(), rebuilt.end(), key) != rebuilt.end()) kept.push_back(key);
  out.gone = out.gone || kept.size() < full.size();
  out.moved = out.moved || kept != rebuilt;
}

Rebuilt rebuild(const gen::Data& d, const AssignmentOptions& o, const ReferenceTables& full, int p,
                const std::vector<int>& members) {
  GenotypeData work = d.ds.Allele;
  TestGroups group;
  fillSelfGroup(work, p, members, group);
  const LeftOut out(work, p, members);
  const GenotypeView view = viewOfCopy(work, d.ds.MaxAllele, d.sel.PopSel, d.sel.LocSel);
  ReferenceBuild how;
  how.minFreqMiss = o.MinFreqMiss;
  how.genotypeTable = o.method() == AssignMethod::GeneticDistance && o.GDOnGenotypes == 1;
  how.largestGroup = static_cast<int>(members.size());
  ReferenceTables ref;
  buildReferenceTables(view, d.sel.LocMode, group, how, ref);
  Rebuilt r;
  compareLists(full.maternal.keys, ref.maternal.keys, r);
  compareLists(full.paternal.keys, ref.paternal.keys, r);
  if (ref.hasGenotypes)
    for (int l : ref.bipLoci) compareLists(full.genotypes.GenoKey[l], ref.genotypes.GenoKey[l], r);
  const GroupProfile profile = profileGroup(ref, GroupGenotypes{&group.TestAllele, 1});
  if (!groupHasData(ref, o, profile)) return r;
  for (int q : ref.candidates) r.scores.push_back(groupScore(ref, o, profile, q));
  return r;
}

struct CountsCase {
  const char* name;
  int method;
  bool onGenotypes;
  int groupSize;
  std::vector<int> modes;
  bool unselectSecond;
  bool lists;  // the scores run over a genotype or haplotype list in its order
};

TEST(SelfAssignFromCounts, ScoresEqualThoseOfTablesRebuiltWithoutTheMembers) {
  const std::vector<int> bip, uni{1, 1, 1, 1, 2, 3};
  const CountsCase cases[] = {
      {"Bayesian", 1, false, 1, bip, false, false},
      {"Bayesian, population 2 unselected", 1, false, 1, bip, true, false},
      {"Bayesian, maternal and paternal loci", 1, false, 1, uni, false, false},
      {"Bayesian, groups of 3", 1, false, 3, bip, false, false},
      {"Bayesian, groups of 3, maternal and paternal loci", 1, false, 3, uni, false, true},
      {"frequency", 2, false, 1, bip, true, false},
      {"frequency, maternal and paternal loci", 2, false, 1, uni, false, false},
      {"frequency, groups of 3", 2, false, 3, bip, false, false},
      {"frequency, groups of 3, maternal and paternal loci", 2, false, 3, uni, false, true},
      {"distance on alleles", 3, false, 1, bip, true, false},
      {"distance on alleles, groups of 3", 3, false, 3, bip, false, false},
      {"distance on alleles, maternal loci", 3, false, 1, uni, false, true},
      {"distance on alleles, groups of 3, maternal loci", 3, false, 3, uni, false, true},
      {"distance on genotypes", 3, true, 1, bip, false, true},
      {"distance on genotypes, population 2 unselected", 3, true, 1, bip, true, true},
      {"distance on genotypes, groups of 3, maternal loci", 3, true, 3, uni, false, true},
  };
  for (const CountsCase& c : cases) {
    const gen::Data d = data(c.modes, c.unselectSecond);
    const AssignmentOptions o = options(c.method, c.onGenotypes, c.groupSize);
    const LeaveOutReference base(d.ds, d.sel, o, c.groupSize);
    LeaveOutWorkspace ws;
    ws.prepare(base, c.groupSize);
    int scored = 0;
    bool moved = false, gone = false;
    for (int p = 1; p <= d.ds.NPop; ++p) {
      const int tests = c.groupSize == 1 ? d.ds.Allele.nInd(p) : 8;
      for (int t = 1; t <= tests; ++t) {
        const std::vector<int> members =
            c.groupSize == 1 ? std::vector<int>{t} : drawSelfGroup(3, p, t, d.ds.Allele.nInd(p), c.groupSize);
        const Rebuilt rebuilt = rebuild(d, o, base.tables(), p, members);
        moved = moved || rebuilt.moved;
        gone = gone || rebuilt.gone;
        const int assigned = base.assign(p, members, ws);
        if (rebuilt.scores.empty()) {
          EXPECT_EQ(assigned, 0) << c.name << ", population " << p << ", test " << t;
          continue;
        }
        ++scored;
        EXPECT_EQ(ws.scores, rebuilt.scores) << c.name << ", population " << p << ", test " << t;
      }
    }
    EXPECT_GT(scored, 10) << c.name;
    // The fixture reaches what these cases are about: keys that a rebuild reorders and drops.
    if (c.lists) {
      EXPECT_TRUE(moved) << c.name;
      EXPECT_TRUE(gone) << c.name;
    }
  }
}

}  // namespace
}  // namespace kiwora
