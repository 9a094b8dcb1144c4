#include "kinship/kinship.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "files/text_writer.h"
#include "base/random.h"
#include "base/stop_signal.h"
#include "base/tolerance.h"
#include "kinship/pairs_file.h"
#include "base/block_loop.h"
#include "base/step_sort.h"
#include "stats/allele_codes.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::vector<int> selectedLoci(const GenotypeReader& g) {
  std::vector<int> loci;
  for (int l = 1; l <= g.nLoci; ++l)
    if (g.locOn(l)) loci.push_back(l);
  return loci;
}

// d of two genotypes whose four codes are all typed.
double typedDistance(int a, int b, int c, int d) {
  if ((a == c && b == d) || (a == d && b == c)) return 0;
  if (a == c || a == d || b == c || b == d) return 0.5;
  return 1;
}

// Distance and kinship of one pair and the progress of the simulations -------------------------------

// The codes of each selected locus that a pair or a reference reads: those with a frequency cell and those
// typed in a selected population. The pairs and the references read a code by its place among them
// (LocusCodes::slot), so that the reference tables take the codes present, not the largest code; the
// places keep the codes' order and identity, so every value is as by code.
LocusCodes kinshipCodes(const GenotypeReader& g, const std::vector<int>& loci, const AlleleFreqTable& freq) {
  std::vector<std::vector<int>> codes(at(std::max(g.nLoci, 0)) + 1);
  for (int l : loci) {
    std::vector<int>& c = codes[at(l)];
    c = freq.codes(l);
    // Frequencies of the same selection have a cell for every typed code: only others are added.
    const LocusCodes::Slots cell = freq.locusCodes().slotsOf(l);
    for (int p = 1; p <= g.nPop; ++p) {
      if (!g.popOn(p)) continue;
      for (const int* x : {g.genotypes->locus1(p, l), g.genotypes->locus2(p, l)})
        for (int j = 1; j <= g.nInd(p); ++j)
          if (isTyped(x[j], g.maxAllele) && cell[x[j]] == 0) c.push_back(x[j]);
    }
  }
  return LocusCodes(g.nLoci, g.maxAllele, codes);  // sorted, each code once
}

// Per-locus working form of the reference frequencies of one population.
struct Reference {
  int stride = 0;           // 1 + the most codes at a selected locus
  std::vector<double> p;    // (selected locus index, place of a code 1..; 0 for none)
  std::vector<double> s1;   // sum of p over the alleles of the locus
  std::vector<double> s2;   // sum of p squared
  // Per locus: how many ulps of its operands a pair's term, or its p(1 - p), may be off (see
  // finishReference); 0 where every frequency is 0 or 1, whose terms are exact.
  std::vector<double> termUlps;
  double pooled = 1;        // populations whose frequencies each p sums
  double n = 0;             // individuals in the reference; the correction term counts their 2n genes
};

struct RowTally {
  int np = 0, nd00 = 0, nd05 = 0, nd10 = 0, nk = 0, k125 = 0, k250 = 0, kGt250 = 0;
  double sumD = 0, sumK = 0;
  double minD = std::numeric_limits<double>::infinity(), maxD = -std::numeric_limits<double>::infinity();
  std::array<int, kKinClasses> cls{};
  std::string lines;
};

struct PopulationPairs {
  int n = 0, nSel = 0, minLoci = 1;
  std::vector<int> geno;  // (individual 0..n-1, selected locus, copy): -1 where not typed
  const Reference* ref = nullptr;
  const ClassBounds* bounds = nullptr;  // null: no classification
  bool writeLines = false;
  const std::string* name = nullptr;

