#pragma once
// Which reference individuals a self-assignment tests, and how its random groups are drawn.
#include <cstdint>
#include <string>
#include <vector>

#include "base/refusal.h"
#include "base/table.h"
#include "model/dataset.h"

namespace kiwora {

// Group size 1: per population the individuals that can be tested (SelfIndOk). An individual needs at
// least `minBipLoci` selected bi-parental loci with both alleles (every one of NLoci counts when no
// bi-parental locus is selected) and the first allele at every selected maternal locus.
std::vector<Vec1<int>> selfEligible(const DataSet& ds, const Selection& sel, int minBipLoci);

// Groups: the refusal naming the first population with fewer individuals than `groupSize`, or none
// when every population can give such groups.
Refusal groupShortfall(const DataSet& ds, int groupSize);

// The members (individuals of population p, in the order drawn) of test t of population p. Every test
// has a random stream of its own from the run seed, so a test's group does not depend on which thread
// runs it or in which order. `groupSize` must not exceed `nInd`.
std::vector<int> drawSelfGroup(std::uint64_t runSeed, int p, int t, int nInd, int groupSize);

}  // namespace kiwora
