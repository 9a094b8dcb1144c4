#include "permutation/within_report.h"

#include <cmath>
#include <string>

#include "base/number_format.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

bool selected(const Vec1<int>& locSel, int l) {
  return l < static_cast<int>(locSel.size()) && locSel[static_cast<std::size_t>(l)] == 1;
}

void fixationBlock(LineWriter& out, const WithinTestResult& r, const DataSet& ds, const Vec1<int>& locSel) {
  const char dec = out.decimalSign();
  for (const char* line : {"*********************", "**  Fixationindex  **", "*********************"})
    out.tab(5).text(line).nl();
  out.nl();
  out.tab(5).text("Prob = pobability that Fis is in the range for Hardy-Weinberg-expectation").nl();
  out.nl();
  out.tab(5).text("Locus").tab(20).text("F ").tab(30).text("Prob").nl();
  out.text("    ------------------------------------").nl();
  for (int l = 1; l <= ds.NLoci; ++l) {
    if (!selected(locSel, l)) continue;
    const Cell& f = r.observed.Fis(1, l);
    const Cell& he = r.observed.He(1, l);
    const std::string fis = f && std::isfinite(*f) ? signedMasked(*f, "0.000", dec) : "-";
    out.tab(5).text(ds.LocName[static_cast<std::size_t>(l)]).tab(20).text(fis).tab(30);
    // He is one minus a sum of squared frequencies at the locus.
    if (!he || vanishes(*he, ofSums(1, kFrequencyTermUlps, 1)) || !r.FisProb[static_cast<std::size_t>(l)])
      out.text("No Test!");
    else out.fmt(*r.FisProb[static_cast<std::size_t>(l)], "0.000");
    out.nl();
  }
  out.nl();
  const Cell& mean = r.observed.FisMean[1];
  std::string fis = maskedOr(mean, "0.000", dec, "-");
  // A mean 0 by the tie rule is printed as 0: a mean over the loci of differences of frequency terms.
  if (mean && clearlyAbove(*mean, 0, ofSums(ds.NLoci, kFrequencyTermUlps, 1))) fis = " " + fis;
  out.tab(5).text("Mean").tab(20).text(fis).tab(30).text(maskedOr(r.FisMeanProb, "0.000", dec, "-")).nl();
}

void degreeBlock(LineWriter& out, const WithinTestResult& r) {
  const char dec = out.decimalSign();
  out.nl();
  for (const char* line : {"******************************", "** Degree of Heterozygosity **", "******************************"})
    out.tab(5).text(line).nl();
  out.nl();
  out.tab(5).text("HeGr").tab(15).text("Obs").tab(25).text("Exp").tab(35).text("Prob Exp>Obs").nl();
  out.text("        --------------------------------------").nl();
  for (int c = 1; c <= r.nSelLoci + 1; ++c) {
    const auto cu = static_cast<std::size_t>(c);
    out.tab(5).text("HeG(" + std::to_string(c - 1) + ")");
    out.tab(15).text(maskedOr(r.observed.HetDegreeDist(1, c), "0.000", dec, "-"));
    out.tab(25).text(maskedOr(r.HetDegreeSimMean[cu], "0.000", dec, "-"));
    out.tab(35).text(maskedOr(r.HetDegreeProb[cu], "0.000", dec, "-")).nl();
  }
}

void multilocusBlock(LineWriter& out, const WithinTestResult& r) {
  const char dec = out.decimalSign();
  const std::string stars(39, '*');
  out.nl();
  out.tab(5).text(stars).nl();
  out.tab(5).text("** Variation of Multilocus Genotypes **").nl();
  out.tab(5).text(stars).nl();
  out.nl();
  out.tab(20).text("Obs").tab(30).text("Mean Sim").tab(40).text("Realised Variation").tab(60).text("P Sim>Obs").nl();
  out.tab(20).text(std::string(66, '-')).nl();
  const Cell types = static_cast<double>(r.observedMLG.MLGNTypes[1]);
  const struct {
    const char* name;
    Cell obs, mean, prob;
  } rows[] = {{"No. Types", types, r.MLGNTypesSimMean, r.MLGNTypesProb},
              {"Diversity", r.observedMLG.MLGDiversity[1], r.MLGDivSimMean, r.MLGDivProb}};
  for (const auto& row : rows) {
    out.tab(5).text(row.name).tab(20).text(maskedOr(row.obs, "0.00", dec, "-"));
    out.tab(30).text(maskedOr(row.mean, "0.00", dec, "-")).tab(40);
    // Observed against the mean of the permutations; no ratio to a mean of 0 (a mean of counts or of
    // diversities, each 0 or at least 1, is 0 only exactly).
    if (row.obs && row.mean && *row.mean != 0) out.fmt(*row.obs / *row.mean * 100, "0.00").text(" %");
    else out.text("-");
    out.tab(60).text(maskedOr(row.prob, "0.000", dec, "-")).nl();
  }
  out.nl();
}

}  // namespace

void printWithinTestReport(LineWriter& out, const WithinTestResult& r, const WithinTestChoice& choice,
                           const DataSet& ds, const Vec1<int>& locSel) {
  const std::string hashes(53, '#');
  out.nl();
  out.text(hashes).nl();
  out.text("####        Results of Numerical Tests           ####").nl();
  out.text(hashes).nl();
  out.nl().nl();
  out.text("  Tested Population     = " + ds.PopName[static_cast<std::size_t>(r.pop)]).nl();
  out.nl();
  out.text("  Number of Permutation = " + std::to_string(r.nPerm)).nl();
  out.nl().nl();
  out.text("  Selected loci: ").nl();
  out.text("  ---------------").nl();
  for (int l = 1; l <= ds.NLoci; ++l)
    if (selected(locSel, l)) out.tab(2).text(ds.LocName[static_cast<std::size_t>(l)]).nl();
  out.nl();
  if (choice.fis) fixationBlock(out, r, ds, locSel);
  if (choice.degree) degreeBlock(out, r);
  if (choice.mlg) multilocusBlock(out, r);
}

}  // namespace kiwora