  void row(int x, RowTally& t) const {
    const int* gx = geno.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(nSel) * 2;
    const double* p = ref->p.data();
    for (int y = x + 1; y < n; ++y) {
      const int* gy = geno.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(nSel) * 2;
      int nloc = 0, c0 = 0, c1 = 0, varying = 0;
      double D = 0, Sxy = 0, Spq = 0;
      // The rounding of Sxy and Spq, in ulps: of each term's operands, and of the sums' magnitudes.
      double termsS = 0, termsQ = 0, sizeS = 0;
      for (int li = 0; li < nSel; ++li) {
        const int a = gx[2 * li], b = gx[2 * li + 1], c = gy[2 * li], d = gy[2 * li + 1];
        if (a < 0 || b < 0 || c < 0 || d < 0) continue;
        ++nloc;
        const double dist = typedDistance(a, b, c, d);
        D += dist;
        c0 += dist == 0;
        c1 += dist == 1;
        // Sum over the alleles of (dose1 - p)(dose2 - p) and of p(1 - p), in closed form.
        const double* pl = p + static_cast<std::size_t>(li) * static_cast<std::size_t>(ref->stride);
        const int matches = (a == c) + (a == d) + (b == c) + (b == d);
        const double shared = pl[a] + pl[b] + pl[c] + pl[d];
        const double term = 0.25 * matches - 0.5 * shared + ref->s2[at(li)];
        Sxy += term;
        Spq += ref->s1[at(li)] - ref->s2[at(li)];
        // A locus whose every frequency is 0 or 1 (one allele) adds exact terms: nothing to its rounding.
        if (const double u = ref->termUlps[at(li)]; u > 0) {
          ++varying;
          termsS += u * (0.25 * matches + 0.5 * shared + ref->s2[at(li)]);
          termsQ += u * ref->s1[at(li)];
          sizeS += std::fabs(term);
        }
      }
      if (nloc < minLoci) continue;
      // D sums halves exactly, so dgm is the correctly rounded quotient D / nloc, as 0.05, 0.1 and the
      // simulated bounds (Sim_CI_DGM) are of theirs. Two such quotients over fewer than 10^7 loci are equal
      // or lie more than an ulp apart, so the raw comparisons of dgm decide as exact arithmetic does.
      const double dgm = D / nloc;
      std::optional<double> kin;
      // The sums over `varying` loci are off by their terms' own rounding and by an ulp of their size per
      // addition at most (Spq's terms are all positive: Spq is its size).
      const double errS = termsS + varying * sizeS, errQ = termsQ + varying * Spq;
      // Kin's rounding as a width: Sxy / Spq moves by errS / Spq and by its own share of errQ; the quotient,
      // the correction term and their sum add a few ulps of Kin and of the term.
      Rounding kinRounding;
      // Spq sums p(1 - p): 0 when every allele has frequency 0 or 1, and then every term was exact.
      if (!vanishes(Spq, absoluteRounding(errQ * kUlp))) {
        const double ratio = Sxy / Spq, correction = 1.0 / (2 * ref->n - 1);
        kin = ratio + correction;
        kinRounding = absoluteRounding(
            kUlp * ((errS + std::fabs(ratio) * errQ) / Spq + 4 * (std::fabs(*kin) + correction)));
      }

      ++t.np;
      t.sumD += dgm;
      t.minD = std::min(t.minD, dgm);
      t.maxD = std::max(t.maxD, dgm);
      if (dgm == 0) ++t.nd00;
      if (dgm > 0 && dgm <= 0.05) ++t.nd05;
      if (dgm > 0.05 && dgm <= 0.1) ++t.nd10;
      if (kin) {
        ++t.nk;
        t.sumK += *kin;
        // An exact 0.125 or 0.25 belongs to the class below it.
        const bool above05 = clearlyAbove(*kin, 0.05, kinRounding),
                   above125 = clearlyAbove(*kin, 0.125, kinRounding), above25 = clearlyAbove(*kin, 0.25, kinRounding);
        if (above05 && !above125) ++t.k125;
        if (above125 && !above25) ++t.k250;
        if (above25) ++t.kGt250;
      }
      if (bounds) ++t.cls[static_cast<std::size_t>(relationshipClass(dgm, *bounds))];
      if (writeLines) {
        PairLine line;
        line.ind1 = x + 1;
        line.ind2 = y + 1;
        line.nLoci = nloc;
        line.dgm = dgm;
        line.fD0 = static_cast<double>(c0) / nloc;
        line.fD1 = static_cast<double>(c1) / nloc;
        line.kin = kin;
        if (bounds) line.ci = pairsClassText(dgm, *bounds);
        t.lines += pairLineText(*name, line);
      }
    }
  }
};

int strideOf(const LocusCodes& codes, const std::vector<int>& loci) {
  int most = 0;
  for (int l : loci) most = std::max(most, codes.count(l));
  return most + 1;
}

// A reference of no frequencies yet, laid out for the codes of the selected loci.
Reference emptyReference(const std::vector<int>& loci, const LocusCodes& codes) {
  Reference r;
  r.stride = strideOf(codes, loci);
  r.p.assign(loci.size() * static_cast<std::size_t>(r.stride), 0.0);
  return r;
}

