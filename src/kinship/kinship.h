#pragma once
// Genetic distance and kinship among the individuals of each population, and the simulated confidence
// intervals of the multilocus distance DGM for selfings, full sibs, half sibs and unrelated pairs.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/run_context.h"
#include "model/allele_freq_table.h"
#include "model/analysis_options.h"
#include "base/cell.h"
#include "base/table.h"
#include "base/tolerance.h"
#include "stats/genotype_view.h"

namespace kiwora {

class PairsFile;

// Relationship classes of a pair, in the order in which they are tried.
enum class KinClass { SE, FS, FS_HS, HS, HS_NR, NR, NN };
inline constexpr int kKinClasses = 7;

// The simulated DGM of each relationship class, per population sorted ascending.
struct SimulatedIntervals {
  int NSim = 0;     // simulations per population of the run that filled the tables; 0 = none
  int CILimit = 0;  // confidence level in percent of that run
  int CILow = 0, CIHigh = 0;  // positions of the lower and upper bound in each sorted row (1..NSim)
  Table2<double> SimSE, SimFS, SimHS, SimNR;  // (population 0..NPop, simulation 0..NSim)
  Vec1<int> Simulated;  // (population) 1 where the row holds simulations
};

// The bounds of one population: lo = element CILow, hi = element CIHigh of each sorted series.
struct ClassBounds {
  double loSE = 0, hiSE = 0, loFS = 0, hiFS = 0, loHS = 0, hiHS = 0, loNR = 0, hiNR = 0;
};
ClassBounds boundsOf(const SimulatedIntervals& s, int pop);

struct KinshipResults {
  // Per population 0..NPop; populations that are not evaluated keep empty (undefined) cells.
  Vec1<int> KinNP;      // evaluated pairs
  Vec1<int> KinND00;    // pairs with DGM = 0
  Vec1<int> KinND05;    // 0 < DGM <= 0.05
  Vec1<int> KinND10;    // 0.05 < DGM <= 0.10
  Vec1<Cell> KinMinGDM, KinMeanGDM, KinMaxGDM;  // over the evaluated pairs
  Vec1<int> KinNK;      // evaluated pairs with a kinship value (reference variance above 0)
  Vec1<Cell> KinP125;   // share of KinNK with 0.05 < Kin <= 0.125
  Vec1<Cell> KinP250;   // 0.125 < Kin <= 0.25
  Vec1<Cell> KinPGt250; // Kin > 0.25
  Vec1<Cell> KinMeanK;  // mean Kin over KinNK
  // Shares of the evaluated pairs in the classes SE, FS, FS_HS, HS, HS_NR, NR, NN; only with intervals
  // simulated in the same run and at least one evaluated pair.
  Vec1<Cell> KinPSE, KinPFS, KinPFSHS, KinPHS, KinPHSNR, KinPNR, KinPNN;
  SimulatedIntervals sim;

  Vec1<Cell>& classShare(KinClass c);
  const Vec1<Cell>& classShare(KinClass c) const;
};

// Nearest whole number, a half within the rounding r rounded up (positions and minimum counts).
int roundHalfUp(double x, Rounding r);

// Positions of the bounds in sorted series of NSim values for a level of CILimit percent. The lower
// position is at least 1, so a bound is always a simulated value.
void ciPositions(int NSim, int CILimit, int& CILow, int& CIHigh);

// Single-locus distance of two genotypes: 0 identical, 0.5 one shared allele copy, 1 none shared.
double singleLocusDistance(int a1, int a2, int b1, int b2);

// The first class of SE, FS, FS_HS, HS, HS_NR, NR whose bounds (inclusive) hold dgm; NN otherwise.
KinClass relationshipClass(double dgm, const ClassBounds& b);

// The pairs file's class text: "<FS" or " FS", then " HS", then " NR"; "FS/HS" or "HS/NR" in a gap.
std::string pairsClassText(double dgm, const ClassBounds& b);

// Simulates NSim pedigrees for every selected population, each from a random stream of its own derived
// from runSeed, and stores the sorted DGM series with their bound positions. NSim below 1 simulates
// nothing (out.NSim = 0).
void Sim_CI_DGM(const GenotypeReader& g, int NSim, int CILimit, std::uint64_t runSeed, const ProgressFn& progress,
                SimulatedIntervals& out);

// Evaluates every pair of individuals within each selected population of more than one individual over
// the selected loci, fills the tallies of `out` (its simulated intervals are not touched) and, when a
// pairs file is given, writes one line per evaluated pair. `intervals`: the series simulated in this run,
// or null; only with them are pairs classified. `geoRounding` (Calc_Geo_Distances) decides ties among the
// neighbours of the neighbour reference. Kin = Sxy / Spq + 1 / (2N - 1), N the individuals of the
// reference: its 2N genes make the term that leaves unrelated pairs at 0 in expectation.
void Kinship_Ind_Pairs(const GenotypeReader& g, const Vec1<std::string>& PopName, const AlleleFreqTable& AlleleFreq,
                       const Table2<double>& GeoDist, double geoRounding, const AnalysisOptions& o, const SimulatedIntervals* intervals,
                       PairsFile* pairs, const ProgressFn& progress, KinshipResults& out);

// What a kinship run reads, taken when it starts: the genotypes with their selection, the population names
// for the pairs file, the allele frequencies and geographic distances of the analysis it belongs to, and a
// copy of the options (FlagSimulateCI, NSim, CILimit, KinMinData, the reference frequencies, PairsFileName).
struct KinshipInput {
  GenotypeReader genotypes;
  const Vec1<std::string>* popNames = nullptr;
  const AlleleFreqTable* alleleFreq = nullptr;
  const Table2<double>* geoDist = nullptr;
  double geoRounding = 0;  // of two geoDist values compared (Calc_Geo_Distances)
  AnalysisOptions options;
};

// Kinship with its intervals as one run: the intervals are simulated first when FlagSimulateCI is 1 (only
// then is the context's seed asked for), then the pairs are evaluated and classified by them. With a
// PairsFileName the pairs file is written as the pairs are evaluated; one that cannot be created or
// written completely is a message through the context, and the run goes on. Progress steps come as the
// simulations and the pairs advance; a stop request ends the run at one of them (RunStopped), leaving an
// earlier pairs file as it was.
KinshipResults Run_Kinship(const KinshipInput& in, const RunContext& run);

}  // namespace kiwora
