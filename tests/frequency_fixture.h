#pragma once
// Hand-filled allele frequencies and selections for the population statistics tests.
#include <cmath>
#include <initializer_list>
#include <utility>

#include "model/allele_freq_table.h"
#include "base/cell.h"
#include "base/table.h"
#include "stats/genotype_view.h"

namespace kiwora::testing {

struct FreqFixture {
  Vec1<int> popSel, locSel;
  GenotypeView v;
  AlleleFreqTable freq;      // (pop, locus, allele 0..maxAllele+1)
  Table2<int> geneCount;    // (pop, locus)

  FreqFixture(int nPop, int nLoci, int maxAllele)
      : popSel(makeVec1<int>(nPop, 1)), locSel(makeVec1<int>(nLoci, 1)),
        freq(nPop, nLoci, maxAllele + 1), geneCount(nPop, nLoci) {
    popSel[0] = locSel[0] = 0;
    v.nPop = nPop;
    v.nLoci = nLoci;
    v.maxAllele = maxAllele;
    v.popSel = &popSel;
    v.locSel = &locSel;
  }
  // Sets the frequencies of population p at locus l ({code, frequency} pairs) and marks it typed.
  void set(int p, int l, std::initializer_list<std::pair<int, double>> f, int genes = 20) {
    for (int a = 0; a <= v.maxAllele + 1; ++a) freq.write(p, l)[a] = 0;
    for (auto [a, x] : f) freq.write(p, l)[a] = x;
    geneCount(p, l) = genes;
  }
  // Expected heterozygosity 1 - sum of squares over the codes 0..maxAllele; undefined without gene copies.
  Table2<Cell> he() const {
    Table2<Cell> h(v.nPop, v.nLoci);
    for (int p = 1; p <= v.nPop; ++p)
      for (int l = 1; l <= v.nLoci; ++l) {
        if (geneCount(p, l) == 0) continue;
        double s = 0;
        for (int a = 0; a <= v.maxAllele; ++a) s += freq(p, l, a) * freq(p, l, a);
        h(p, l) = 1 - s;
      }
    return h;
  }
};

}  // namespace kiwora::testing