// Adds population k's frequencies, times w, at the places of their codes.
void addFrequencies(Reference& r, const std::vector<int>& loci, const LocusCodes& codes, const AlleleFreqTable& freq,
                    int k, double w) {
  for (std::size_t li = 0; li < loci.size(); ++li) {
    const std::vector<int>& c = codes.codes(loci[li]);
    for (std::size_t s = 0; s < c.size(); ++s)
      if (c[s] >= 1) r.p[li * at(r.stride) + s + 1] += freq(k, loci[li], c[s]) * w;
  }
}

// Reference frequencies weighted by sample size over the populations marked in `take`: the sizes times the
// frequencies summed, then divided by the total once, so that an allele of frequency 1 everywhere has
// frequency 1 to the bit (a locus of one allele then adds exactly 0 to every kinship).
Reference weightedReference(const GenotypeReader& g, const std::vector<int>& loci, const LocusCodes& codes,
                            const AlleleFreqTable& freq, const std::vector<bool>& take) {
  Reference r = emptyReference(loci, codes);
  double total = 0, pooled = 0;
  for (int k = 1; k <= g.nPop; ++k)
    if (take[at(k)]) {
      total += g.nInd(k);
      ++pooled;
    }
  r.n = total;
  r.pooled = std::max(pooled, 1.0);
  if (total <= 0) return r;
  for (int k = 1; k <= g.nPop; ++k)
    if (take[at(k)]) addFrequencies(r, loci, codes, freq, k, g.nInd(k));
  for (double& p : r.p) p /= total;
  return r;
}

// The population's own frequencies (0 + f * 1 is f to the bit).
Reference ownReference(const GenotypeReader& g, const std::vector<int>& loci, const LocusCodes& codes,
                       const AlleleFreqTable& freq, int pop) {
  Reference r = emptyReference(loci, codes);
  r.n = g.nInd(pop);
  addFrequencies(r, loci, codes, freq, pop, 1.0);
  return r;
}

// The sums of each locus, and the rounding of what a pair adds for it. A frequency is off by an ulp of
// itself (a share of counts, divided by the sum of the shares) and by an ulp more per population pooled
// into it; a pair's term sums four frequencies and the squares of the locus's alleles, and p(1 - p) the
// frequencies and their squares: with each frequency's error counted twice (in p and in p squared), the
// term is off by at most alleles + 2 * (pooled + 2) + 8 ulps of its operands. Frequencies of 0 and 1 only
// are exact, and so is all that follows from them.
void finishReference(Reference& r, std::size_t nLoci) {
  r.s1.assign(nLoci, 0.0);
  r.s2.assign(nLoci, 0.0);
  r.termUlps.assign(nLoci, 0.0);
  for (std::size_t li = 0; li < nLoci; ++li) {
    bool exact = true;
    for (int a = 1; a < r.stride; ++a) {
      const double p = r.p[li * at(r.stride) + at(a)];
      r.s1[li] += p;
      r.s2[li] += p * p;
      exact = exact && (p == 0 || p == 1);
    }
    if (!exact) r.termUlps[li] = (r.stride - 1) + 2 * (r.pooled + 2) + 8;
  }
}

// Population i and its `count` geographically nearest selected populations; the lower index wins a tie.
std::vector<bool> neighbourhood(const GenotypeReader& g, const Table2<double>& GeoDist, double geoRounding, int i,
                                int count) {
  std::vector<bool> mark(at(g.nPop) + 1, false);
  mark[at(i)] = true;
  count = std::min(count, g.nPop);
  // No distance of 99999999 or more makes a neighbour; distances within the coordinates' rounding of each
  // other are a tie.
  constexpr double kFarthest = 99999999;
  const auto distance = [&](std::size_t j) {
    return j >= 1 && g.popOn(static_cast<int>(j)) && !mark[j] ? GeoDist(i, static_cast<int>(j)) : kFarthest;
  };
  for (int r = 0; r < count; ++r) {
    const std::size_t best = firstOfSmallest(at(g.nPop) + 1, distance, kFarthest, absoluteRounding(geoRounding));
    if (best <= at(g.nPop)) mark[best] = true;
  }
  return mark;
}

std::string progressText(const char* what, double percent) { return what + masked(percent, "0.0"); }

// One simulated pedigree -------------------------------------------------------------------------------

