#include "analysis/quality_check.h"

#include <cstdlib>

#include "analysis/report_frame.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

// The number that a value printed through the mask shows.
double shown(double v, const std::string& mask) { return std::strtod(masked(v, mask, '.').c_str(), nullptr); }

template <class T>
const T* at(const Vec1<T>& v, int k) {
  return k >= 0 && static_cast<std::size_t>(k) < v.size() ? &v[static_cast<std::size_t>(k)] : nullptr;
}

}  // namespace

QualityCheckTables Calc_Quality_Check(const AnalysisView& m) {
  const int nLoci = m.ds.NLoci;
  QualityCheckTables q;
  q.DataShare = makeVec1<Cell>(nLoci);
  q.MeanV = makeVec1<Cell>(nLoci);
  q.PolyCount = makeVec1<int>(nLoci);
  q.MeanFis = makeVec1<Cell>(nLoci);
  q.Dj = makeVec1<Cell>(nLoci);
  q.Fst = makeVec1<Cell>(nLoci);
  const bool compared = m.sel.countSelectedPops() >= 2;
  const auto& geneCount = m.alleles.GeneCount;
  const auto& v = m.variation.DiversityV;
  const auto& fis = m.variation.Fis;
  for (int k = 1; k <= nLoci; ++k) {
    const auto ku = static_cast<std::size_t>(k);
    if (m.sel.LocSel[ku] != 1) continue;
    double share = 0, sumV = 0, sumFis = 0;
    int withData = 0, poly = 0, withFis = 0;
    for (int i = 1; i <= m.ds.NPop; ++i) {
      if (m.sel.PopSel[static_cast<std::size_t>(i)] != 1) continue;
      const int copies = geneCount(i, k);
      const int nInd = m.ds.Allele.nInd(i);
      if (nInd > 0) share += static_cast<double>(copies) / (2.0 * nInd) * 100;
      if (copies > 0) ++withData;
      if (const Cell& vi = v(i, k)) {
        sumV += *vi;
        // V is exactly 1 where one allele holds every copy (its frequency is a count over itself); any
        // other locus lies at least a copy's share above 1.
        if (*vi > 1) {
          ++poly;
          // A population whose copies all come from half-typed individuals has no Fis; it is left out of
          // the mean rather than counted as 0.
          if (const Cell& f = fis(i, k)) {
            sumFis += *f;
            ++withFis;
          }
        }
      }
    }
    // Populations without data at the locus neither count nor lower the means.
    if (withData > 0) {
      q.DataShare[ku] = shown(share / withData, "0.00");
      q.MeanV[ku] = shown(sumV / withData, "0.000");
    } else {
      q.DataShare[ku] = 0.0;  // no gene copy has data
    }
    q.PolyCount[ku] = poly;
    if (poly == 0) q.MeanFis[ku] = 0.0;
    else if (withFis > 0) q.MeanFis[ku] = shown(sumFis / withFis, "0.000");
    if (const double* dj = at(m.diff.DjLoc, k); dj && compared) q.Dj[ku] = shown(*dj, "0.000");
    if (const Cell* fst = at(m.diff.FstLoc, k); fst && *fst) q.Fst[ku] = shown(**fst, "0.000");
  }
  return q;
}

void printQualityCheck(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used) {
  if (used.FlagCheckLoci != 1) return;
  const QualityCheckTables& q = m.quality;
  const char dec = out.decimalSign();
  printSectionFrame(out, "#####  RESULTS QUALITY CHECK LOCI #####");
  out.nl();
  // The header is ended by the first row's move to column 1.
  out.tab(1).text("No").tab(10).text("Locus").tab(30).text("data").tab(50).text("Fis").tab(70).text("v");
  out.tab(90).text("Dj").tab(110).text("F_ST").tab(130).text("r_DG_SD");
  for (int k = 1; k <= m.ds.NLoci; ++k) {
    const auto ku = static_cast<std::size_t>(k);
    // Only the loci that the run's record holds.
    if (m.sel.LocSel[ku] != 1 || ku >= q.MeanV.size()) continue;
    const Cell& meanV = q.MeanV[ku];
    const Cell& meanFis = q.MeanFis[ku];
    std::string fisText;
    if (!meanV) {
      fisText = "-";
    } else if (*meanV == 1) {  // the mean as printed, read back: 1 exactly when it prints as 1.000
      fisText = "";  // no variation wherever the locus has data
    } else if (q.PolyCount[ku] == 0) {
      fisText = bareNumber(0, dec);
    } else if (!meanFis) {
      fisText = "-";
    } else {
      fisText = masked(*meanFis, "0.000", dec);
      // A blank in the place of the sign of a positive mean; one that is 0 by the tie rule has none, as 0.
      if (clearlyAbove(*meanFis, 0, ofSums(m.ds.NPop, kFrequencyTermUlps, 1))) fisText.insert(fisText.begin(), ' ');
    }
    const Cell* corr = at(m.dist.CorrGeoLocus, k);
    out.tab(1).num(k).tab(10).text(m.ds.LocName[ku]);
    out.tab(30).fmt(*q.DataShare[ku], "0.00");
    out.tab(50).text(fisText);
    out.tab(70).text(meanV ? masked(*meanV, "0.000", dec) : "-");
    out.tab(90).text(maskedCell(q.Dj[ku], "0.000", dec));
    out.tab(110).text(maskedCell(q.Fst[ku], "0.000", dec));
    out.tab(130).text(corr && *corr ? masked(**corr, "0.000", dec) : "-");
    out.nl();
  }
}

}  // namespace kiwora
