#include "assign/simulate_exclusion.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "assign/exclusion.h"
#include "assign/score_kernels.h"
#include "assign/scorers.h"
#include "base/random.h"
#include "base/worker_pool.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Simulations per progress step: about a hundred steps per run, but enough simulated groups in each
// (perCall scored per simulation) that spreading a step over the threads pays, and not so many that a step
// keeps the window from answering for long (a few hundred thousand groups take a fraction of a second).
int blockSize(int n, int perCall) {
  constexpr int kMinGroupsPerStep = 2048, kMaxGroupsPerStep = 1 << 18;
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

// Up to this many genotypes or copies of a locus are ordered without a sort.
constexpr int kFewKeys = 16;
// Groups of up to this many members are scored by the Bayesian method one member per 16-bit vector lane,
// where every genotype key lies below the sentinel.
constexpr int kLanes = 8;
constexpr short kLaneSentinel = 0x7fff;

// What PlaceScores works in, one per thread.
struct KeyScratch {
  std::vector<int> sorted;  // the keys of one locus
};

// What one thread keeps while it works through a share of the simulations: a buffer per group size and
// the scratch of the generator and the scorer, so a simulated group allocates nothing.
struct SimWorkspace {
  std::vector<GenotypeData> bySize;  // [size]: a buffer of one slot of that many members
  SimScratch sim;
  DirectScratch score;
  std::vector<double> scores;
  KeyScratch keys;

  GenotypeData& bufferFor(const GenotypeData& test, int g) {
    const auto size = static_cast<std::size_t>(test.nInd(g));
    if (bySize.size() <= size) bySize.resize(size + 1);
    GenotypeData& b = bySize[size];
    if (b.nPop() == 0) b = groupBuffer(test, g);
    return b;
  }
};

// Scores of generator 1's groups against the population they were drawn from, read from the drawn places
// among its present codes: per bi-parental locus the Bayesian term of every genotype, or the frequency
// term of every code, worked out once per run. The terms are those of groupScoreDirect, added in the same
// order (ascending genotypes or codes of each locus, loci ascending), so a group scores exactly as it does
// written out as codes. Only for groups without uni-parental loci, whose haplotype keys need the codes.
class PlaceScores {
 public:
  static bool serves(const ExclusionSetup& s) {
    const AssignMethod m = s.opt->method();
    return s.sim->method() == SimGenerator::FreqCI && m != AssignMethod::GeneticDistance &&
           s.ref->matLoci.empty() && s.ref->patLoci.empty();
  }

  PlaceScores(const ExclusionSetup& s, const std::vector<int>& pops)
      : ref_(*s.ref), frequency_(s.opt->method() == AssignMethod::Frequency), nPop_(s.ref->nPop) {
    loci_.resize(at(nPop_ + 1) * ref_.bipLoci.size());
    for (int p : pops)
      for (std::size_t j = 0; j < ref_.bipLoci.size(); ++j) {
        const int l = ref_.bipLoci[j];
        Locus& L = loci_[cell(p, j)];
        L.locus = l;
        const std::vector<int>& codes = s.sim->presentCodes(p, l);
        L.nCodes = static_cast<int>(codes.size());
        for (int a : codes) usable_ = usable_ && a >= 1 && a <= ref_.maxAllele;
        if (!usable_) return;
        L.first = terms_.size();
        if (frequency_) {
          // Per code its term, counted only where the code is present at the locus.
          for (int a : codes) {
            present_.push_back(ref_.AllelePresent(l, a) == 1);
            terms_.push_back(ref_.logFreq(p, l, a));
          }
          continue;
        }
        L.scored = ref_.NAllelesLoc[at(l)] != 0;
        lanesFit_ = lanesFit_ && L.nCodes * L.nCodes <= kLaneSentinel;
        const double den = ref_.logDenom(p, l);
        const auto prior = ref_.logPrior.row(p, l);
        const auto prior1 = ref_.logPrior1.row(p, l);
        for (int x = 0; x < L.nCodes; ++x)
          for (int y = 0; y < L.nCodes; ++y) {
            const int a = codes[at(std::min(x, y))], b = codes[at(std::max(x, y))];
            terms_.push_back(a == b ? kernels::homozygoteLogP(prior[a], prior1[a], den)
                                    : kernels::heterozygoteLogP(prior[a], prior[b], den));
          }
      }
  }

  bool usable() const { return usable_; }

  // The score in p of the group whose places `sim` holds.
  double score(int p, const SimScratch& sim, KeyScratch& keys) const {
    const int n = sim.stride - 1;
    if (keys.sorted.size() < 2 * at(n)) keys.sorted.resize(2 * at(n));
    return frequency_ ? frequencyScore(p, sim, keys, n) : bayesScore(p, sim, keys, n);
  }

 private:
  struct Locus {
    int locus = 0, nCodes = 0;
    bool scored = true;
    std::size_t first = 0;  // of its terms
  };

  std::size_t cell(int p, std::size_t j) const { return at(p) * ref_.bipLoci.size() + j; }

  // For each of the m <= kFewKeys keys: how many keys are smaller, and how many equal it.
  static void countSmallerAndEqual(const int* keys, int m, int* smaller, int* equal) {
#if defined(__SSE2__)
    // The lanes are gathered in registers: a wide load of keys just stored one by one would wait for them.
    const auto key = [&](int i) { return i < m ? keys[i] : std::numeric_limits<int>::max(); };
    const int vectors = (m + 3) / 4;
    for (int v = 0; v < vectors; ++v) {
      const __m128i x = _mm_setr_epi32(key(4 * v), key(4 * v + 1), key(4 * v + 2), key(4 * v + 3));
      __m128i below = _mm_setzero_si128(), same = _mm_setzero_si128();
      for (int j = 0; j < m; ++j) {
        const __m128i y = _mm_set1_epi32(keys[j]);
        // A lane that holds is all ones, that is -1.
        below = _mm_sub_epi32(below, _mm_cmpgt_epi32(x, y));
        same = _mm_sub_epi32(same, _mm_cmpeq_epi32(x, y));
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(smaller + 4 * v), below);
      _mm_store_si128(reinterpret_cast<__m128i*>(equal + 4 * v), same);
    }
#else
    for (int i = 0; i < m; ++i) {
      smaller[i] = equal[i] = 0;
      for (int j = 0; j < m; ++j) {
        smaller[i] += keys[j] < keys[i];
        equal[i] += keys[j] == keys[i];
      }
    }
#endif
  }

  // Adds term(key, count) over the distinct keys[0..m) in ascending order of the keys. A few keys are
  // placed without branches: each key's term goes to the place of its first copy among the sorted keys
  // (equal keys write the same term there), every other place holds +0, whose subtraction changes nothing,
  // so the sum is that of the terms alone in the order of the keys.
  template <class Term>
  static double subtractTerms(double s, KeyScratch& k, int m, Term&& term) {
    int* keys = k.sorted.data();
    if (m <= kFewKeys) {
      alignas(16) int smaller[kFewKeys], equal[kFewKeys];
      countSmallerAndEqual(keys, m, smaller, equal);
      double placed[kFewKeys];
      for (int i = 0; i < m; ++i) placed[i] = 0.0;
      for (int i = 0; i < m; ++i) placed[smaller[i]] = term(keys[i], equal[i]);
      for (int i = 0; i < m; ++i) s -= placed[i];
      return s;
    }
    std::sort(keys, keys + m);
    for (int i = 0; i < m;) {
      int e = i + 1;
      while (e < m && keys[e] == keys[i]) ++e;
      s -= term(keys[i], e - i);
      i = e;
    }
    return s;
  }

  double bayesScore(int p, const SimScratch& sim, KeyScratch& k, int n) const {
#if defined(__SSE2__)
    if (n <= kLanes && lanesFit_) return bayesScoreInLanes(p, sim, n);
#endif
    double s = 0;
    int* keys = k.sorted.data();
    for (std::size_t j = 0; j < ref_.bipLoci.size(); ++j) {
      const Locus& L = loci_[cell(p, j)];
      if (!L.scored) continue;
      const int* x1 = sim.place1.data() + at(L.locus) * at(sim.stride);
      const int* x2 = sim.place2.data() + at(L.locus) * at(sim.stride);
      int m = 0;
      for (int i = 1; i <= n; ++i) {
        const int a = x1[i], b = x2[i];
        const int low = b ^ ((a ^ b) & -(a < b));  // min and max without a branch
        keys[m] = low * L.nCodes + (a ^ b ^ low);
        m += (a | b) >= 0;
      }
      const double* logP = terms_.data() + L.first;
      s = subtractTerms(s, k, m, [&](int key, int count) { return count * logP[key]; });
    }
    return s;
  }

#if defined(__SSE2__)
  // bayesScore of up to kLanes members, one per 16-bit lane: their genotype keys are formed, counted and
  // placed in vector registers, the members with a missing copy holding a key above every other.
  double bayesScoreInLanes(int p, const SimScratch& sim, int n) const {
    const __m128i lane = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i member = _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(n)), lane);
    const __m128i sentinel = _mm_set1_epi16(kLaneSentinel), minusOne = _mm_set1_epi32(-1);
    alignas(16) std::int16_t keys[kLanes], below[kLanes], same[kLanes], typed[kLanes];
    double s = 0;
    for (std::size_t j = 0; j < ref_.bipLoci.size(); ++j) {
      const Locus& L = loci_[cell(p, j)];
      if (!L.scored) continue;
      const int* x1 = sim.place1.data() + at(L.locus) * at(sim.stride) + 1;
      const int* x2 = sim.place2.data() + at(L.locus) * at(sim.stride) + 1;
      __m128i low[2], high[2], both[2];
      for (int h = 0; h < 2; ++h) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x1 + 4 * h));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x2 + 4 * h));
        const __m128i aBelow = _mm_cmplt_epi32(a, b);
        low[h] = _mm_or_si128(_mm_and_si128(aBelow, a), _mm_andnot_si128(aBelow, b));
        high[h] = _mm_xor_si128(_mm_xor_si128(a, b), low[h]);
        both[h] = _mm_cmpgt_epi32(_mm_or_si128(a, b), minusOne);  // neither copy missing
      }
      const __m128i ok = _mm_and_si128(_mm_packs_epi32(both[0], both[1]), member);
      const __m128i key = _mm_add_epi16(
          _mm_mullo_epi16(_mm_packs_epi32(low[0], low[1]), _mm_set1_epi16(static_cast<short>(L.nCodes))),
          _mm_packs_epi32(high[0], high[1]));
      const __m128i k = _mm_or_si128(_mm_and_si128(ok, key), _mm_andnot_si128(ok, sentinel));
      _mm_store_si128(reinterpret_cast<__m128i*>(keys), k);
      __m128i smaller = _mm_setzero_si128(), equal = _mm_setzero_si128();
      for (int i = 0; i < n; ++i) {
        const __m128i y = _mm_set1_epi16(keys[i]);
        smaller = _mm_sub_epi16(smaller, _mm_cmpgt_epi16(k, y));
        equal = _mm_sub_epi16(equal, _mm_cmpeq_epi16(k, y));
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(below), smaller);
      _mm_store_si128(reinterpret_cast<__m128i*>(same), equal);
      _mm_store_si128(reinterpret_cast<__m128i*>(typed), ok);
      // As in subtractTerms: each term at the place of its key's first copy, +0 elsewhere.
      const double* logP = terms_.data() + L.first;
      double placed[kLanes];
      int m = 0;
      for (int i = 0; i < n; ++i) {
        placed[i] = 0.0;
        m -= typed[i];
      }
      for (int i = 0; i < n; ++i)
        if (typed[i]) placed[below[i]] = same[i] * logP[keys[i]];
      for (int i = 0; i < m; ++i) s -= placed[i];
    }
    return s;
  }