struct Pedigree {
  // (member, selected locus, copy); founders 0..15, parents 16..23, offspring 24..31 (A..H).
  std::vector<int> a;
  int nSel = 0;
  explicit Pedigree(int loci) : a(static_cast<std::size_t>(32 * loci * 2)), nSel(loci) {}
  int& at(int member, int li, int copy) {
    return a[(static_cast<std::size_t>(member) * static_cast<std::size_t>(nSel) + static_cast<std::size_t>(li)) * 2 +
             static_cast<std::size_t>(copy)];
  }
};

constexpr int kFounder = 0, kParent = 16, kOffspring = 24;

double pairDistance(Pedigree& ped, int m1, int m2, int maxAllele) {
  int count = 0;
  double sum = 0;
  for (int li = 0; li < ped.nSel; ++li) {
    const int a = ped.at(m1, li, 0), b = ped.at(m1, li, 1), c = ped.at(m2, li, 0), d = ped.at(m2, li, 1);
    if (!isTyped(a, maxAllele) || !isTyped(b, maxAllele) || !isTyped(c, maxAllele) || !isTyped(d, maxAllele)) continue;
    ++count;
    sum += typedDistance(a, b, c, d);
  }
  return count > 0 ? sum / count : 0;
}

void simulate(const GenotypeReader& g, const std::vector<int>& loci, int pop, Random& rng, Pedigree& ped,
              std::array<double, 4>& dgm) {
  const int n = g.nInd(pop);
  const int nSel = static_cast<int>(loci.size());
  for (int f = 0; f < 16; ++f)
    for (int li = 0; li < nSel; ++li) {
      const int k1 = randomIndex(rng, n);
      const int k2 = randomIndex(rng, n);
      ped.at(kFounder + f, li, 0) = g.a1(pop, loci[at(li)], k1);
      ped.at(kFounder + f, li, 1) = g.a2(pop, loci[at(li)], k2);
    }
  // Parent j (1..8) descends from founders j and 17 - j.
  for (int j = 1; j <= 8; ++j)
    for (int li = 0; li < nSel; ++li) {
      const double r1 = rng.uniform(), r2 = rng.uniform();
      ped.at(kParent + j - 1, li, 0) = ped.at(kFounder + j - 1, li, r1 > 0.5 ? 0 : 1);
      ped.at(kParent + j - 1, li, 1) = ped.at(kFounder + 16 - j, li, r2 > 0.5 ? 0 : 1);
    }
  // Offspring A..H and their two parents (1-based parent numbers).
  static constexpr int kParents[8][2] = {{8, 8}, {8, 8}, {1, 2}, {1, 2}, {3, 4}, {3, 5}, {3, 4}, {5, 6}};
  for (int li = 0; li < nSel; ++li)
    for (int o = 0; o < 8; ++o) {
      const double r1 = rng.uniform(), r2 = rng.uniform();
      ped.at(kOffspring + o, li, 0) = ped.at(kParent + kParents[o][0] - 1, li, r1 > 0.5 ? 0 : 1);
      ped.at(kOffspring + o, li, 1) = ped.at(kParent + kParents[o][1] - 1, li, r2 > 0.5 ? 0 : 1);
    }
  // SE = (A, B), FS = (C, D), HS = (E, F), NR = (G, H).
  for (int c = 0; c < 4; ++c) dgm[at(c)] = pairDistance(ped, kOffspring + 2 * c, kOffspring + 2 * c + 1, g.maxAllele);
}

}  // namespace

int roundHalfUp(double x, Rounding r) { return static_cast<int>(roundedHalfUp(x, r)); }

void ciPositions(int NSim, int CILimit, int& CILow, int& CIHigh) {
  if (NSim < 1) {
    CILow = CIHigh = 0;
    return;
  }
  const double x = NSim * (CILimit / 100.0);
  // The quotient and the product are off by an ulp of NSim at most, the difference and the half add none.
  const int low = std::clamp(roundHalfUp((NSim - x) * 0.5, Rounding{4, static_cast<double>(NSim)}), 0, NSim);
  CILow = std::max(low, 1);  // element 0 is no simulation
  CIHigh = NSim - low;
  if (CIHigh < CILow) CIHigh = CILow;
}

double singleLocusDistance(int a1, int a2, int b1, int b2) { return typedDistance(a1, a2, b1, b2); }

