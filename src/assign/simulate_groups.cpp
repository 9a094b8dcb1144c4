#include "assign/simulate_groups.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "base/tolerance.h"

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

// placeAtShare of two draws over the same n running shares, both counted in one pass over the `stored`
// ones (an even count; those past n repeat the last). A draw that reaches a repeated one lies at or past
// the last running share and takes placeAtShare's way for that case.
// `Stored` is their count where known when compiling (the loop then unrolls), else 0.
template <int Stored>
inline void placesAtShares(const double* cumulative, int n, int stored, double u1, double u2, int& x1, int& x2) {
#if defined(__SSE2__) && defined(__x86_64__)
  const int width = Stored > 0 ? Stored : stored;
  const __m128d v1 = _mm_set1_pd(u1), v2 = _mm_set1_pd(u2);
  __m128i below1 = _mm_setzero_si128(), below2 = _mm_setzero_si128();
  for (int i = 0; i < width; i += 2) {
    const __m128d c = _mm_loadu_pd(cumulative + i);
    // A lane that holds is all ones, that is -1.
    below1 = _mm_sub_epi64(below1, _mm_castpd_si128(_mm_cmple_pd(c, v1)));
    below2 = _mm_sub_epi64(below2, _mm_castpd_si128(_mm_cmple_pd(c, v2)));
  }
  const long long b1 = _mm_cvtsi128_si64(below1) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(below1, below1));
  const long long b2 = _mm_cvtsi128_si64(below2) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(below2, below2));
  x1 = b1 < n ? static_cast<int>(b1) : placeAtShare(cumulative, n, u1);
  x2 = b2 < n ? static_cast<int>(b2) : placeAtShare(cumulative, n, u2);
#else
  (void)stored;
  x1 = placeAtShare(cumulative, n, u1);
  x2 = placeAtShare(cumulative, n, u2);
#endif
}

}  // namespace

