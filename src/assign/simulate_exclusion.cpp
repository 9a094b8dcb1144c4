#include "assign/simulate_exclusion.h"

#include <algorithm>

#include "assign/exclusion.h"
#include "assign/scorers.h"
#include "base/random.h"
#include "base/worker_pool.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Simulations per progress step: about a hundred steps per run, but enough simulated groups in each
// (perCall per simulation) that spreading a step over the threads pays, and not so many that the outcomes
// of one step take much memory.
int blockSize(int n, int perCall) {
  constexpr int kMinGroupsPerStep = 2048, kMaxGroupsPerStep = 1 << 22;
  perCall = std::max(1, perCall);
  const int step = std::max({1, (n + 99) / 100, kMinGroupsPerStep / perCall});
  return std::min(step, std::max(1, kMaxGroupsPerStep / perCall));
}

// The last simulation of the step that starts at `first`, counted without overflow near the largest int.
int lastOfStep(int first, int step, int n) {
  return static_cast<int>(std::min<long long>(n, static_cast<long long>(first) + step - 1));
}

std::vector<int> groupsWithData(const AssignmentResults& res) {
  std::vector<int> groups;
  for (int g = 1; g <= res.nGroups; ++g)
    if (res.GrTyped[at(g)] == 1) groups.push_back(g);
  return groups;
}

std::vector<int> simulatedPopulations(const ExclusionSetup& s) {
  std::vector<int> pops;
  for (int p : s.ref->candidates)
    if (givesSimulatedGroups(s, p)) pops.push_back(p);
  return pops;
}

GroupGenotypes slotOf(const GenotypeData& data, int slot) {
  GroupGenotypes gg;
  gg.data = &data;
  gg.slot = slot;
  return gg;
}

}  // namespace

SimulationSource simulationSource(const ReferenceTables& ref, const GenotypeData& refGenotypes,
                                  const GenotypeData& testGroups, const Vec1<int>& locSel, const Vec1<int>& locMode) {
  SimulationSource s;
  s.nLoci = ref.nLoci;
  s.ref = &refGenotypes;
  s.test = &testGroups;
  s.locSel = &locSel;
  s.locMode = &locMode;
  s.alleleFreq = &ref.alleles.AlleleFreq;
  s.geneCount = &ref.alleles.GeneCount;
  s.fis = &ref.variation.Fis;
  return s;
}

bool givesSimulatedGroups(const ExclusionSetup& s, int p) {
  return s.ref->isCandidate[at(p)] == 1 && s.sim->source().ref->nInd(p) > 0;
}

Table2<Cell> simulateExclusionLod1(const ExclusionSetup& s, AssignmentResults& res) {
  const int n = s.opt->NSimGroups, nPop = res.nPop;
  const GenotypeData& test = *s.sim->source().test;
  res.ExclCount.resize(res.nGroups, nPop, 0.0);
  Table2<Cell> excl(res.nGroups, nPop);
  const std::vector<int> groups = groupsWithData(res), pops = simulatedPopulations(s);
  if (n < 1 || groups.empty() || pops.empty()) return excl;

  // The groups' own scores, from the same scorer as the simulated ones, so a simulated group equal to the
  // real one ties exactly.
  Table2<double> observed(res.nGroups, nPop);
  for (int g : groups) {
    const GroupProfile profile = profileGroup(*s.ref, slotOf(test, g));
    for (int p : pops) observed(g, p) = groupScore(*s.ref, *s.opt, profile, p);
  }

  // One item is one simulation of one group against every population; its outcomes go into a row of
  // its own and are added up in index order after the block.
  const int nG = static_cast<int>(groups.size()), nP = static_cast<int>(pops.size());
  const int step = blockSize(n, nG * nP);
  std::vector<unsigned char> worse;
  for (int first = 1, last = 0; last < n; first = last + 1) {
    last = lastOfStep(first, step, n);
    const int items = (last - first + 1) * nG;
    worse.assign(at(items) * at(nP), 0);
    parallelFor(items, [&](int item) {
      const int k = first + item / nG, g = groups[at(item % nG)];
      GenotypeData buffer = groupBuffer(test, g);
      for (int j = 0; j < nP; ++j) {
        const int p = pops[at(j)];
        Random rng = Random::stream(s.seed, simulationStreamIndex(k, g, p, res.nGroups, nPop));
        simulateGroup(*s.sim, g, p, rng, buffer);
        const double score = groupScore(*s.ref, *s.opt, profileGroup(*s.ref, slotOf(buffer, 1)), p);
        // A simulated group scoring as the real one is not counted, whatever order its terms were summed in.
        worse[at(item) * at(nP) + at(j)] = clearlyAbove(score, observed(g, p));
      }
    });
    for (int item = 0; item < items; ++item)
      for (int j = 0; j < nP; ++j) res.ExclCount(groups[at(item % nG)], pops[at(j)]) += worse[at(item) * at(nP) + at(j)];
    if (s.progress) s.progress(last, n);
  }

  for (int g : groups)
    for (int p : pops) {
      res.ExclCount(g, p) /= n;
      excl(g, p) = 1 - res.ExclCount(g, p);
    }
  return excl;
}

void simulateExclusionDelta(const ExclusionSetup& s, AssignmentResults& res) {
  const int n = std::max(0, s.opt->NSimGroups);
  const GenotypeData& test = *s.sim->source().test;
  res.SimDelta = makeVec1<double>(n);
  res.DeltaProb = makeVec1<Cell>(res.nGroups);
  const std::vector<int> groups = groupsWithData(res), pops = simulatedPopulations(s);
  if (n < 1 || groups.empty() || pops.empty() || s.ref->candidates.size() < 3) return;

  const int step = blockSize(n, 1);
  for (int first = 1, last = 0; last < n; first = last + 1) {
    last = lastOfStep(first, step, n);
    parallelFor(last - first + 1, [&](int item) {
      const int k = first + item;
      Random rng = Random::stream(s.seed, simulationStreamIndex(k, 0, 0, res.nGroups, res.nPop));
      const int g = groups[at(randomIndex(rng, static_cast<int>(groups.size())) - 1)];
      const int p = pops[at(randomIndex(rng, static_cast<int>(pops.size())) - 1)];
      GenotypeData buffer = groupBuffer(test, g);
      simulateGroup(*s.sim, g, p, rng, buffer);
      const GroupProfile profile = profileGroup(*s.ref, slotOf(buffer, 1));
      std::vector<double> score;
      score.reserve(s.ref->candidates.size());
      for (int q : s.ref->candidates) score.push_back(groupScore(*s.ref, *s.opt, profile, q));
      const double best = *std::min_element(score.begin(), score.end());
      for (double& x : score) x -= best;
      res.SimDelta[at(k)] = deltaOfRelativeScores(score, best);
    });
    if (s.progress) s.progress(last, n);
  }

  Vec1<Cell> groupDelta = makeVec1<Cell>(res.nGroups);
  for (int g : groups) groupDelta[at(g)] = res.GrDelta[at(g)];
  Excl_Prob_Delta(res.SimDelta, groupDelta, res.DeltaProb);
}

}  // namespace kiwora
