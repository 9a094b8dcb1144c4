#include "analysis/two_locus_section.h"

#include "analysis/report_frame.h"
#include "base/tolerance.h"
#include "two_locus/two_locus.h"

namespace kiwora {

std::vector<int> twoLocusLoci(const AnalysisView& m, const AnalysisOptions& used) {
  const QualityCheckTables& q = m.quality;
  std::vector<int> admitted;
  for (int k = 1; k <= m.ds.NLoci; ++k) {
    const auto ku = static_cast<std::size_t>(k);
    if (m.sel.LocSel[ku] != 1 || ku >= q.MeanV.size()) continue;
    // The filters compare the figures as the quality check shows them: decimals of a few places, each read
    // back as the double nearest to it, like the options typed, so they compare as the decimals do. Only
    // the share, divided by 100, may come out a unit off the decimal it stands for: the tie rule takes it.
    const Cell& v = q.MeanV[ku];
    const Cell& share = q.DataShare[ku];
    if (v && *v > 1 && q.Dj[ku] && *q.Dj[ku] > used.TwoLocMinDj && share && atLeast(*share / 100, used.TwoLocMinData, Rounding{2}))
      admitted.push_back(k);
  }
  return admitted;
}

TwoLocusTable Run_Two_Locus_Table(const AnalysisView& m, const AnalysisOptions& used, const RunContext& run) {
  TwoLocusInputs in;
  in.g = readerOf(m.ds, m.sel);
  in.AlleleFreq = &m.alleles.AlleleFreq;
  in.DistDG = [&dg = m.dist.DistDG](int p, int q, int l) { return dg(p, q, l); };
  in.GeoDist = &m.dist.GeoDist;
  in.noSort = m.flags.NoSortMLG == 1;
  return Two_Locus_Table(in, twoLocusLoci(m, used), run);
}

void printTwoLocusAnalysis(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used) {
  if (used.FlagTwoLocus != 1) return;
  const char dec = out.decimalSign();
  const QualityCheckTables& q = m.quality;

  printSectionFrame(out, "#####   Two-Loci-Analysis   #####");
  out.nl();
  out.tab(1).text("Minimal diversity v of included loci > 1.0").nl();
  out.tab(1).text("Minimum genetic differentiation Dj of included loci          = " + plainNumber(used.TwoLocMinDj, dec)).nl();
  out.tab(1).text("Minimum proportion of individuals with data of included loci = " + plainNumber(used.TwoLocMinData, dec)).nl();
  out.nl();
  out.tab(1).text("Computed values").nl();
  out.tab(1).text("---------------").nl();
  for (const char* legend : {
           "Fis_A    = mean fixation index at locus A",
           "Fis_B    = mean fixation index at locus B",
           "N_MG     = number of unordered multilocus-genotypes at both loci",
           "V_MG     = mean diversity v of multilocus-genotypes",
           "V_R      = mean proportion of realised diversity v of multilocus-genotypes",
           "DG_M     = mean genetic distance among populations based on frequencies of multilocus-genotypes",
           "r_DGM_SD = correlation coefficient (Peason) among genetic (multi-locus) and spatial distances",
           "r_DG_GD  = correlation coefficient (Peason) among single loci genetic distances (allele frquencies) for locus A and locus B",
       })
    out.tab(1).text(legend).nl();
  out.nl();
  // Neither the header nor a row ends its line: each row's move to column 1 ends the one before.
  out.tab(1).text("Locus_A").tab(30).text("Locus_B").tab(50).text("Fis_A").tab(60).text("Fis_B").tab(70).text("N_MG");
  out.tab(80).text("V_MG").tab(90).text("V_R").tab(100).text("DG_M").tab(110).text("r_GDM_SD").tab(120).text("r_DG_DG");

  auto fis = [&](int k) {
    const auto ku = static_cast<std::size_t>(k);
    if (q.PolyCount[ku] == 0) return bareNumber(0, dec);
    return maskedOr(q.MeanFis[ku], "0.000", dec, "-");
  };
  const TwoLocusTable& t = m.twoLocus;
  for (std::size_t i = 0; i < t.pairs.size() && i < t.rows.size(); ++i) {
    const auto [a, b] = t.pairs[i];
    const TwoLocusRow& r = t.rows[i];
    out.tab(1).text(m.ds.LocName[static_cast<std::size_t>(a)]).tab(30).text(m.ds.LocName[static_cast<std::size_t>(b)]);
    out.tab(50).text(fis(a)).tab(60).text(fis(b)).tab(70).num(r.N_MG);
    out.tab(80).text(maskedOr(r.V_MG, "0.00", dec, "-")).tab(90).text(maskedOr(r.V_R, "0.000", dec, "-"));
    out.tab(100).text(maskedOr(r.DG_M, "0.000", dec, "-")).tab(110).text(maskedOr(r.r_DGM_SD, "0.000", dec, "-"));
    out.tab(120).text(maskedOr(r.r_DG_GD, "0.000", dec, "-"));
  }
}

}  // namespace kiwora
