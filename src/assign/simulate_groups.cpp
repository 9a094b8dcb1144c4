#include "assign/simulate_groups.h"

#include <algorithm>
#include <cmath>

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Half-width factor of the 99% interval of a frequency.
constexpr double kZ99 = 2.576;

bool selected(const SimulationSource& s, int l) { return (*s.locSel)[at(l)] == 1; }
int modeOf(const SimulationSource& s, int l) { return (*s.locMode)[at(l)]; }

// The test member's missing copies, each on its own.
void copyMissing(const SimulationSource& s, int g, int l, int i, GenotypeData& sim) {
  if (s.test->a1(g, l, i) == kMissing) sim.a1(1, l, i) = kMissing;
  if (s.test->a2(g, l, i) == kMissing) sim.a2(1, l, i) = kMissing;
}

bool testMissingAt(const SimulationSource& s, int g, int l, int i) {
  return s.test->a1(g, l, i) == kMissing || s.test->a2(g, l, i) == kMissing;
}

void fillMissing(const SimulationSource& s, int g, GenotypeData& sim) {
  for (int i = 1; i <= s.test->nInd(g); ++i)
    for (int l = 1; l <= s.nLoci; ++l) sim.a1(1, l, i) = sim.a2(1, l, i) = kMissing;
}

// One copy from a member whose copy is typed there; missing when no member has one.
int typedCopy(const SimulationReference& r, int copy, int p, int l, Random& rng) {
  const std::vector<int>& members = r.typedMembers(copy, p, l);
  if (members.empty()) return kMissing;
  const int k = members[at(randomIndex(rng, static_cast<int>(members.size())) - 1)];
  return copy == 1 ? r.source().ref->a1(p, l, k) : r.source().ref->a2(p, l, k);
}

}  // namespace

SimulationReference::SimulationReference(const SimulationSource& src, SimGenerator method)
    : src_(src), method_(method) {
  const int nPop = src.ref->nPop();
  const std::size_t cells = at(nPop + 1) * at(src.nLoci + 1);
  if (method == SimGenerator::FreqCI) {
    present_.resize(cells);
    presentFreq_.resize(cells);
    const AlleleFreqTable& f = *src.alleleFreq;
    for (int p = 1; p <= nPop && p <= f.n1(); ++p)
      for (int l = 1; l <= src.nLoci && l <= f.n2(); ++l)
        for (int a = 0; a <= f.n3(); ++a)
          if (f(p, l, a) > 0) {
            present_[cell(p, l)].push_back(a);
            presentFreq_[cell(p, l)].push_back(f(p, l, a));
          }
  }
  if (method == SimGenerator::Alleles || method == SimGenerator::AllelesHap) {
    typed1_.resize(cells);
    typed2_.resize(cells);
    for (int p = 1; p <= nPop; ++p)
      for (int l = 1; l <= src.nLoci; ++l)
        for (int k = 1; k <= src.ref->nInd(p); ++k) {
          if (src.ref->a1(p, l, k) != kMissing) typed1_[cell(p, l)].push_back(k);
          if (src.ref->a2(p, l, k) != kMissing) typed2_[cell(p, l)].push_back(k);
        }
  }
}

GenotypeData groupBuffer(const GenotypeData& test, int g) {
  GenotypeData sim;
  sim.resize(1, test.nLoci(), makeVec1<int>(1, test.nInd(g)));
  return sim;
}

void Sim_Geno_Freq_CI(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  SimScratch scratch;
  Sim_Geno_Freq_CI(r, g, p, rng, sim, scratch);
}

void Sim_Geno_Freq_CI(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim, SimScratch& scratch) {
  const SimulationSource& s = r.source();
  // Corrected frequencies of each locus: the first present code moved by a random part of its 99%
  // interval, the second present code the opposite way, both at least 0, as running shares of their total.
  scratch.codes.assign(at(s.nLoci + 1), nullptr);
  if (scratch.cumulative.size() < at(s.nLoci + 1)) scratch.cumulative.resize(at(s.nLoci + 1));
  for (int l = 1; l <= s.nLoci; ++l) {
    if (!selected(s, l) || r.presentCodes(p, l).empty()) continue;
    const std::vector<int>& codes = r.presentCodes(p, l);
    const std::vector<double>& f = r.presentFreqs(p, l);
    std::vector<double>& cumulative = scratch.cumulative[at(l)];
    const double f1 = f[0];
    const int n = (*s.geneCount)(p, l);
    const double u1 = rng.uniform(), u2 = rng.uniform();
    double d = n > 0 ? kZ99 * std::sqrt(std::max(0.0, f1 * (1 - f1)) / n) * u2 : 0;
    if (u1 > 0.5) d = -d;
    // The opposite move goes to the next present code, so frequency never reaches a code the population
    // lacks.
    double total = 0;
    cumulative.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const double fi = i == 0 ? f1 - d : (i == 1 ? f[i] + d : f[i]);
      total += (cumulative[i] = std::max(0.0, fi));
    }
    if (!(total > 0)) continue;
    double run = 0;
    for (double& x : cumulative) x = (run += x / total);
    scratch.codes[at(l)] = &codes;
  }

  // What each locus draws from, and where its copies go, looked up once per group.
  scratch.plan.resize(at(s.nLoci + 1));
  for (int l = 1; l <= s.nLoci; ++l) {
    SimScratch::LocusPlan& plan = scratch.plan[at(l)];
    const std::vector<int>* codes = scratch.codes[at(l)];
    plan.codes = codes ? codes->data() : nullptr;
    plan.cumulative = codes ? scratch.cumulative[at(l)].data() : nullptr;
    plan.nCodes = codes ? codes->size() : 0;
    const Cell& f = (*s.fis)(p, l);
    plan.fis = f && *f > 0 ? *f : 0.0;  // no inbreeding where Fis is not positive
    plan.sim1 = sim.locus1(1, l);
    plan.sim2 = sim.locus2(1, l);
    plan.test1 = s.test->locus1(g, l);
    plan.test2 = s.test->locus2(g, l);
  }
  for (int i = 1; i <= s.test->nInd(g); ++i)
    for (int l = 1; l <= s.nLoci; ++l) {
      const SimScratch::LocusPlan& plan = scratch.plan[at(l)];
      if (!plan.codes) {
        plan.sim1[i] = plan.sim2[i] = kMissing;
        continue;
      }
      const double r1 = rng.uniform(), r2 = rng.uniform();
      int x1 = codeAtShare(plan.codes, plan.cumulative, plan.nCodes, r1);
      int x2 = codeAtShare(plan.codes, plan.cumulative, plan.nCodes, r2);
      if (x1 != x2 && plan.fis > 0 && rng.uniform() < plan.fis) {
        if (rng.uniform() < 0.5)
          x2 = x1;
        else
          x1 = x2;
      }
      plan.sim1[i] = plan.test1[i] == kMissing ? kMissing : x1;
      plan.sim2[i] = plan.test2[i] == kMissing ? kMissing : x2;
    }
}

