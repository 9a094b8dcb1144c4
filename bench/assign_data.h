#pragma once
// The data of the assignment benchmarks: 30 reference populations of 50 individuals and 50 test groups
// of 10 individuals at 15 loci, and the options of each scoring method.
#include "assign/reference_tables.h"
#include "generate.h"
#include "model/assignment_options.h"

namespace kiwora {

struct AssignData {
  gen::Data refs, groups;
  TestGroups test;
  AssignData() {
    gen::Params p;
    p.nPop = 30;
    p.nInd = 50;
    p.nLoci = 15;
    p.seed = 7;
    refs = gen::generate(p);
    p.nPop = 50;
    p.nInd = 10;
    p.seed = 8;
    groups = gen::generate(p);
    test.NTestGr = groups.ds.NPop;
    test.TestAllele = groups.ds.Allele;
  }
};

inline AssignmentOptions optionsFor(int method) {
  AssignmentOptions o;
  o.AssMethod = method >= 3 ? 3 : method;
  o.GDOnAlleles = method == 3;
  o.GDOnGenotypes = method == 4;
  o.MinFreqMiss = 0.001;
  o.WeightBip = o.WeightMat = 0.5;
  return o;
}

inline ReferenceBuild buildFor(const AssignmentOptions& o) {
  ReferenceBuild how;
  how.minFreqMiss = o.MinFreqMiss;
  how.genotypeTable = o.GDOnGenotypes == 1;
  return how;
}

}  // namespace kiwora
