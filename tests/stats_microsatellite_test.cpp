// A microsatellite-like data set with missing data (generated with a fixed seed), checked against direct
// recomputations written independently of the statistics code: plain maps of counts, textbook formulas.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../bench/generate.h"
#include "stats/allele_stats.h"
#include "stats/genotype_table.h"
#include "stats/multilocus.h"
#include "stats/variation_stats.h"

namespace kiwora {
namespace {

constexpr double kTol = 1e-12;

void expectCell(const Cell& got, std::optional<double> want, const char* what, int p, int l) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what << " pop " << p << " locus " << l;
  if (want) {
    EXPECT_NEAR(*got, *want, kTol) << what << " pop " << p << " locus " << l;
  }
}

class Microsatellite : public ::testing::Test {
 protected:
  void SetUp() override {
    gen::Params prm;
    prm.nPop = 6;
    prm.nInd = 40;
    prm.nLoci = 24;
    prm.nAlleles = 14;
    prm.missing = 0.08;
    prm.seed = 20240611;
    prm.firstCode = 101;
    prm.codeStep = 2;
    prm.sizeJitter = 0.4;
    d = gen::generate(prm);
    // Population 2 lost locus 5 entirely; population 4 and locus 7 are not selected.
    for (int j = 1; j <= d.ds.NInd[2]; ++j) d.ds.Allele.a1(2, 5, j) = d.ds.Allele.a2(2, 5, j) = -1;
    d.sel.PopSel[4] = 0;
    d.sel.LocSel[7] = 0;
    g = d.view();
  }
  bool popOn(int p) const { return d.sel.PopSel[static_cast<std::size_t>(p)] == 1; }
  bool locOn(int l) const { return d.sel.LocSel[static_cast<std::size_t>(l)] == 1; }