void Sim_Geno_MLHap(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  const SimulationSource& s = r.source();
  const int n = s.ref->nInd(p);
  if (n < 1) return fillMissing(s, g, sim);
  for (int i = 1; i <= s.test->nInd(g); ++i) {
    const int k1 = randomIndex(rng, n), k2 = randomIndex(rng, n);
    for (int l = 1; l <= s.nLoci; ++l) {
      sim.a1(1, l, i) = rng.uniform() < 0.5 ? s.ref->a1(p, l, k1) : s.ref->a2(p, l, k1);
      sim.a2(1, l, i) = rng.uniform() < 0.5 ? s.ref->a1(p, l, k2) : s.ref->a2(p, l, k2);
      copyMissing(s, g, l, i, sim);
    }
  }
}

void Sim_Geno_SLGeno(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  const SimulationSource& s = r.source();
  const int n = s.ref->nInd(p);
  if (n < 1) return fillMissing(s, g, sim);
  for (int i = 1; i <= s.test->nInd(g); ++i)
    for (int l = 1; l <= s.nLoci; ++l) {
      const int k = randomIndex(rng, n);
      sim.a1(1, l, i) = s.ref->a1(p, l, k);
      sim.a2(1, l, i) = s.ref->a2(p, l, k);
      copyMissing(s, g, l, i, sim);
    }
}

void Sim_Geno_Alleles(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  const SimulationSource& s = r.source();
  if (s.ref->nInd(p) < 1) return fillMissing(s, g, sim);
  for (int i = 1; i <= s.test->nInd(g); ++i)
    for (int l = 1; l <= s.nLoci; ++l) {
      sim.a1(1, l, i) = typedCopy(r, 1, p, l, rng);
      sim.a2(1, l, i) = typedCopy(r, 2, p, l, rng);
      copyMissing(s, g, l, i, sim);
    }
}

void Sim_Geno_Alleles_Hap(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  const SimulationSource& s = r.source();
  const int n = s.ref->nInd(p);
  if (n < 1) return fillMissing(s, g, sim);
  for (int i = 1; i <= s.test->nInd(g); ++i) {
    for (int l = 1; l <= s.nLoci; ++l) {
      if (modeOf(s, l) != 1) continue;
      if (testMissingAt(s, g, l, i)) {
        sim.a1(1, l, i) = sim.a2(1, l, i) = kMissing;
        continue;
      }
      sim.a1(1, l, i) = typedCopy(r, 1, p, l, rng);
      sim.a2(1, l, i) = typedCopy(r, 2, p, l, rng);
    }
    // All maternal loci of a member come from one reference member, all paternal loci from another.
    for (int mode : {2, 3}) {
      const int k = randomIndex(rng, n);
      for (int l = 1; l <= s.nLoci; ++l) {
        if (modeOf(s, l) != mode) continue;
        const bool missing = testMissingAt(s, g, l, i);
        sim.a1(1, l, i) = missing ? kMissing : s.ref->a1(p, l, k);
        sim.a2(1, l, i) = missing ? kMissing : s.ref->a2(p, l, k);
      }
    }
  }
}

void simulateGroup(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim) {
  SimScratch scratch;
  simulateGroup(r, g, p, rng, sim, scratch);
}

void simulateGroup(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim, SimScratch& scratch) {
  switch (r.method()) {
    case SimGenerator::FreqCI: return Sim_Geno_Freq_CI(r, g, p, rng, sim, scratch);
    case SimGenerator::MLHap: return Sim_Geno_MLHap(r, g, p, rng, sim);
    case SimGenerator::SLGeno: return Sim_Geno_SLGeno(r, g, p, rng, sim);
    case SimGenerator::Alleles: return Sim_Geno_Alleles(r, g, p, rng, sim);
    case SimGenerator::AllelesHap: return Sim_Geno_Alleles_Hap(r, g, p, rng, sim);
  }
}

std::uint64_t simulationStreamIndex(int k, int g, int p, int nGroups, int nPop) {
  const auto G = static_cast<std::uint64_t>(nGroups) + 1, P = static_cast<std::uint64_t>(nPop) + 1;
  return (static_cast<std::uint64_t>(k) * G + static_cast<std::uint64_t>(g)) * P + static_cast<std::uint64_t>(p);
}

}  // namespace kiwora