ClassBounds boundsOf(const SimulatedIntervals& s, int pop) {
  ClassBounds b;
  b.loSE = s.SimSE(pop, s.CILow);
  b.hiSE = s.SimSE(pop, s.CIHigh);
  b.loFS = s.SimFS(pop, s.CILow);
  b.hiFS = s.SimFS(pop, s.CIHigh);
  b.loHS = s.SimHS(pop, s.CILow);
  b.hiHS = s.SimHS(pop, s.CIHigh);
  b.loNR = s.SimNR(pop, s.CILow);
  b.hiNR = s.SimNR(pop, s.CIHigh);
  return b;
}

// The distance and the bounds are all sums of halves over counts of loci, correctly rounded: the raw
// comparisons decide as exact arithmetic does (see PopulationPairs::row).
KinClass relationshipClass(double d, const ClassBounds& b) {
  if (b.loSE <= d && d <= b.hiSE) return KinClass::SE;
  if (b.loFS <= d && d <= b.hiFS) return KinClass::FS;
  if (b.hiFS <= d && d <= b.loHS) return KinClass::FS_HS;
  if (b.loHS <= d && d <= b.hiHS) return KinClass::HS;
  if (b.hiHS <= d && d <= b.loNR) return KinClass::HS_NR;
  if (d >= b.loNR) return KinClass::NR;
  return KinClass::NN;
}

// Raw comparisons for the reason relationshipClass gives.
std::string pairsClassText(double d, const ClassBounds& b) {
  std::string ci;
  if (d < b.loFS) ci = "<FS";
  if (b.loFS <= d && d <= b.hiFS) ci = " FS";
  if (b.loHS <= d && d <= b.hiHS) ci += " HS";
  if (d >= b.loNR) ci += " NR";
  if (ci.empty()) {
    if (b.hiFS < d && d < b.loHS) ci = "FS/HS";
    if (b.hiHS < d && d < b.loNR) ci = "HS/NR";
  }
  return ci;
}

Vec1<Cell>& KinshipResults::classShare(KinClass c) {
  return const_cast<Vec1<Cell>&>(static_cast<const KinshipResults*>(this)->classShare(c));
}

const Vec1<Cell>& KinshipResults::classShare(KinClass c) const {
  switch (c) {
    case KinClass::SE: return KinPSE;
    case KinClass::FS: return KinPFS;
    case KinClass::FS_HS: return KinPFSHS;
    case KinClass::HS: return KinPHS;
    case KinClass::HS_NR: return KinPHSNR;
    case KinClass::NR: return KinPNR;
    case KinClass::NN: break;
  }
  return KinPNN;
}

void Sim_CI_DGM(const GenotypeReader& g, int NSim, int CILimit, std::uint64_t runSeed, const ProgressFn& progress,
                SimulatedIntervals& out) {
  out.NSim = NSim < 1 ? 0 : NSim;
  out.CILimit = CILimit;
  ciPositions(out.NSim, CILimit, out.CILow, out.CIHigh);
  for (Table2<double>* t : {&out.SimSE, &out.SimFS, &out.SimHS, &out.SimNR}) t->resize(g.nPop, out.NSim, 0.0);
  out.Simulated = makeVec1<int>(g.nPop);
  if (out.NSim == 0) return;

  const std::vector<int> loci = selectedLoci(g);
  std::vector<int> pops;
  for (int p = 1; p <= g.nPop; ++p)
    if (g.popOn(p) && g.nInd(p) >= 1) pops.push_back(p);  // an empty population has no one to draw
  const double total = static_cast<double>(out.NSim) * static_cast<double>(pops.size());
  double done = 0;

  // Simulations go out in chunks; the progress shows after each block of chunks.
  constexpr int kChunk = 32, kBlock = 2048;
  for (int p : pops) {
    forEachBlock(
        1, out.NSim, kBlock, kChunk, kNoBlockStep,
        [&](int, long long k0, long long k1) {
          Pedigree ped(static_cast<int>(loci.size()));
          std::array<double, 4> dgm{};
          for (int k = static_cast<int>(k0); k <= k1; ++k) {
            Random rng = Random::stream(runSeed, p, k);
            simulate(g, loci, p, rng, ped, dgm);
            out.SimSE(p, k) = dgm[0];
            out.SimFS(p, k) = dgm[1];
            out.SimHS(p, k) = dgm[2];
            out.SimNR(p, k) = dgm[3];
          }
        },
        [&](long long first, long long last) {
          done += static_cast<double>(last - first + 1);
          if (progress) progress(progressText("sim CI ", 100 * done / total));
        });
  }
  for (int p : pops) {
    const std::string text = "Sort CI-values of pop " + std::to_string(p);
    if (progress) progress(text);
    std::vector<SortSpan> rows;
    for (Table2<double>* t : {&out.SimSE, &out.SimFS, &out.SimHS, &out.SimNR}) {
      double* row = &(*t)(p, 1);
      rows.push_back({row, row + out.NSim});
    }
    sortInSteps(std::move(rows), [&] {
      if (progress) progress(text);
    });
    out.Simulated[at(p)] = 1;
  }
}

