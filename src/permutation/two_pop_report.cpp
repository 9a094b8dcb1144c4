#include "permutation/two_pop_report.h"

#include <cmath>
#include <string>

#include "files/matrix_print.h"

namespace kiwora {
namespace {

const char* const kHashes = "#####################################################";
const char* const kStars = "*****************************************";
const char* const kNoTest = "No Test!";
const char* const kUndefinedValue = "------";

std::string unitText(PermUnit u) {
  switch (u) {
    case PermUnit::Alleles: return "Alleles";
    case PermUnit::SingleLocus: return "Single Genotypes";
    case PermUnit::Multilocus: return "Multilocus-Genotypes";
  }
  return "";
}

// An undefined or infinite value prints as the analysis report prints an undefined distance.
std::string fmt(const LineWriter& w, const Cell& c, const char* mask) {
  return maskedOr(c, mask, w.decimalSign(), kUndefinedValue);
}

// A probability, or "No Test!" when the observed value prints as zero or nothing could be compared.
std::string probText(const LineWriter& w, const ExtremeCount& c, const std::string& observedText, const char* mask) {
  const Cell p = c.probability();
  if (!p || observedText == masked(0.0, mask, w.decimalSign())) return kNoTest;
  return masked(*p, "0.000", w.decimalSign());
}

std::string probOnly(const LineWriter& w, const ExtremeCount& c) {
  const Cell p = c.probability();
  return p ? masked(*p, "0.000", w.decimalSign()) : kNoTest;
}

// The observed difference, a blank in front when it is not negative so the digits line up.
std::string deltaText(const LineWriter& w, const Cell& a, const Cell& b) {
  if (!a || !b) return kUndefinedValue;
  const std::string t = masked(*a - *b, "0.000", w.decimalSign());
  return t[0] == '-' ? t : " " + t;
}

void runLines(LineWriter& w, const TwoPopReportInfo& info) {
  w.text("  Number of Permutation = " + std::to_string(info.nPerm)).nl();
  w.text("  Unit of Permutation   = " + unitText(info.unit)).nl();
  w.text(std::string("  Sample Sizes          = ") + (info.smallestSize ? "Smallest sample size" : "Original sample size")).nl();
  w.nl();
}

void labelBlock(LineWriter& w, const TwoPopReportInfo& info, const PairResult& r) {
  const auto& names = info.ds->PopName;
  w.text("  1. Tested Population  = " + names[static_cast<std::size_t>(r.pop1)]).nl();
  w.text("  2. Tested Population  = " + names[static_cast<std::size_t>(r.pop2)]).nl();
  w.nl();
  runLines(w, info);
}

template <class F>
void forSelectedLoci(const TwoPopReportInfo& info, F f) {
  for (int l = 1; l <= info.ds->NLoci; ++l)
    if (info.sel->LocSel[static_cast<std::size_t>(l)] == 1) f(l, static_cast<std::size_t>(l));
}

// A distance section: per selected locus the observed distance and its probability, then the gene pool.
template <class Values>
void distanceSection(LineWriter& w, const TwoPopReportInfo& info, const PairResult& r, const std::string& title,
                     const char* heading, const char* mask, int probColumn, const Values& values,
                     const Vec1<ExtremeCount>& counts, const Cell& pool, const ExtremeCount& poolCount) {
  w.nl().text(kStars).nl().nl();
  w.text(title).nl().text("  " + std::string(title.size() - 2, '-')).nl().nl();
  labelBlock(w, info, r);
  w.tab(1).text("Locus").tab(15).text(heading).tab(30).text("Prob").nl();
  w.text(std::string(43, '-')).nl();
  forSelectedLoci(info, [&](int, std::size_t l) {
    const std::string d = fmt(w, values[l], mask);
    w.tab(1).text(info.ds->LocName[l]).tab(15).text(d).tab(probColumn).text(probText(w, counts[l], d, mask)).nl();
  });
  w.nl();
  w.tab(1).text("Gene pool").tab(15).text(fmt(w, pool, mask)).tab(probColumn).text(probOnly(w, poolCount)).nl();
}

}  // namespace

void printPairReport(LineWriter& w, const TwoPopReportInfo& info, const PairResult& r) {
  const auto& loc = info.ds->LocName;
  const PairStatistics& o = r.observed;
  w.nl().text(kHashes).nl();
  w.text("####        Results of Numerical Tests           ####").nl();
  w.text(kHashes).nl().nl();

  if (info.stats.diversityV) {
    w.text("  Diversity V (Alleles)").nl().text("  ---------------------").nl().nl();
    labelBlock(w, info, r);
    w.tab(1).text("Locus").tab(15).text("Pop " + std::to_string(r.pop1)).tab(25).text("Pop " + std::to_string(r.pop2));
    w.tab(35).text("Delta").tab(45).text("Prob").nl();
    w.text(std::string(65, '-')).nl();
    forSelectedLoci(info, [&](int, std::size_t l) {
      const std::string delta = deltaText(w, o.v1[l], o.v2[l]);
      w.tab(1).text(loc[l]).tab(15).text(fmt(w, o.v1[l], "0.000")).tab(25).text(fmt(w, o.v2[l], "0.000"));
      w.tab(35).text(delta).tab(45).text(probText(w, r.v[l], delta.substr(delta[0] == ' '), "0.000")).nl();
    });
    w.nl();
    w.tab(1).text("Gene pool").tab(15).text(fmt(w, o.vMean1, "0.000")).tab(25).text(fmt(w, o.vMean2, "0.000"));
    w.tab(35).text(deltaText(w, o.vMean1, o.vMean2)).tab(45).text(probOnly(w, r.vPool)).nl();
  }

  if (info.stats.distDG) {
    distanceSection(w, info, r, "  Genetic Distance D (Gregorius 1974)", "Distance DG", "0.000", 30, o.dg, r.dg, o.dgMean, r.dgPool);
    if (info.stats.distMLG) {
      w.nl();
      w.tab(1).text("Multilocus").tab(15).text(fmt(w, o.mlg, "0.000")).tab(30).text(probOnly(w, r.mlg)).nl();
    }
  }
  // The probabilities of DN stand at column 35, right of their heading.
  if (info.stats.distDN)
    distanceSection(w, info, r, "  Genetic Distance D (Nei 1972)", "Distance DN", "0.000000", 35, o.dn, r.dn, o.dnMean, r.dnPool);
}

void printTwoPopSummary(LineWriter& w, const TwoPopReportInfo& info, const std::vector<PairResult>& results) {
  const DataSet& ds = *info.ds;
  const Vec1<int>& popSel = info.sel->PopSel;
  const int n = ds.NPop;
  Table3<Cell> dgLoc(n, n, ds.NLoci);
  Table2<Cell> dgPool(n, n), mlg(n, n), dnPool(n, n), dgMean(n, n), dnMean(n, n);
  for (const PairResult& r : results) {
    for (int l = 1; l <= ds.NLoci && !r.dg.empty(); ++l) dgLoc(r.pop1, r.pop2, l) = r.dg[static_cast<std::size_t>(l)].probability();
    dgPool(r.pop1, r.pop2) = r.dgPool.probability();
    mlg(r.pop1, r.pop2) = r.mlg.probability();
    dnPool(r.pop1, r.pop2) = r.dnPool.probability();
    dgMean(r.pop1, r.pop2) = r.observed.dgMean;
    dnMean(r.pop1, r.pop2) = r.observed.dnMean;
  }

  w.nl().text(kHashes).nl();
  w.text("####                 SUMMARY                     ####").nl();
  w.text("####        Results of Numerical Tests           ####").nl();
  w.text(kHashes).nl().nl();
  runLines(w, info);

  // The ";" table of one distance over the tested pairs, in pair order.
  const auto table = [&](const Table2<Cell>& value, const Table2<Cell>& prob) {
    w.text("pop_1;pop_2;genepool_distance;prob").nl();
    for (const PairResult& r : results) {
      w.text(ds.PopName[static_cast<std::size_t>(r.pop1)] + ";" + ds.PopName[static_cast<std::size_t>(r.pop2)] + ";" +
             fmt(w, value(r.pop1, r.pop2), "0.000") + ";" + fmt(w, prob(r.pop1, r.pop2), "0.000"))
          .nl();
    }
  };

  if (info.stats.distDG) {
    w.nl();
    w.tab(4).text("MATRIX of Pobabilities for Genetic Distance DG").nl();
    w.tab(4).text("----------------------------------------------").nl().nl();
    w.tab(4).text("Values = probabilities for collection in same population").nl().nl();
    forSelectedLoci(info, [&](int l, std::size_t at) {
      w.nl().tab(4).text(ds.LocName[at] + " (Alleles)").nl().nl();
      Print_Pop_Matrix_Locus(w, n, popSel, dgLoc, l);
    });
    w.nl().tab(4).text("Genepool").nl().nl();
    Print_Pop_Matrix(w, n, popSel, dgPool);
    if (info.stats.distMLG) {
      w.nl().tab(4).text("Multilocus-Genotypes").nl().nl();
      Print_Pop_Matrix(w, n, popSel, mlg);
    }
    w.nl().nl().text("Table with results on genepool distances and their probabilities").nl().nl();
    table(dgMean, dgPool);
  }
  if (info.stats.distDN) {
    w.nl().nl().text("Table with results on genepool distances of Nei and their probabilities").nl();
    w.text(std::string(71, '-')).nl().nl();
    table(dnMean, dnPool);
  }
}

}  // namespace kiwora
