#include "support/self_assign_plain.h"

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "stats/genotype_view.h"
#include "stats/population_copy.h"

namespace kiwora {

LeftOut::LeftOut(GenotypeData& genotypes, int p, const std::vector<int>& members)
    : g_(genotypes), p_(p), members_(members) {
  saved_.reserve(members.size() * static_cast<std::size_t>(g_.nLoci()) * 2);
  for (int i : members)
    for (int l = 1; l <= g_.nLoci(); ++l) {
      saved_.push_back(g_.a1(p, l, i));
      saved_.push_back(g_.a2(p, l, i));
      g_.a1(p, l, i) = kMissing;
      g_.a2(p, l, i) = kMissing;
    }
}

LeftOut::~LeftOut() {
  std::size_t k = 0;
  for (int i : members_)
    for (int l = 1; l <= g_.nLoci(); ++l) {
      g_.a1(p_, l, i) = saved_[k++];
      g_.a2(p_, l, i) = saved_[k++];
    }
}

void fillSelfGroup(const GenotypeData& reference, int p, const std::vector<int>& members, TestGroups& out) {
  const int nLoci = reference.nLoci(), n = static_cast<int>(members.size());
  out.NTestGr = 1;
  out.TestGrName = {"", ""};
  out.NTestInd = {0, n};
  out.NTestLoci = {0, 0};
  out.TestAllele.resize(1, nLoci, out.NTestInd);
  out.TestMissProp.resize(1, nLoci);
  for (int l = 1; l <= nLoci; ++l) {
    bool hasData = false;
    int withMissing = 0;
    for (int k = 1; k <= n; ++k) {
      const int a1 = reference.a1(p, l, members[static_cast<std::size_t>(k - 1)]);
      const int a2 = reference.a2(p, l, members[static_cast<std::size_t>(k - 1)]);
      out.TestAllele.a1(1, l, k) = a1;
      out.TestAllele.a2(1, l, k) = a2;
      hasData = hasData || a1 != kMissing || a2 != kMissing;
      withMissing += a1 == kMissing || a2 == kMissing;
    }
    out.NTestLoci[1] += hasData;
    out.TestMissProp(1, l) = n > 0 ? static_cast<double>(withMissing) / n : 0.0;
  }
}

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

}  // namespace kiwora