  gen::Data d;
  GenotypeView g;
};

TEST_F(Microsatellite, AlleleAndHeterozygosityStatistics) {
  AlleleStats a;
  VariationStats v;
  Calc_Allele_Freq(g, false, a);
  Calc_Heterozygosity(g, a, v);
  Calc_Diversity_V(g, a, v);
  Calc_Evenness(g, a, v);
  Calc_Percent_Polymorphic(g, a, v);
  Count_Single_Locus_Genotypes(g, v);

  const int nPop = d.ds.NPop, nLoci = d.ds.NLoci, maxA = d.ds.MaxAllele;
  std::vector<std::map<int, int>> counts(static_cast<std::size_t>((nPop + 1) * (nLoci + 1)));
  auto cnt = [&](int p, int l) -> std::map<int, int>& { return counts[static_cast<std::size_t>(p * (nLoci + 1) + l)]; };
  std::vector<int> minN(static_cast<std::size_t>(nLoci + 1), 0);
  for (int p = 1; p <= nPop; ++p)
    for (int l = 1; l <= nLoci; ++l) {
      if (!popOn(p) || !locOn(l)) continue;
      int n = 0;
      for (int j = 1; j <= d.ds.NInd[static_cast<std::size_t>(p)]; ++j)
        for (int x : {d.ds.Allele.a1(p, l, j), d.ds.Allele.a2(p, l, j)})
          if (x != -1) {
            ++cnt(p, l)[x];
            ++n;
          }
      int& m = minN[static_cast<std::size_t>(l)];
      if (n > 0 && (m == 0 || n < m)) m = n;
    }

  for (int p = 1; p <= nPop; ++p) {
    if (!popOn(p)) continue;
    std::vector<double> ho, he, fis, vs, es;
    int withData = 0, poly = 0, genotypeSum = 0;
    for (int l = 1; l <= nLoci; ++l) {
      if (!locOn(l)) continue;
      const auto& c = cnt(p, l);
      int n = 0;
      for (auto [code, k] : c) n += k;
      EXPECT_EQ(a.GeneCount(p, l), n);
      EXPECT_EQ(a.NAlleles(p, l), static_cast<int>(c.size()));
      for (int code = 0; code <= maxA + 1; ++code) {
        auto it = c.find(code);
        EXPECT_NEAR(a.AlleleFreq(p, l, code), it == c.end() ? 0.0 : static_cast<double>(it->second) / n, kTol);
      }
      // Nei's gene diversity without the small-sample correction, its inverse, evenness, rarefaction.
      std::optional<double> heWant, vWant, eWant, richWant;
      if (n > 0) {
        double sq = 0, dev = 0, rich = 0;
        for (auto [code, k] : c) {
          const double q = static_cast<double>(k) / n;
          sq += q * q;
          dev += std::fabs(q - 1.0 / static_cast<double>(c.size()));
          rich += 1 - std::exp(-minN[static_cast<std::size_t>(l)] * q);
        }
        heWant = 1 - sq;
        vWant = 1 / sq;
        eWant = 1 - dev / 2;
        richWant = rich;
        ++withData;
        poly += c.size() > 1;
      }
      expectCell(v.He(p, l), heWant, "He", p, l);
      expectCell(v.DiversityV(p, l), vWant, "v", p, l);
      expectCell(v.Evenness(p, l), eWant, "evenness", p, l);
      expectCell(a.AllelicRichness(p, l), richWant, "richness", p, l);
      if (heWant) he.push_back(*heWant);
      if (vWant) vs.push_back(*vWant);
      if (eWant) es.push_back(*eWant);

      int typed = 0, het = 0;
      std::set<std::pair<int, int>> kinds;
      for (int j = 1; j <= d.ds.NInd[static_cast<std::size_t>(p)]; ++j) {
        const int x = d.ds.Allele.a1(p, l, j), y = d.ds.Allele.a2(p, l, j);
        if (x == -1 || y == -1) continue;
        ++typed;
        het += x != y;
        kinds.insert(std::minmax(x, y));
      }
      EXPECT_EQ(v.NIdentLoc(p, l), typed);
      EXPECT_EQ(v.NGenotypesLoc(p, l), static_cast<int>(kinds.size()));
      genotypeSum += static_cast<int>(kinds.size());
      std::optional<double> hoWant, fisWant;
      if (typed > 0) hoWant = static_cast<double>(het) / typed;
      if (hoWant && heWant) fisWant = *heWant > 0 ? 1 - *hoWant / *heWant : 0;
      expectCell(v.Ho(p, l), hoWant, "Ho", p, l);
      expectCell(v.Fis(p, l), fisWant, "Fis", p, l);
      if (hoWant) ho.push_back(*hoWant);
      if (fisWant && *heWant != 0) fis.push_back(*fisWant);
    }
    auto mean = [](const std::vector<double>& x) {
      double s = 0;
      for (double y : x) s += y;
      return s / static_cast<double>(x.size());
    };
    expectCell(v.HoMean[static_cast<std::size_t>(p)], mean(ho), "HoMean", p, 0);
    expectCell(v.HeMean[static_cast<std::size_t>(p)], mean(he), "HeMean", p, 0);
    expectCell(v.FisMean[static_cast<std::size_t>(p)], mean(fis), "FisMean", p, 0);
    expectCell(v.DiversityVMean[static_cast<std::size_t>(p)], mean(vs), "vMean", p, 0);
    expectCell(v.EvennessMean[static_cast<std::size_t>(p)], mean(es), "evennessMean", p, 0);
    expectCell(v.PercentPolymorphic[static_cast<std::size_t>(p)], 100.0 * poly / withData, "polymorphic", p, 0);
    EXPECT_EQ(v.NGenotypesPop[static_cast<std::size_t>(p)], genotypeSum);
  }
  for (int l = 1; l <= nLoci; ++l)
    if (locOn(l)) {
      EXPECT_EQ(a.MinGeneCount[static_cast<std::size_t>(l)], minN[static_cast<std::size_t>(l)]);
    }
  EXPECT_TRUE(a.AllelicRichness(1, 5));  // population 2's empty locus does not spoil the others'
}

TEST_F(Microsatellite, MultilocusGenotypesAndDegreeOfHeterozygosity) {
  // Over loci 1..8 (7 unselected): with 24 loci hardly any individual is typed at all of them.
  for (int l = 9; l <= d.ds.NLoci; ++l) d.sel.LocSel[static_cast<std::size_t>(l)] = 0;
  const int nPop = d.ds.NPop, nLoci = d.ds.NLoci;
  // Direct: each fully typed individual's sorted codes, counted per population.
  std::map<std::vector<int>, std::map<int, int>> types;
  std::vector<int> typedAll(static_cast<std::size_t>(nPop + 1));
  std::vector<std::vector<int>> hetClasses(static_cast<std::size_t>(nPop + 1));
  int nSel = 0;
  for (int l = 1; l <= nLoci; ++l) nSel += locOn(l);
  for (int p = 1; p <= nPop; ++p) {
    if (!popOn(p)) continue;
    hetClasses[static_cast<std::size_t>(p)].assign(static_cast<std::size_t>(nSel + 1), 0);
    for (int j = 1; j <= d.ds.NInd[static_cast<std::size_t>(p)]; ++j) {
      std::vector<int> codes;
      bool complete = true;
      int het = 0;
      for (int l = 1; l <= nLoci; ++l) {
        if (!locOn(l)) continue;
        const auto [x, y] = std::minmax(d.ds.Allele.a1(p, l, j), d.ds.Allele.a2(p, l, j));
        complete = complete && x != -1;
        het += x != y;
        codes.push_back(x);
        codes.push_back(y);
      }
      if (!complete) continue;
      ++types[codes][p];
      ++typedAll[static_cast<std::size_t>(p)];
      ++hetClasses[static_cast<std::size_t>(p)][static_cast<std::size_t>(het)];
    }
  }

  VariationStats v;
  Calc_Degree_Heterozygosity(g, v);
  MultilocusGenotypes m;
  Calc_Multilocus_Genotypes(g, false, m);
  Table2<Cell> dist;
  Calc_Dist_Multilocus(g, m, dist);

  ASSERT_EQ(m.NMLGTypes, static_cast<int>(types.size()));
  ASSERT_GT(m.NMLGTypes, 20);
  // Labels in text order; each type's frequencies found under its label.
  std::multimap<std::string, std::vector<double>> expected;
  for (const auto& [codes, perPop] : types) {
    std::string label;
    for (int c : codes) label += std::to_string(c);
    std::vector<double> f(static_cast<std::size_t>(nPop + 1), 0.0);
    for (auto [p, k] : perPop) f[static_cast<std::size_t>(p)] = static_cast<double>(k) / typedAll[static_cast<std::size_t>(p)];
    expected.emplace(label, f);
  }
  EXPECT_TRUE(std::is_sorted(m.MLGKey.begin() + 1, m.MLGKey.end()));
  for (int t = 1; t <= m.NMLGTypes; ++t) {
    auto it = expected.find(m.MLGKey[static_cast<std::size_t>(t)]);
    ASSERT_NE(it, expected.end()) << m.MLGKey[static_cast<std::size_t>(t)];
    for (int p = 1; p <= nPop; ++p) EXPECT_NEAR(m.MLGFreq(p, t), it->second[static_cast<std::size_t>(p)], kTol);
    expected.erase(it);
  }

  for (int p = 1; p <= nPop; ++p) {
    if (!popOn(p)) continue;
    const auto pu = static_cast<std::size_t>(p);
    EXPECT_EQ(m.NIdentAll[pu], typedAll[pu]);
    EXPECT_EQ(v.NIdentAll[pu], typedAll[pu]);
    int held = 0;
    double sq = 0;
    for (const auto& [codes, perPop] : types)
      if (auto it = perPop.find(p); it != perPop.end()) {
        ++held;
        const double f = static_cast<double>(it->second) / typedAll[pu];
        sq += f * f;
      }
    EXPECT_EQ(m.MLGNTypes[pu], held);
    expectCell(m.MLGDiversity[pu], held ? std::optional<double>(1 / sq) : std::nullopt, "MLG diversity", p, 0);
    for (int k = 1; k <= nSel + 1; ++k) {
      std::optional<double> share;
      if (typedAll[pu] > 0) share = static_cast<double>(hetClasses[pu][static_cast<std::size_t>(k - 1)]) / typedAll[pu];
      expectCell(v.HetDegreeDist(p, k), share, "degree", p, k);
    }
    for (int q = 1; q <= nPop; ++q) {
      if (!popOn(q)) continue;
      double sum = 0;
      for (const auto& [codes, perPop] : types) {
        auto fp = perPop.count(p) ? static_cast<double>(perPop.at(p)) / typedAll[pu] : 0.0;
        auto fq = perPop.count(q) ? static_cast<double>(perPop.at(q)) / typedAll[static_cast<std::size_t>(q)] : 0.0;
        sum += std::fabs(fp - fq);
      }
      const bool defined = typedAll[pu] > 0 && typedAll[static_cast<std::size_t>(q)] > 0;
      expectCell(dist(p, q), defined ? std::optional<double>(sum / 2) : std::nullopt, "DistMLG", p, q);
    }
  }
}

TEST_F(Microsatellite, GenotypeTable) {
  const int nPop = d.ds.NPop, nLoci = d.ds.NLoci;
  GenotypeTable t;
  Calc_Genotype_Freq(g, d.sel.LocMode, true, t);
  for (int l = 1; l <= nLoci; ++l) {
    if (!locOn(l)) {
      EXPECT_EQ(t.NGenoTypes[static_cast<std::size_t>(l)], 0);
      continue;
    }
    std::map<std::string, std::vector<int>> byKey;
    std::vector<int> typed(static_cast<std::size_t>(nPop + 1));
    for (int p = 1; p <= nPop; ++p)  // every population, selected or not
      for (int j = 1; j <= d.ds.NInd[static_cast<std::size_t>(p)]; ++j) {
        const auto [x, y] = std::minmax(d.ds.Allele.a1(p, l, j), d.ds.Allele.a2(p, l, j));
        if (x == -1) continue;
        auto& row = byKey[std::to_string(x) + "_" + std::to_string(y)];
        row.resize(static_cast<std::size_t>(nPop + 1));
        ++row[static_cast<std::size_t>(p)];
        ++typed[static_cast<std::size_t>(p)];
      }
    ASSERT_EQ(t.NGenoTypes[static_cast<std::size_t>(l)], static_cast<int>(byKey.size()));
    int k = 0;
    for (const auto& [key, row] : byKey) {  // std::map orders its keys as text, like the table
      ++k;
      EXPECT_EQ(t.GenoKey[static_cast<std::size_t>(l)][static_cast<std::size_t>(k)], key);
      for (int p = 1; p <= nPop; ++p) {
        const int n = typed[static_cast<std::size_t>(p)];
        EXPECT_EQ(t.GenoSampleN(p, l), n);
        EXPECT_NEAR(t.GenoFreq[static_cast<std::size_t>(l)](p, k), n ? static_cast<double>(row[static_cast<std::size_t>(p)]) / n : 0.0, kTol);
      }
    }
  }
}

}  // namespace
}  // namespace kiwora
