#include "stats/differentiation.h"

#include <cmath>
#include <vector>

#include "base/tolerance.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

// Farther than any distance a data set holds: a population this far away is never a neighbour.
constexpr double kNoNeighbour = 1000000000.0;

}  // namespace

bool Calc_Dj(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, Table2<double>& DjLocPop, Vec1<double>& DjPop,
             Vec1<double>& DjLoc, double& DjTotal, const PresentCodeLists* presentCodes) {
  DjLocPop.resize(v.nPop, v.nLoci);
  DjPop = makeVec1<double>(v.nPop);
  DjLoc = makeVec1<double>(v.nLoci);
  DjTotal = 0;
  const std::vector<int> pops = v.selectedPops();
  int nLoc = v.selectedLoci();
  if (pops.size() < 2 || nLoc == 0) return false;

  // A population's complement at a locus is the locus total without the population, over the others.
  const double others = static_cast<double>(pops.size() - 1);
  parallelFor(v.nLoci, [&](int i) {
    const int l = i + 1;
    if (!v.locOn(l)) return;
    const CompactFrequencies c = compactFrequencies(v, AlleleFreq, l, pops, presentCodes, 1);
    const std::size_t nCodes = c.codes.size();
    std::vector<double> total(nCodes, 0.0), complement(nCodes);
    for (std::size_t pi = 0; pi < pops.size(); ++pi)
      for (std::size_t k = 0; k < nCodes; ++k) total[k] += c.of(pi)[k];
    for (std::size_t pi = 0; pi < pops.size(); ++pi)
      DjLocPop(pops[pi], l) = djAgainstTheOthers(c.of(pi), total.data(), others, complement.data(), nCodes);
  });

  for (int p : pops) {
    double sum = 0;
    for (int l = 1; l <= v.nLoci; ++l)
      if (v.locOn(l)) sum += DjLocPop(p, l);
    DjPop[static_cast<std::size_t>(p)] = sum / nLoc;
  }
  const double k = static_cast<double>(pops.size());
  for (int l = 1; l <= v.nLoci; ++l) {
    if (!v.locOn(l)) continue;
    double sum = 0;
    for (int p : pops) sum += DjLocPop(p, l);
    DjLoc[static_cast<std::size_t>(l)] = sum / k;
  }
  for (int p : pops) DjTotal += DjPop[static_cast<std::size_t>(p)];
  DjTotal /= k;
  return true;
}

void Calc_Dj_Neighbours(const GenotypeView& v, const AlleleFreqTable& AlleleFreq, const Table2<double>& GeoDist,
                        double geoRounding, int NNeighbours, Table2<Cell>& DjNbLocPop, Vec1<Cell>& DjNbPop,
                        const PresentCodeLists* presentCodes) {
  DjNbLocPop.resize(v.nPop, v.nLoci);
  DjNbPop = makeVec1<Cell>(v.nPop);
  if (NNeighbours < 1) NNeighbours = 1;
  int nLoc = v.selectedLoci();
  if (nLoc == 0) return;
  const std::vector<int> pops = v.selectedPops();
  std::vector<int> slot(static_cast<std::size_t>(v.nPop) + 1, 0);  // population -> its place in `pops`
  for (std::size_t i = 0; i < pops.size(); ++i) slot[static_cast<std::size_t>(pops[i])] = static_cast<int>(i);
  std::vector<CompactFrequencies> freq(static_cast<std::size_t>(v.nLoci) + 1);
  parallelFor(v.nLoci, [&](int i) {
    if (v.locOn(i + 1)) freq[static_cast<std::size_t>(i) + 1] = compactFrequencies(v, AlleleFreq, i + 1, pops, presentCodes, 1);
  });

  // Each population chooses its own neighbours and writes only its own row and cell.
  parallelFor(static_cast<int>(pops.size()), [&](int pi) {
    const int p = pops[static_cast<std::size_t>(pi)];
    std::vector<char> marked(static_cast<std::size_t>(v.nPop) + 1, 0);
    std::vector<int> neighbours;
    // The smaller number wins a tie (distances within the coordinates' rounding of each other), and an
    // undefined distance never wins.
    const auto distance = [&](std::size_t k) {
      const int q = pops[k];
      return q == p || marked[static_cast<std::size_t>(q)] ? kNoNeighbour : GeoDist(p, q);
    };
    for (int choice = 0; choice < NNeighbours; ++choice) {
      const std::size_t k = firstOfSmallest(pops.size(), distance, kNoNeighbour, absoluteRounding(geoRounding));
      if (k == pops.size()) break;
      marked[static_cast<std::size_t>(pops[k])] = 1;
      neighbours.push_back(pops[k]);
    }
    if (neighbours.empty()) return;

    // The complement is the unweighted mean of the neighbours, summed in the order they were chosen.
    const double k = static_cast<double>(neighbours.size());
    double sum = 0;
    std::vector<double> complement;
    for (int l = 1; l <= v.nLoci; ++l) {
      if (!v.locOn(l)) continue;
      const CompactFrequencies& c = freq[static_cast<std::size_t>(l)];
      complement.assign(c.codes.size(), 0.0);
      for (int q : neighbours) {
        const double* f = c.of(static_cast<std::size_t>(slot[static_cast<std::size_t>(q)]));
        for (std::size_t a = 0; a < complement.size(); ++a) complement[a] += f[a];
      }
      for (double& x : complement) x /= k;
      const double d = djAtLocus(c.of(static_cast<std::size_t>(pi)), complement.data(), complement.size());
      DjNbLocPop(p, l) = d;
      sum += d;
    }
    DjNbPop[static_cast<std::size_t>(p)] = sum / nLoc;
  });
}

}  // namespace kiwora
