#pragma once
// Reference populations and test groups written as literals, built into the reference tables and scored
// as a run does.
#include <vector>

#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "stats_fixture.h"

namespace kiwora::testing {

// Reference populations and test groups as literals, with the modes of inheritance of the loci.
struct AssignCase {
  Fixture refs;
  Fixture groups;
  Vec1<int> mode;
  TestGroups test;
  ReferenceTables ref;
  AssignmentOptions opt;

  AssignCase(int maxAllele, const std::vector<Population>& refPops, const std::vector<Population>& testPops,
       std::vector<int> modes = {})
      : refs(maxAllele, refPops), groups(maxAllele, testPops, refs.data.nLoci()) {
    mode = makeVec1<int>(refs.data.nLoci(), 1);
    for (std::size_t l = 0; l < modes.size(); ++l) mode[l + 1] = modes[l];
    test.NTestGr = groups.data.nPop();
    test.TestAllele = groups.data;
    opt.AssMethod = 1;
    opt.MinFreqMiss = 0.001;
    opt.WeightBip = opt.WeightMat = 0.5;
  }
  void build() {
    ReferenceBuild how;
    how.minFreqMiss = opt.MinFreqMiss;
    how.genotypeTable = opt.AssMethod == 3 && opt.GDOnGenotypes == 1;
    buildReferenceTables(refs.view(), mode, test, how, ref);
  }
  GroupProfile profile(int g) { return profileGroup(ref, GroupGenotypes{&test.TestAllele, g}); }
  AssignmentResults scoreAll() {
    std::vector<GroupGenotypes> gs;
    for (int g = 1; g <= test.NTestGr; ++g) gs.push_back(GroupGenotypes{&test.TestAllele, g});
    AssignmentResults r;
    scoreGroups(ref, opt, gs, r);
    return r;
  }
};

}  // namespace kiwora::testing