void Kinship_Ind_Pairs(const GenotypeReader& g, const Vec1<std::string>& PopName, const AlleleFreqTable& AlleleFreq,
                       const Table2<double>& GeoDist, double geoRounding, const AnalysisOptions& o,
                       const SimulatedIntervals* intervals,
                       PairsFile* pairs, const ProgressFn& progress, KinshipResults& out) {
  const int nPop = g.nPop;
  for (Vec1<int>* v : {&out.KinNP, &out.KinND00, &out.KinND05, &out.KinND10, &out.KinNK}) *v = makeVec1<int>(nPop);
  for (Vec1<Cell>* v : {&out.KinMinGDM, &out.KinMeanGDM, &out.KinMaxGDM, &out.KinP125, &out.KinP250, &out.KinPGt250,
                        &out.KinMeanK, &out.KinPSE, &out.KinPFS, &out.KinPFSHS, &out.KinPHS, &out.KinPHSNR, &out.KinPNR,
                        &out.KinPNN})
    *v = makeVec1<Cell>(nPop);

  const std::vector<int> loci = selectedLoci(g);
  const int nSel = static_cast<int>(loci.size());
  // A pair needs this many loci typed in both; at least one, or its distance is undefined.
  // The share as read and the product are each off by half an ulp of the product.
  const int minLoci = std::max(1, roundHalfUp(o.KinMinData * nSel, Rounding{2}));

  std::vector<bool> selected(at(nPop) + 1, false);
  for (int p = 1; p <= nPop; ++p) selected[at(p)] = g.popOn(p);
  const LocusCodes codes = kinshipCodes(g, loci, AlleleFreq);
  Reference pooled = weightedReference(g, loci, codes, AlleleFreq, selected);
  finishReference(pooled, loci.size());
  const bool neighbours = o.FlagKinFreqNeighbours == 1;
  const bool allPops = !neighbours && o.FlagKinFreqAllPops == 1;

  double progTotal = 0, steps = 0;
  for (int p = 1; p <= nPop; ++p)
    if (g.popOn(p) && g.nInd(p) > 1) progTotal += g.nInd(p);

  for (int i = 1; i <= nPop; ++i) {
    const int n = g.nInd(i);
    if (!g.popOn(i) || n < 2) continue;

    Reference local;
    const Reference* ref = &pooled;
    if (neighbours) {
      local = weightedReference(g, loci, codes, AlleleFreq, neighbourhood(g, GeoDist, geoRounding, i, o.KinNNeighbours));
      finishReference(local, loci.size());
      ref = &local;
    } else if (!allPops) {
      local = ownReference(g, loci, codes, AlleleFreq, i);
      finishReference(local, loci.size());
      ref = &local;
    }

    ClassBounds bounds;
    const bool classify = intervals && intervals->NSim >= 1 && i < static_cast<int>(intervals->Simulated.size()) &&
                          intervals->Simulated[at(i)] == 1;
    if (classify) bounds = boundsOf(*intervals, i);

    PopulationPairs work;
    work.n = n;
    work.nSel = nSel;
    work.minLoci = minLoci;
    work.ref = ref;
    work.bounds = classify ? &bounds : nullptr;
    work.writeLines = pairs != nullptr;
    work.name = &PopName[at(i)];
    work.geno.assign(static_cast<std::size_t>(n) * at(nSel) * 2, -1);
    for (int li = 0; li < nSel; ++li) {
      const int l = loci[at(li)];
      const LocusCodes::Slots place = codes.slotsOf(l);
      for (int j = 1; j <= n; ++j) {
        const int a = g.a1(i, l, j), b = g.a2(i, l, j);
        int* cell = work.geno.data() + (static_cast<std::size_t>(j - 1) * at(nSel) + at(li)) * 2;
        cell[0] = isTyped(a, g.maxAllele) ? place[a] : -1;
        cell[1] = isTyped(b, g.maxAllele) ? place[b] : -1;
      }
    }

    // Rows (first individuals) go out in blocks of about kBlockPairs pairs; the blocks are merged in row
    // order, so the sums and the lines do not depend on the number of threads.
    constexpr long kBlockPairs = 1 << 16;
    RowTally sum;
    for (int x0 = 0; x0 < n - 1;) {
      int x1 = x0;
      long pairsInBlock = 0;
      while (x1 < n - 1 && pairsInBlock < kBlockPairs) pairsInBlock += n - 1 - x1++;
      std::vector<RowTally> rows(at(x1 - x0));
      parallelFor(x1 - x0, [&](int r) { work.row(x0 + r, rows[at(r)]); });
      for (RowTally& t : rows) {
        sum.np += t.np;
        sum.nd00 += t.nd00;
        sum.nd05 += t.nd05;
        sum.nd10 += t.nd10;
        sum.nk += t.nk;
        sum.k125 += t.k125;
        sum.k250 += t.k250;
        sum.kGt250 += t.kGt250;
        sum.sumD += t.sumD;
        sum.sumK += t.sumK;
        sum.minD = std::min(sum.minD, t.minD);
        sum.maxD = std::max(sum.maxD, t.maxD);
        for (int c = 0; c < kKinClasses; ++c) sum.cls[at(c)] += t.cls[at(c)];
        if (pairs) pairs->write(t.lines);
      }
      steps += x1 - x0;
      x0 = x1;
      if (progress) progress(progressText("compute pairs ", 100 * steps / progTotal));
    }

    out.KinNP[at(i)] = sum.np;
    out.KinND00[at(i)] = sum.nd00;
    out.KinND05[at(i)] = sum.nd05;
    out.KinND10[at(i)] = sum.nd10;
    out.KinNK[at(i)] = sum.nk;
    if (sum.np > 0) {
      out.KinMinGDM[at(i)] = sum.minD;
      out.KinMaxGDM[at(i)] = sum.maxD;
      out.KinMeanGDM[at(i)] = sum.sumD / sum.np;
      if (classify)
        for (int c = 0; c < kKinClasses; ++c)
          out.classShare(static_cast<KinClass>(c))[at(i)] = static_cast<double>(sum.cls[at(c)]) / sum.np;
    }
    if (sum.nk > 0) {
      out.KinMeanK[at(i)] = sum.sumK / sum.nk;
      out.KinP125[at(i)] = static_cast<double>(sum.k125) / sum.nk;
      out.KinP250[at(i)] = static_cast<double>(sum.k250) / sum.nk;
      out.KinPGt250[at(i)] = static_cast<double>(sum.kGt250) / sum.nk;
    }
  }
}

