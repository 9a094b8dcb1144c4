#include "stats/distances.h"

#include <cmath>

namespace kiwora {

bool Calc_Dist_Gregorius(const GenotypeView& v, const Table3<double>& AlleleFreq, Table3<double>& DistDG,
                         Table2<double>& DistDGMean) {
  DistDG.resize(v.nPop, v.nPop, v.nLoci);
  DistDGMean.resize(v.nPop, v.nPop);
  int n = v.selectedLoci();
  if (n == 0) return false;

  // Each P writes only its own row, so the rows can be computed in parallel.
  for (int p = 1; p <= v.nPop; ++p) {
    if (!v.popOn(p)) continue;
    for (int q = 1; q <= v.nPop; ++q) {
      if (!v.popOn(q)) continue;
      double mean = 0;
      for (int l = 1; l <= v.nLoci; ++l) {
        if (!v.locOn(l)) continue;
        const double* fp = AlleleFreq.row(p, l);
        const double* fq = AlleleFreq.row(q, l);
        double d = 0;
        for (int a = 0; a <= v.maxAllele; ++a) d += 0.5 * std::fabs(fp[a] - fq[a]);
        if (d > 1) d = 1;
        DistDG(p, q, l) = d;
        mean += d;
      }
      DistDGMean(p, q) = mean / n;
    }
  }
  return true;
}

void Calc_Dist_Nei(const GenotypeView& v, const Table3<double>& AlleleFreq, const Table2<int>& GeneCount,
                   Table3<Cell>& DistDN, Table2<Cell>& DistDNMean) {
  DistDN.resize(v.nPop, v.nPop, v.nLoci);
  DistDNMean.resize(v.nPop, v.nPop);
  // -ln of an identity; the identity cannot exceed 1, so rounding above it is taken as 1.
  auto distance = [](double jxy, double jx, double jy) -> Cell {
    const double root = std::sqrt(jx * jy);
    const double identity = root > 0 ? jxy / root : 0;
    if (identity == 0) return std::nullopt;
    return identity >= 1 ? 0.0 : -std::log(identity);
  };

  for (int p = 1; p <= v.nPop; ++p) {
    if (!v.popOn(p)) continue;
    for (int q = 1; q <= v.nPop; ++q) {
      if (!v.popOn(q)) continue;
      double sxy = 0, sx = 0, sy = 0;
      for (int l = 1; l <= v.nLoci; ++l) {
        if (!v.locOn(l) || GeneCount(p, l) <= 0 || GeneCount(q, l) <= 0) continue;
        const double* fp = AlleleFreq.row(p, l);
        const double* fq = AlleleFreq.row(q, l);
        double jxy = 0, jx = 0, jy = 0;
        for (int a = 0; a <= v.maxAllele; ++a) {
          jxy += fp[a] * fq[a];
          jx += fp[a] * fp[a];
          jy += fq[a] * fq[a];
        }
        sxy += jxy;
        sx += jx;
        sy += jy;
        DistDN(p, q, l) = distance(jxy, jx, jy);
      }
      DistDNMean(p, q) = sxy == 0 ? Cell{} : distance(sxy, sx, sy);
    }
  }
}

}  // namespace kiwora