#endif

  double frequencyScore(int p, const SimScratch& sim, KeyScratch& k, int n) const {
    double s = 0;
    int* keys = k.sorted.data();
    for (std::size_t j = 0; j < ref_.bipLoci.size(); ++j) {
      const Locus& L = loci_[cell(p, j)];
      const int* x1 = sim.place1.data() + at(L.locus) * at(sim.stride);
      const int* x2 = sim.place2.data() + at(L.locus) * at(sim.stride);
      int m = 0;
      for (int i = 1; i <= n; ++i) {
        keys[m] = x1[i];
        m += x1[i] >= 0;
        keys[m] = x2[i];
        m += x2[i] >= 0;
      }
      if (m == 0) continue;
      // The codes' terms are added to log10(m!): subtracting them from its negative gives the negative of
      // that sum, exactly, as rounding is symmetric.
      const double t = -subtractTerms(-ref_.log10Factorial(m), k, m, [&](int key, int count) {
        const std::size_t at = L.first + static_cast<std::size_t>(key);
        return present_[at] ? kernels::multinomialTerm(-ref_.log10Factorial(count), count, terms_[at]) : 0.0;
      });
      s -= t;
    }
    return s;
  }

  const ReferenceTables& ref_;
  bool frequency_;
  int nPop_;
  bool usable_ = true;
  bool lanesFit_ = true;  // every Bayesian genotype key fits below the sentinel of 16-bit lanes
  std::vector<Locus> loci_;  // [p * bipLoci + j]
  std::vector<double> terms_;
  std::vector<bool> present_;  // frequency method: beside each code's term
};