KinshipResults Run_Kinship(const KinshipInput& in, const RunContext& run) {
  const AnalysisOptions& o = in.options;
  const ProgressFn progress = run.progressFn();
  KinshipResults out;
  const SimulatedIntervals* intervals = nullptr;
  if (o.FlagSimulateCI == 1) {
    // One seed per run; every simulated pedigree derives a stream of its own from it.
    Sim_CI_DGM(in.genotypes, o.NSim, o.CILimit, run.seed(), progress, out.sim);
    intervals = &out.sim;
  }
  // The pairs file is opened once for the run and written as the pairs are evaluated.
  PairsFile file;
  PairsFile* pairs = nullptr;
  if (!o.PairsFileName.empty()) {
    if (file.create(o.PairsFileName)) pairs = &file;
    else
      run.message("The pairs file " + o.PairsFileName + " cannot be created (" + file.problem().message() +
                  ")! The analysis goes on without it.");
  }
  Kinship_Ind_Pairs(in.genotypes, *in.popNames, *in.alleleFreq, *in.geoDist, in.geoRounding, o, intervals, pairs, progress, out);
  if (pairs) {
    if (file.close())
      noteFileKeptByRun(o.PairsFileName);  // a stop during the rest of the analysis leaves it
    else
      run.message("The pairs file " + o.PairsFileName + " could not be written completely (" +
                  file.problem().message() + ")! An earlier file of that name is unchanged.");
  }
  return out;
}

}  // namespace kiwora
