#pragma once
// What the scoring of the test groups leaves for the report and for the simulations that follow it.
#include "base/cell.h"
#include "base/table.h"

namespace kiwora {

struct AssignmentResults {
  int nGroups = 0;
  int nPop = 0;
  // (group, population). Bayesian and frequency method: the score (-log10 likelihood) relative to the
  // group's best; genetic distance: the distance itself. Undefined for a population that is not a
  // candidate (not selected) and in every cell of a group that has no typed locus.
  Table2<Cell> GrScore;
  Table2<Cell> GrProb;        // assignment probability, or the similarity 1 - distance
  Vec1<double> GrBestScore;   // the group's smallest score (0 under the genetic distance)
  Vec1<int> GrAssignedPop;    // index of the population the group is assigned to; 0 = none
  Vec1<double> GrDelta;       // second-best relative score over the mean of the others; 0 when undefined
  Vec1<int> GrTyped;          // 1 when the group has data at some scored locus or haplotype

  // Filled by the simulations of a run.
  Table2<double> ExclCount;   // (group, population)
  Vec1<double> SimDelta;      // (simulation)
  Vec1<Cell> DeltaProb;       // (group)

  // The real group's own score in population p, as the scorer computed it (undefined where GrScore is).
  Cell observedScore(int g, int p) const {
    const Cell& r = GrScore(g, p);
    if (!r) return r;
    return *r + GrBestScore[static_cast<std::size_t>(g)];
  }
  // Sizes every per-group table for nGroups x nPop, all cells empty.
  void resize(int groups, int pops);
};

inline void AssignmentResults::resize(int groups, int pops) {
  nGroups = groups;
  nPop = pops;
  GrScore.resize(groups, pops);
  GrProb.resize(groups, pops);
  GrBestScore = makeVec1<double>(groups);
  GrAssignedPop = makeVec1<int>(groups);
  GrDelta = makeVec1<double>(groups);
  GrTyped = makeVec1<int>(groups);
}

}  // namespace kiwora
