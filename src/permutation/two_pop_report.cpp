#include "permutation/two_pop_report.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "files/matrix_print.h"

namespace kiwora {
namespace {

const char* const kHashes = "#####################################################";
const char* const kStars = "*****************************************";
const char* const kNoTest = "No Test!";
const char* const kUndefinedValue = "------";

std::string unitText(ResamplingUnit u) {
  switch (u) {
    case ResamplingUnit::Alleles: return "Alleles";
    case ResamplingUnit::SingleLocus: return "Single Genotypes";
    case ResamplingUnit::Multilocus: return "Multilocus-Genotypes";
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

namespace {

// Each population named in the pairs gets a place, in the order first named; `place` is sized by the
// largest population number.
std::size_t placesOf(const std::vector<std::pair<int, int>>& pairs, std::vector<int>& place) {
  int largest = 0;
  for (const auto& [a, b] : pairs) largest = std::max({largest, a, b});
  place.assign(static_cast<std::size_t>(largest) + 1, -1);
  std::size_t named = 0;
  for (const auto& [a, b] : pairs)
    for (int p : {a, b})
      if (p >= 0 && place[static_cast<std::size_t>(p)] < 0) place[static_cast<std::size_t>(p)] = static_cast<int>(named++);
  return named;
}

std::vector<std::pair<int, int>> pairsOf(const std::vector<PairResult>& results) {
  std::vector<std::pair<int, int>> pairs;
  pairs.reserve(results.size());
  for (const PairResult& r : results) pairs.emplace_back(r.pop1, r.pop2);
  return pairs;
}

}  // namespace

SummaryIndex::SummaryIndex(const std::vector<PairResult>& results) : results_(results) {
  named_ = placesOf(pairsOf(results), place_);
  at_.assign(named_ * named_, -1);
  for (std::size_t u = 0; u < results.size(); ++u) {
    const PairResult& r = results[u];
    if (r.pop1 < 0 || r.pop2 < 0) continue;
    at_[static_cast<std::size_t>(place_[static_cast<std::size_t>(r.pop1)]) * named_ +
        static_cast<std::size_t>(place_[static_cast<std::size_t>(r.pop2)])] = static_cast<int>(u);
  }
}

const PairResult* SummaryIndex::find(int pop1, int pop2) const {
  if (pop1 < 0 || pop2 < 0 || static_cast<std::size_t>(std::max(pop1, pop2)) >= place_.size()) return nullptr;
  const int a = place_[static_cast<std::size_t>(pop1)], b = place_[static_cast<std::size_t>(pop2)];
  if (a < 0 || b < 0) return nullptr;
  const int u = at_[static_cast<std::size_t>(a) * named_ + static_cast<std::size_t>(b)];
  return u < 0 ? nullptr : &results_[static_cast<std::size_t>(u)];
}

double SummaryIndex::bytesFor(const std::vector<std::pair<int, int>>& pairs) {
  std::vector<int> place;
  const double named = static_cast<double>(placesOf(pairs, place));
  return static_cast<double>(place.size()) * sizeof(int) + named * named * sizeof(int) +
         static_cast<double>(pairs.size()) * sizeof(std::pair<int, int>);
}

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
  // The cells of the matrices and tables are read from the results through an index of the tested
  // pairs, sized by the populations they name rather than by every population at every locus.
  const SummaryIndex index(results);
  const auto pairCell = [&](Cell (*of)(const PairResult&)) {
    return [&, of](int i, int j) -> Cell {
      const PairResult* r = index.find(i, j);
      return r ? of(*r) : Cell{};
    };
  };
  const auto dgPool = pairCell([](const PairResult& r) { return r.dgPool.probability(); });
  const auto mlg = pairCell([](const PairResult& r) { return r.mlg.probability(); });
  const auto dnPool = pairCell([](const PairResult& r) { return r.dnPool.probability(); });
  const auto dgMean = pairCell([](const PairResult& r) -> Cell { return r.observed.dgMean; });
  const auto dnMean = pairCell([](const PairResult& r) { return r.observed.dnMean; });

  w.nl().text(kHashes).nl();
  w.text("####                 SUMMARY                     ####").nl();
  w.text("####        Results of Numerical Tests           ####").nl();
  w.text(kHashes).nl().nl();
  runLines(w, info);

  // The ";" table of one distance over the tested pairs, in pair order.
  const auto table = [&](const auto& value, const auto& prob) {
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
    forSelectedLoci(info, [&](int, std::size_t at) {
      w.nl().tab(4).text(ds.LocName[at] + " (Alleles)").nl().nl();
      Print_Pop_Matrix(w, n, popSel, [&](int i, int j) -> Cell {
        const PairResult* r = index.find(i, j);
        return r && !r->dg.empty() ? r->dg[at].probability() : Cell{};
      });
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
