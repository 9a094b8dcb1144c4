#pragma once
// Simulated groups for the exclusion probabilities: a group of a test group's size and missing data drawn
// from one reference population, by allele frequencies (corrected by F-values and the 99% interval) or by
// recombining the population's own genotypes. Every generator reads the reference tables only and writes
// into a buffer owned by the caller, with a random stream of the caller's, so groups can be drawn on many
// threads at once and every group's draws depend only on its stream.
#include <vector>

#include "model/allele_freq_table.h"
#include "model/assignment_options.h"
#include "base/cell.h"
#include "model/genotypes.h"
#include "base/table.h"
#include "base/random.h"

namespace kiwora {

// What a simulated group is drawn from and what it imitates. Every pointer is read only while groups are
// drawn; the tables behind them must outlive the SimulationReference built from this.
struct SimulationSource {
  int nLoci = 0;
  const GenotypeData* ref = nullptr;   // reference genotypes (population, locus, member)
  const GenotypeData* test = nullptr;  // test groups as read (group, locus, member)
  const Vec1<int>* locSel = nullptr;   // 0..nLoci
  const Vec1<int>* locMode = nullptr;  // 0..nLoci: 1 bi-parental, 2 maternal, 3 paternal
  // Generator 1 only.
  const AlleleFreqTable* alleleFreq = nullptr;  // (population, locus, code)
  const Table2<int>* geneCount = nullptr;      // (population, locus): typed copies behind the frequencies
  const Table2<Cell>* fis = nullptr;           // (population, locus)
};

// A source prepared for one run: per population and locus the codes of positive frequency (generator 1)
// or the members whose first / second copy is typed (generators 4 and 5). Built once, then shared.
class SimulationReference {
 public:
  SimulationReference(const SimulationSource& src, SimGenerator method);

  const SimulationSource& source() const { return src_; }
  SimGenerator method() const { return method_; }
  // Codes of positive frequency of population p at locus l, ascending (generator 1).
  const std::vector<int>& presentCodes(int p, int l) const { return present_[cell(p, l)]; }
  // Their frequencies, in the same order.
  const std::vector<double>& presentFreqs(int p, int l) const { return presentFreq_[cell(p, l)]; }
  // What generator 1 would otherwise work out per simulated group: the half-width of the first present
  // code's 99% interval before its random part (0 without typed copies) and Fis where positive, else 0.
  double halfWidth(int p, int l) const { return halfWidth_[cell(p, l)]; }
  double positiveFis(int p, int l) const { return fis_[cell(p, l)]; }
  // The most present codes of population p at a locus, rounded up to an even count, and the frequencies
  // of each locus padded with zeros to that many.
  int widestLocus(int p) const { return widest_[static_cast<std::size_t>(p)]; }
  const double* paddedFreqs(int p, int l) const { return padded_.data() + paddedCell_[cell(p, l)]; }
  // Members of p whose first (copy 1) or second (copy 2) allele at l is typed (generators 4 and 5).
  const std::vector<int>& typedMembers(int copy, int p, int l) const {
    return copy == 1 ? typed1_[cell(p, l)] : typed2_[cell(p, l)];
  }

 private:
  std::size_t cell(int p, int l) const {
    return static_cast<std::size_t>(p) * static_cast<std::size_t>(src_.nLoci + 1) + static_cast<std::size_t>(l);
  }
  SimulationSource src_;
  SimGenerator method_;
  std::vector<std::vector<int>> present_, typed1_, typed2_;
  std::vector<std::vector<double>> presentFreq_;
  std::vector<double> halfWidth_, fis_;
  std::vector<int> widest_;  // [p]
  std::vector<double> padded_;
  std::vector<std::size_t> paddedCell_;
};

// The first code whose running share (cumulative, ascending) exceeds u; when rounding leaves the last
// running share at or below u, the last code whose own share is positive; missing without codes.
inline int codeAtShare(const int* codes, const double* cumulative, std::size_t n, double u) {
  for (std::size_t i = 0; i < n; ++i)
    if (u < cumulative[i]) return codes[i];
  for (std::size_t i = n; i-- > 0;)
    if (cumulative[i] > (i > 0 ? cumulative[i - 1] : 0.0)) return codes[i];
  return kMissing;
}
inline int codeAtShare(const std::vector<int>& codes, const std::vector<double>& cumulative, double u) {
  return codeAtShare(codes.data(), cumulative.data(), codes.size(), u);
}

// The place of codeAtShare's code among the n codes (-1 for missing), for running shares that never
// decrease, as sums of shares of at least 0 are: then the codes whose running share is at or below u are
// a prefix, and counting them finds the same code as the walk without a branch per code.
inline int placeAtShare(const double* cumulative, int n, double u) {
  int below = 0;
  for (int i = 0; i < n; ++i) below += cumulative[i] <= u;
  if (below < n) return below;
  for (int i = n; i-- > 0;)
    if (cumulative[i] > (i > 0 ? cumulative[i - 1] : 0.0)) return i;
  return -1;
}

// A buffer for the simulated groups of test group g: one slot of the group's size.
GenotypeData groupBuffer(const GenotypeData& test, int g);

// Working tables of the generators, kept by the caller across simulated groups so that drawing one
// allocates nothing once they have grown.
struct SimScratch {
  // Generator 1: the running shares of the corrected frequencies of every locus, one after the other.
  std::vector<double> cumulative;
  struct LocusDraw {
    int shares = -1;  // offset of the locus's running shares; -1: nothing to draw from
    int nCodes = 0;
    double fis = 0;
    const int* test1 = nullptr;
    const int* test2 = nullptr;
  };
  std::vector<LocusDraw> loci;  // [l]
  // The drawn places among the present codes of the population, -1 for a missing copy:
  // [l * (members + 1) + i], first and second copy.
  std::vector<int> place1, place2;
  int stride = 0;  // members + 1
  static constexpr std::size_t kSlack = 8;  // readable places past the last
};

// Generator 1's draws for test group g from population p into scratch's places; Sim_Geno_Freq_CI writes
// them as codes. Callers that only score the group read the places.
void drawFreqCIPlaces(const SimulationReference& r, int g, int p, Random& rng, SimScratch& scratch);

// Each writes a simulated group of test group g's size and missing data, every locus 1..nLoci, drawn from
// reference population p with `rng`, into slot 1 of `sim` (made by groupBuffer for g). A copy that cannot be drawn (a population without members, a
// locus without a typed copy or frequency there) is written missing.
void Sim_Geno_Freq_CI(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);
void Sim_Geno_Freq_CI(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim, SimScratch& scratch);
void Sim_Geno_MLHap(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);
void Sim_Geno_SLGeno(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);
void Sim_Geno_Alleles(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);
void Sim_Geno_Alleles_Hap(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);

// The generator of r.method().
void simulateGroup(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim);
void simulateGroup(const SimulationReference& r, int g, int p, Random& rng, GenotypeData& sim, SimScratch& scratch);

// Index of the random stream of simulation k for group g and population p (0 where a draw picks them).
std::uint64_t simulationStreamIndex(int k, int g, int p, int nGroups, int nPop);

}  // namespace kiwora
