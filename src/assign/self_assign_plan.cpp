#include "assign/self_assign_plan.h"

#include "base/random_draw.h"

namespace kiwora {

std::vector<Vec1<int>> selfEligible(const DataSet& ds, const Selection& sel, int minBipLoci) {
  std::vector<int> bip, mat;
  for (int l = 1; l <= ds.NLoci; ++l) {
    const auto li = static_cast<std::size_t>(l);
    if (sel.LocSel[li] != 1) continue;
    if (sel.inheritance(l) == Inheritance::BiParental) bip.push_back(l);
    if (sel.inheritance(l) == Inheritance::Maternal) mat.push_back(l);
  }
  std::vector<Vec1<int>> ok(static_cast<std::size_t>(ds.NPop) + 1);
  for (int p = 1; p <= ds.NPop; ++p) {
    const int n = ds.Allele.nInd(p);
    Vec1<int>& row = ok[static_cast<std::size_t>(p)];
    row = makeVec1<int>(n);
    for (int i = 1; i <= n; ++i) {
      int complete = bip.empty() ? ds.NLoci : 0;
      for (int l : bip) complete += ds.Allele.a1(p, l, i) != kMissing && ds.Allele.a2(p, l, i) != kMissing;
      bool maternal = true;
      for (int l : mat) maternal = maternal && ds.Allele.a1(p, l, i) != kMissing;
      row[static_cast<std::size_t>(i)] = complete >= minBipLoci && maternal;
    }
  }
  return ok;
}

Refusal groupShortfall(const DataSet& ds, int groupSize) {
  for (int p = 1; p <= ds.NPop; ++p)
    if (groupSize > ds.Allele.nInd(p))
      return Refusal("Not enough individuals in population - " + ds.PopName[static_cast<std::size_t>(p)] +
                     " - for group selection!");
  return {};
}

std::vector<int> drawSelfGroup(std::uint64_t runSeed, int p, int t, int nInd, int groupSize) {
  Random rng = Random::stream(runSeed, p, t);
  return drawDistinct(rng, nInd, groupSize);
}

}  // namespace kiwora