// Items are handed out in chunks of this many, each chunk with a workspace of its own.
constexpr int kItemsPerChunk = 32;

int chunksOf(int items) { return (items + kItemsPerChunk - 1) / kItemsPerChunk; }

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
  {
    DirectScratch scratch;
    for (int g : groups)
      for (int p : pops) observed(g, p) = groupScoreDirect(*s.ref, *s.opt, slotOf(test, g), p, scratch);
  }

  // One item is one simulation of one group against every population; its outcomes go into a row of
  // its own and are added up in index order after the block.
  std::optional<PlaceScores> places;
  if (PlaceScores::serves(s)) {
    places.emplace(s, pops);
    if (!places->usable()) places.reset();
  }

  const int nG = static_cast<int>(groups.size()), nP = static_cast<int>(pops.size());
  const int step = blockSize(n, nG * nP);
  std::vector<unsigned char> noBetter;
  for (int first = 1, last = 0; last < n; first = last + 1) {
    last = lastOfStep(first, step, n);
    const int items = (last - first + 1) * nG;
    noBetter.assign(at(items) * at(nP), 0);
    parallelFor(chunksOf(items), [&](int chunk) {
      SimWorkspace ws;
      const int end = std::min(items, (chunk + 1) * kItemsPerChunk);
      for (int item = chunk * kItemsPerChunk; item < end; ++item) {
        const int k = first + item / nG, g = groups[at(item % nG)];
        GenotypeData* buffer = places ? nullptr : &ws.bufferFor(test, g);
        for (int j = 0; j < nP; ++j) {
          const int p = pops[at(j)];
          Random rng = Random::stream(s.seed, simulationStreamIndex(k, g, p, res.nGroups, nPop));
          double score = 0;
          if (places) {
            drawFreqCIPlaces(*s.sim, g, p, rng, ws.sim);
            score = places->score(p, ws.sim, ws.keys);
          } else {
            simulateGroup(*s.sim, g, p, rng, *buffer, ws.sim);
            score = groupScoreDirect(*s.ref, *s.opt, slotOf(*buffer, 1), p, ws.score);
          }
          // A simulated group scoring as the real one counts as no better than it, whatever order its terms
          // were summed in: a group that matches its population perfectly is not excluded from it.
          noBetter[at(item) * at(nP) + at(j)] = atLeast(score, observed(g, p), kScoreRounding);
        }
      }
    });
    for (int item = 0; item < items; ++item)
      for (int j = 0; j < nP; ++j)
        res.ExclCount(groups[at(item % nG)], pops[at(j)]) += noBetter[at(item) * at(nP) + at(j)];
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

  // Each simulated group is scored against every candidate.
  const int step = blockSize(n, static_cast<int>(s.ref->candidates.size()));
  for (int first = 1, last = 0; last < n; first = last + 1) {
    last = lastOfStep(first, step, n);
    const int items = last - first + 1;
    parallelFor(chunksOf(items), [&](int chunk) {
      SimWorkspace ws;
      const int end = std::min(items, (chunk + 1) * kItemsPerChunk);
      for (int item = chunk * kItemsPerChunk; item < end; ++item) {
        const int k = first + item;
        Random rng = Random::stream(s.seed, simulationStreamIndex(k, 0, 0, res.nGroups, res.nPop));
        const int g = groups[at(randomIndex(rng, static_cast<int>(groups.size())) - 1)];
        const int p = pops[at(randomIndex(rng, static_cast<int>(pops.size())) - 1)];
        GenotypeData& buffer = ws.bufferFor(test, g);
        simulateGroup(*s.sim, g, p, rng, buffer, ws.sim);
        profileGroupInto(*s.ref, slotOf(buffer, 1), ws.score.whole, ws.score.profile);
        ws.scores.clear();
        for (int q : s.ref->candidates) ws.scores.push_back(groupScore(*s.ref, *s.opt, ws.score.whole, q));
        const double best = *std::min_element(ws.scores.begin(), ws.scores.end());
        for (double& x : ws.scores) x -= best;
        res.SimDelta[at(k)] = deltaOfRelativeScores(ws.scores, best);
      }
    });
    if (s.progress) s.progress(last, n);
  }

  Vec1<Cell> groupDelta = makeVec1<Cell>(res.nGroups);
  for (int g : groups) groupDelta[at(g)] = res.GrDelta[at(g)];
  Excl_Prob_Delta(res.SimDelta, groupDelta, res.DeltaProb);
}

}  // namespace kiwora
