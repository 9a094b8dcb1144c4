#pragma once
// The exclusion probabilities of a run: simulated groups drawn with the chosen generator and scored with
// the scorer of the chosen method, by LOD1 (every group against every population it might come from) or
// by delta (groups of random (group, population) pairs). Every simulated group has a random stream of its
// own derived from the run's seed and its (simulation, group, population), and a buffer of its own, so the
// results do not depend on the number of threads; the reference tables and the test groups are only read.
#include <cstdint>
#include <functional>

#include "assign/reference_tables.h"
#include "assign/simulate_groups.h"
#include "model/assignment_options.h"
#include "assign/assignment_results.h"

namespace kiwora {

// Told after each block of simulations how many of the n are done (the window shows the percentage and
// lets pending events through).
using SimulationProgress = std::function<void(int done, int n)>;

struct ExclusionSetup {
  const ReferenceTables* ref = nullptr;
  const AssignmentOptions* opt = nullptr;  // AssMethod, NSimGroups and the weights of the distance
  const SimulationReference* sim = nullptr;  // the generator, the reference genotypes and the test groups
  std::uint64_t seed = 0;
  SimulationProgress progress;
};

// What the generators read in a run: the reference genotypes and the tables built from them, the test groups
// as read, the locus selection and the modes of inheritance.
SimulationSource simulationSource(const ReferenceTables& ref, const GenotypeData& refGenotypes,
                                  const GenotypeData& testGroups, const Vec1<int>& locSel, const Vec1<int>& locMode);

// Population p gives simulated groups: a candidate with members.
bool givesSimulatedGroups(const ExclusionSetup& s, int p);

// LOD1. For each simulation k = 1..NSimGroups, each group with data and each population that gives
// simulated groups: a simulated group of the group's size and missing data from that population, scored
// there; ExclCount(g, p) counts those that score no better than group g itself (a tie counts), then holds
// their share. Returns E(g, p) = 1 - that share, the share that score strictly better, undefined in every
// other cell.
Table2<Cell> simulateExclusionLod1(const ExclusionSetup& s, AssignmentResults& res);

// Delta (Bayesian or frequency method, three or more candidates). NSimGroups simulated groups, each of a
// random group with data drawn from a random population that gives simulated groups, scored against every
// candidate; SimDelta(k) is the delta of simulation k; then DeltaProb of every group with data.
void simulateExclusionDelta(const ExclusionSetup& s, AssignmentResults& res);

}  // namespace kiwora