SimulationReference::SimulationReference(const SimulationSource& src, SimGenerator method)
    : src_(src), method_(method) {
  if (method == SimGenerator::Unset) throw std::invalid_argument("simulated groups need a generator");
  const int nPop = src.ref->nPop();
  const std::size_t cells = at(nPop + 1) * at(src.nLoci + 1);
  if (method == SimGenerator::FreqCI) {
    present_.resize(cells);
    presentFreq_.resize(cells);
    halfWidth_.assign(cells, 0.0);
    widest_.assign(at(nPop + 1), 0);
    paddedCell_.assign(cells, 0);
    fis_.assign(cells, 0.0);
    const AlleleFreqTable& f = *src.alleleFreq;
    for (int p = 1; p <= nPop && p <= f.n1(); ++p)
      for (int l = 1; l <= src.nLoci && l <= f.n2(); ++l) {
        // Only codes with a cell of their own can have a frequency above 0.
        for (int a : f.codes(l))
          if (f(p, l, a) > 0) {
            present_[cell(p, l)].push_back(a);
            presentFreq_[cell(p, l)].push_back(f(p, l, a));
          }
        if (present_[cell(p, l)].empty()) continue;
        const int n = static_cast<int>(present_[cell(p, l)].size());
        widest_[at(p)] = std::max(widest_[at(p)], n + n % 2);
        const double f1 = presentFreq_[cell(p, l)][0];
        const int copies = (*src.geneCount)(p, l);
        if (copies > 0) halfWidth_[cell(p, l)] = kZ99 * std::sqrt(std::max(0.0, f1 * (1 - f1)) / copies);
      }
    // Every locus of a population padded with zero frequencies to the width of its widest one.
    for (int p = 1; p <= nPop; ++p)
      for (int l = 1; l <= src.nLoci; ++l) {
        paddedCell_[cell(p, l)] = padded_.size();
        const std::vector<double>& f = presentFreq_[cell(p, l)];
        padded_.insert(padded_.end(), f.begin(), f.end());
        padded_.resize(padded_.size() + at(widest_[at(p)]) - f.size(), 0.0);
      }
    for (int p = 1; p <= nPop && p <= src.fis->n1(); ++p)
      for (int l = 1; l <= src.nLoci && l <= src.fis->n2(); ++l) {
        const Cell& fis = (*src.fis)(p, l);
        // No inbreeding where Fis is not positive; a Fis that is 0 but for rounding is 0.
        if (fis && clearlyAbove(*fis, 0, ofSums(1, kFrequencyTermUlps, 1))) fis_[cell(p, l)] = *fis;
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

namespace {

// Generator 1's draws of every member and locus, in that order, over the running shares of each locus
// (`stored` of them, as placesAtShares reads them); the stream's state comes back in `stream`.
template <int Stored>
void drawPlaces(const double* shares, int stored, int nInd, int nLoci, Random rng, Random& stream,
                SimScratch& scratch) {
  for (int i = 1; i <= nInd; ++i)
    for (int l = 1; l <= nLoci; ++l) {
      const SimScratch::LocusDraw& locus = scratch.loci[at(l)];
      const std::size_t at1 = at(l) * at(scratch.stride) + at(i);
      if (locus.shares < 0) {
        scratch.place1[at1] = scratch.place2[at1] = -1;
        continue;
      }
      const double r1 = rng.uniform(), r2 = rng.uniform();
      int x1, x2;
      placesAtShares<Stored>(shares + locus.shares, locus.nCodes, stored, r1, r2, x1, x2);
      if (locus.fis > 0 && x1 != x2 && rng.uniform() < locus.fis) {
        if (rng.uniform() < 0.5)
          x2 = x1;
        else
          x1 = x2;
      }
      scratch.place1[at1] = locus.test1[i] == kMissing ? -1 : x1;
      scratch.place2[at1] = locus.test2[i] == kMissing ? -1 : x2;
    }
  stream = rng;
}

// drawFreqCIPlaces with every locus's running shares stored to `Stored` (the population's widest locus)
// where known when compiling, so that the loops over them unroll; 0 otherwise.
template <int Stored>
void drawFreqCIPlacesOf(const SimulationReference& r, int g, int p, Random& stream, SimScratch& scratch) {
  // The stream's state kept in registers while drawing, not in the caller's memory.
  Random rng = stream;
  const SimulationSource& s = r.source();
  const int nInd = s.test->nInd(g);
  // Corrected frequencies of each locus: the first present code moved by a random part of its 99%
  // interval, the second present code the opposite way, both at least 0, as running shares of their total.
  scratch.loci.resize(at(s.nLoci + 1));
  std::size_t used = 0;
  for (int l = 1; l <= s.nLoci; ++l) {
    SimScratch::LocusDraw& locus = scratch.loci[at(l)];
    locus.shares = -1;
    locus.fis = r.positiveFis(p, l);
    locus.test1 = s.test->locus1(g, l);
    locus.test2 = s.test->locus2(g, l);
    const std::vector<double>& f = r.presentFreqs(p, l);
    if (!selected(s, l) || f.empty()) continue;
    const double u1 = rng.uniform(), u2 = rng.uniform();
    // Down when u1 > 0.5 (d is at least 0), taken without a branch on the coin.
    const double d = std::copysign(r.halfWidth(p, l) * u2, 0.5 - u1);
    // The opposite move goes to the next present code, so frequency never reaches a code the population
    // lacks. Every locus of the population takes the same number of steps here and in the draws: the
    // padding adds +0 to the total and repeats the last running share.
    const std::size_t nCodes = f.size(), stored = at(Stored > 0 ? Stored : r.widestLocus(p));
    if (scratch.cumulative.size() < used + stored) scratch.cumulative.resize(used + stored + 64);
    double* cumulative = scratch.cumulative.data() + used;
    const double* padded = r.paddedFreqs(p, l);
    double total = 0;
    total += (cumulative[0] = std::max(0.0, padded[0] - d));
    total += (cumulative[1] = nCodes > 1 ? std::max(0.0, padded[1] + d) : 0.0);
    for (std::size_t i = 2; i < stored; ++i) total += (cumulative[i] = padded[i]);  // all at least 0
    if (!(total > 0)) continue;
    // The shares first, apart from their running sum, so that they are divided two at a time.
    for (std::size_t i = 0; i < stored; ++i) cumulative[i] /= total;
    double run = 0;
    for (std::size_t i = 0; i < stored; ++i) cumulative[i] = (run += cumulative[i]);
    locus.shares = static_cast<int>(used);
    locus.nCodes = static_cast<int>(nCodes);
    used += stored;
  }

  scratch.stride = nInd + 1;
  const std::size_t places = at(s.nLoci + 1) * at(scratch.stride);
  if (scratch.place1.size() < places + SimScratch::kSlack) {
    // A few places of slack, so that readers may load the members of the last locus a vector at a time.
    scratch.place1.resize(places + SimScratch::kSlack);
    scratch.place2.resize(places + SimScratch::kSlack);
  }
  const double* shares = scratch.cumulative.data();
  drawPlaces<Stored>(shares, r.widestLocus(p), nInd, s.nLoci, rng, stream, scratch);
}

}  // namespace

void drawFreqCIPlaces(const SimulationReference& r, int g, int p, Random& stream, SimScratch& scratch) {
  switch (r.widestLocus(p)) {
    case 2: return drawFreqCIPlacesOf<2>(r, g, p, stream, scratch);
    case 4: return drawFreqCIPlacesOf<4>(r, g, p, stream, scratch);
    case 6: return drawFreqCIPlacesOf<6>(r, g, p, stream, scratch);
    case 8: return drawFreqCIPlacesOf<8>(r, g, p, stream, scratch);
    case 10: return drawFreqCIPlacesOf<10>(r, g, p, stream, scratch);
    case 12: return drawFreqCIPlacesOf<12>(r, g, p, stream, scratch);
    case 14: return drawFreqCIPlacesOf<14>(r, g, p, stream, scratch);
    case 16: return drawFreqCIPlacesOf<16>(r, g, p, stream, scratch);
    default: return drawFreqCIPlacesOf<0>(r, g, p, stream, scratch);
  }
}

void Sim_Geno_Freq_CI(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim, SimScratch& scratch) {
  drawFreqCIPlaces(r, g, p, rng, scratch);
  const SimulationSource& s = r.source();
  const int nInd = s.test->nInd(g);
  for (int l = 1; l <= s.nLoci; ++l) {
    const std::vector<int>& codes = r.presentCodes(p, l);
    const int* x1 = scratch.place1.data() + at(l) * at(scratch.stride);
    const int* x2 = scratch.place2.data() + at(l) * at(scratch.stride);
    int* sim1 = sim.locus1(1, l);
    int* sim2 = sim.locus2(1, l);
    for (int i = 1; i <= nInd; ++i) {
      sim1[i] = x1[i] < 0 ? kMissing : codes[at(x1[i])];
      sim2[i] = x2[i] < 0 ? kMissing : codes[at(x2[i])];
    }
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
    case SimGenerator::Unset: break;  // refused when the reference is built
  }
}

std::uint64_t simulationStreamIndex(int k, int g, int p, int nGroups, int nPop) {
  const auto G = static_cast<std::uint64_t>(nGroups) + 1, P = static_cast<std::uint64_t>(nPop) + 1;
  return (static_cast<std::uint64_t>(k) * G + static_cast<std::uint64_t>(g)) * P + static_cast<std::uint64_t>(p);
}

}  // namespace kiwora
