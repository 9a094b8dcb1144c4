#include "stats/differentiation.h"

#include <cmath>
#include <vector>

namespace kiwora {
namespace {

// Farther than any distance a data set holds: a population this far away is never a neighbour.
constexpr double kNoNeighbour = 1000000000.0;

// Unweighted mean frequencies (locus, allele 1..maxAllele) of the populations `members`.
Table2<double> complementOf(const GenotypeView& v, const Table3<double>& AlleleFreq, const std::vector<int>& members) {
  Table2<double> c(v.nLoci, v.maxAllele);
  for (int q : members)
    for (int l = 1; l <= v.nLoci; ++l) {
      if (!v.locOn(l)) continue;
      const double* f = AlleleFreq.row(q, l);
      for (int a = 1; a <= v.maxAllele; ++a) c(l, a) += f[a];
    }
  const double k = static_cast<double>(members.size());
  for (int l = 1; l <= v.nLoci; ++l)
    if (v.locOn(l))
      for (int a = 1; a <= v.maxAllele; ++a) c(l, a) /= k;
  return c;
}

double djAt(const GenotypeView& v, const Table3<double>& AlleleFreq, const Table2<double>& c, int p, int l) {
  const double* f = AlleleFreq.row(p, l);
  double d = 0;
  for (int a = 1; a <= v.maxAllele; ++a) d += 0.5 * std::fabs(f[a] - c(l, a));
  return d;
}

}  // namespace

bool Calc_Dj(const GenotypeView& v, const Table3<double>& AlleleFreq, Table2<double>& DjLocPop, Vec1<double>& DjPop,
             Vec1<double>& DjLoc, double& DjTotal) {
  DjLocPop.resize(v.nPop, v.nLoci);
  DjPop = makeVec1<double>(v.nPop);
  DjLoc = makeVec1<double>(v.nLoci);
  DjTotal = 0;
  const std::vector<int> pops = v.selectedPops();
  int nLoc = v.selectedLoci();
  if (pops.size() < 2 || nLoc == 0) return false;

  // Each population writes only its own row and cell.
  for (int p : pops) {
    std::vector<int> others;
    for (int q : pops)
      if (q != p) others.push_back(q);
    const Table2<double> c = complementOf(v, AlleleFreq, others);
    double sum = 0;
    for (int l = 1; l <= v.nLoci; ++l) {
      if (!v.locOn(l)) continue;
      DjLocPop(p, l) = djAt(v, AlleleFreq, c, p, l);
      sum += DjLocPop(p, l);
    }
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

void Calc_Dj_Neighbours(const GenotypeView& v, const Table3<double>& AlleleFreq, const Table2<double>& GeoDist,
                        int NNeighbours, Table2<Cell>& DjNbLocPop, Vec1<Cell>& DjNbPop) {
  DjNbLocPop.resize(v.nPop, v.nLoci);
  DjNbPop = makeVec1<Cell>(v.nPop);
  if (NNeighbours < 1) NNeighbours = 1;
  int nLoc = v.selectedLoci();
  if (nLoc == 0) return;

  // Each population chooses its own neighbours and writes only its own row and cell.
  for (int p = 1; p <= v.nPop; ++p) {
    if (!v.popOn(p)) continue;
    std::vector<char> marked(static_cast<std::size_t>(v.nPop) + 1, 0);
    std::vector<int> neighbours;
    for (int choice = 0; choice < NNeighbours; ++choice) {
      int found = 0;
      double m = kNoNeighbour;
      for (int q = 1; q <= v.nPop; ++q) {
        if (q == p || !v.popOn(q) || marked[static_cast<std::size_t>(q)]) continue;
        // Strictly less: the smaller number wins a tie, and an undefined distance never wins.
        if (GeoDist(p, q) < m) {
          m = GeoDist(p, q);
          found = q;
        }
      }
      if (found == 0) break;
      marked[static_cast<std::size_t>(found)] = 1;
      neighbours.push_back(found);
    }
    if (neighbours.empty()) continue;

    const Table2<double> c = complementOf(v, AlleleFreq, neighbours);
    double sum = 0;
    for (int l = 1; l <= v.nLoci; ++l) {
      if (!v.locOn(l)) continue;
      const double d = djAt(v, AlleleFreq, c, p, l);
      DjNbLocPop(p, l) = d;
      sum += d;
    }
    DjNbPop[static_cast<std::size_t>(p)] = sum / nLoc;
  }
}

}  // namespace kiwora
