// The scorers of the assignment on small fixtures whose values were computed by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "assign/log_tables.h"
#include "assign/reference_tables.h"
#include "assign/scorers.h"
#include "stats_fixture.h"

namespace kiwora {
namespace {

using testing::Fixture;
using testing::Population;

// Reference populations and test groups as literals, with the modes of inheritance of the loci.
struct Case {
  Fixture refs;
  Fixture groups;
  Vec1<int> mode;
  TestGroups test;
  ReferenceTables ref;
  AssignmentOptions opt;

  Case(int maxAllele, const std::vector<Population>& refPops, const std::vector<Population>& testPops,
       std::vector<int> modes = {})
      : refs(maxAllele, refPops), groups(maxAllele, testPops, refs.data.nLoci()) {
    mode = makeVec1<int>(refs.data.nLoci(), 1);
    for (std::size_t l = 0; l < modes.size(); ++l) mode[l + 1] = modes[l];
    test.NTestGr = groups.data.nPop();
    test.TestAllele = groups.data;
    opt.AssMethod = 1;
    opt.MinFreqMiss = 0.001;
    opt.WeightBip = opt.WeightMat = 0.5;
  }
  void build() {
    ReferenceBuild how;
    how.minFreqMiss = opt.MinFreqMiss;
    how.genotypeTable = opt.AssMethod == 3 && opt.GDOnGenotypes == 1;
    buildReferenceTables(refs.view(), mode, test, how, ref);
  }
  GroupProfile profile(int g) { return profileGroup(ref, GroupGenotypes{&test.TestAllele, g}); }
  AssignmentResults scoreAll() {
    std::vector<GroupGenotypes> gs;
    for (int g = 1; g <= test.NTestGr; ++g) gs.push_back(GroupGenotypes{&test.TestAllele, g});
    AssignmentResults r;
    scoreGroups(ref, opt, gs, r);
    return r;
  }
};

// n copies: `ones` of allele 1, `twos` of allele 2, `threes` of allele 3, paired into individuals.
Population copies(int ones, int twos, int threes = 0) {
  std::vector<int> c;
  c.insert(c.end(), static_cast<std::size_t>(ones), 1);
  c.insert(c.end(), static_cast<std::size_t>(twos), 2);
  c.insert(c.end(), static_cast<std::size_t>(threes), 3);
  Population p;
  for (std::size_t i = 0; i + 1 < c.size(); i += 2) p.push_back({{c[i], c[i + 1]}});
  return p;
}

TEST(AssignLogTables, FactorialsOfSmallCountsAndTheTableAgree) {
  EXPECT_EQ(Log10_Factorial(0), 0);
  EXPECT_EQ(Log10_Factorial(1), 0);
  EXPECT_NEAR(Log10_Factorial(2), std::log10(2.0), 1e-12);
  EXPECT_NEAR(Log10_Factorial(5), std::log10(120.0), 1e-12);
  const auto t = log10FactorialTable(300);
  for (int n : {0, 1, 7, 170, 300}) EXPECT_NEAR(t[static_cast<std::size_t>(n)], Log10_Factorial(n), 1e-9) << n;
  EXPECT_TRUE(std::isfinite(Log10_Factorial(5000)));  // 5000! itself overflows a double
}

TEST(AssignBayes, GenotypeProbabilitiesWithThePrior) {
  struct Row {
    const char* what;
    Population pop;
    Population group;
    double p;  // probability of the one member's genotype
  };
  const Row rows[] = {
      // frequency 0.5 at n = 10, k = 2
      {"homozygote", copies(5, 5), {{{1, 1}}}, (5 + 0.5) * (6 + 0.5) / (11.0 * 12)},
      // frequencies 0.5 and 0.3 at n = 10, k = 3
      {"heterozygote", copies(5, 3, 2), {{{1, 2}}}, 2 * (5 + 1 / 3.0) * (3 + 1 / 3.0) / (11.0 * 12)},
      // the population lacks allele 3 (n = 20); the group brings it, so k = 3: prior weight only
      {"absent allele", copies(10, 10), {{{3, 3}}}, (1 / 3.0) * (4 / 3.0) / (21.0 * 22)},
  };
  for (const Row& r : rows) {
    Case c(3, {r.pop}, {r.group});
    c.build();
    EXPECT_NEAR(bayesScore(c.ref, c.profile(1), 1), -std::log10(r.p), 1e-12) << r.what;
  }
}

TEST(AssignBayes, HaplotypesAndMembersWithoutData) {
  // Locus 1 bi-parental, locus 2 maternal. Population: maternal codes 1 (x3) and 2 (x1).
  Population pop = {{{1, 1}, {1, 1}}, {{1, 2}, {1, -1}}, {{2, 2}, {1, 1}}, {{2, 2}, {2, 2}}};
  // Member 1: missing at the bi-parental locus, complete haplotype 1 -> only -log10(0.75).
  // Member 2: missing everywhere -> nothing. Member 3: haplotype 5, unknown to the reference -> 3.
  Case c(5, {pop}, {{{{-1, -1}, {1, 9}}, {{-1, 1}, {-1, -1}}, {{-1, -1}, {5, 5}}}}, {1, 2});
  c.build();
  EXPECT_NEAR(bayesScore(c.ref, c.profile(1), 1), -std::log10(0.75) + 3, 1e-12);
}

TEST(AssignBayes, FourHundredLociScoreWithoutOverflow) {
  // Each locus contributes the same finite term; a product of 400 probabilities would underflow to 0.
  const int loci = 400;
  Population pop(4, std::vector<std::pair<int, int>>(loci, {1, 2}));
  Population group(30, std::vector<std::pair<int, int>>(loci, {3, 3}));
  Case c(3, {pop}, {group});
  c.build();
  const double one = -std::log10((1 / 3.0) * (4 / 3.0) / (9.0 * 10));
  const double s = bayesScore(c.ref, c.profile(1), 1);
  ASSERT_TRUE(std::isfinite(s));
  EXPECT_NEAR(s, 30 * loci * one, 1e-6);
  c.opt.AssMethod = 2;
  EXPECT_TRUE(std::isfinite(freqScore(c.ref, c.profile(1), 1)));
}

TEST(AssignFrequency, MultinomialScoreOfAGroup) {
  // Group 1/1 and 1/2: N = 4, c1 = 3, c2 = 1, frequencies 0.5 and 0.5:
  // -(log 4! - log 3! - log 1! + 4 log 0.5) = -(log 4 + 4 log 0.5).
  Case c(3, {copies(5, 5)}, {{{{1, 1}}, {{1, 2}}}, {{{1, 3}}}, {{{-1, -1}}}});
  c.opt.AssMethod = 2;
  c.build();
  EXPECT_NEAR(freqScore(c.ref, c.profile(1), 1), -(std::log10(4.0) + 4 * std::log10(0.5)), 1e-12);
  // Allele 3 is absent from the population: its copy is scored with MinFreqMiss and adds 3.
  EXPECT_NEAR(freqScore(c.ref, c.profile(2), 1), -(std::log10(2.0) + std::log10(0.5)) + 3, 1e-12);
  // No copy at the locus: N = 0, term 0.
  EXPECT_EQ(freqScore(c.ref, c.profile(3), 1), 0);
}

TEST(AssignFrequency, MaternalTermCountsUnknownKeysWithMinFreqMiss) {
  // Maternal locus only; population haplotypes 1 (x1) and 2 (x1). Group: 1, 7, 7 -> M = 3, counts 1 and 2.
  Case c(7, {{{{1, 1}}, {{2, 2}}}}, {{{{1, 1}}, {{7, 7}}, {{7, -1}}}}, {2});
  c.opt.AssMethod = 2;
  c.build();
  const double expected = -(std::log10(6.0) - std::log10(2.0) + std::log10(0.5) + 2 * std::log10(0.001));
  EXPECT_NEAR(freqScore(c.ref, c.profile(1), 1), expected, 1e-12);
}

TEST(AssignHaplotypes, KeysKeepTheirCodesApart) {
  // Codes 1 and 23 are not codes 12 and 3; a member missing a first allele adds nothing, one missing only
  // a second allele is complete; an unselected population adds no key.
  Population a = {{{1, 1}, {23, 23}}, {{12, 12}, {3, -1}}, {{-1, 1}, {3, 3}}};
  Population b = {{{5, 5}, {5, 5}}};
  Case c(23, {a, b}, {{{{1, 1}, {1, 1}}}}, {2, 2});
  c.refs.popSel[2] = 0;
  c.build();
  const HaplotypeTable& t = c.ref.maternal;
  ASSERT_EQ(t.size(), 2);
  EXPECT_EQ(t.nComplete[1], 2);
  EXPECT_EQ(t.nComplete[2], 0);
  EXPECT_NE(t.find(t.keys[1]), t.find(t.keys[2]));
  EXPECT_DOUBLE_EQ(t.freq(1, 1), 0.5);
  EXPECT_EQ(t.find("5.5"), 0);
}

TEST(AssignPresence, CodesOfReferenceAndTestGroups) {
  // Locus 1: codes 1, 2 in the reference, 4 only in a test group; code 3 nowhere. Locus 2: all missing.
  Case c(4, {{{{1, 2}, {-1, -1}}}}, {{{{4, -1}, {-1, -1}}}});
  c.build();
  EXPECT_EQ(c.ref.NAllelesLoc[1], 3);
  EXPECT_EQ(c.ref.AllelePresent(1, 3), 0);
  EXPECT_EQ(c.ref.AllelePresent(1, 4), 1);
  EXPECT_EQ(c.ref.NAllelesLoc[2], 0);
}

TEST(AssignDistance, AllelesGenotypesAndWeightedHaplotypes) {
  // Locus 1 bi-parental (population frequencies 0.5 / 0.5), locus 2 maternal (haplotypes 1 and 2, 0.5 each).
  Population pop = {{{1, 2}, {1, 1}}, {{1, 2}, {2, 2}}};
  // Group members carry only allele 1 and only haplotype 1.
  Population group = {{{1, 1}, {1, 1}}, {{1, 1}, {1, 1}}};
  Case c(3, {pop}, {group}, {1, 2});
  c.opt.AssMethod = 3;
  c.opt.GDOnAlleles = 1;
  c.opt.WeightBip = 0.8;
  c.opt.WeightMat = 0.2;
  c.build();
  // alleles: 0.5 (|0.5-1| + |0.5-0|); haplotypes: 0.5 likewise.
  EXPECT_NEAR(gdDistance(c.ref, c.opt, c.profile(1), 1), 0.8 * 0.5 + 0.2 * 0.5, 1e-12);
  // On genotypes: the population has only 1_2, the group only 1_1, which the list lacks and so counts fully.
  c.opt.GDOnAlleles = 0;
  c.opt.GDOnGenotypes = 1;
  c.build();
  EXPECT_NEAR(gdDistance(c.ref, c.opt, c.profile(1), 1), 0.8 * 1.0 + 0.2 * 0.5, 1e-12);
  // Without a maternal locus the weights play no part.
  c.mode[2] = 1;
  c.refs.locSel[2] = 0;
  c.opt.GDOnGenotypes = 0;
  c.opt.GDOnAlleles = 1;
  c.build();
  EXPECT_NEAR(gdDistance(c.ref, c.opt, c.profile(1), 1), 0.5, 1e-12);
}

TEST(AssignDistance, ListsGrowBeyondAnyFixedSize) {
  // 465 genotypes at one locus (codes 1..30) and 1200 maternal haplotypes: a group equal to the population
  // lies at distance 0; one whose genotypes and haplotypes no population has lies at distance 1.
  Population pop, same, other;
  int h = 0;
  for (int a = 1; a <= 30; ++a)
    for (int b = a; b <= 30; ++b) {
      ++h;
      pop.push_back({{a, b}, {h, h}});
      same.push_back({{a, b}, {h, h}});
      other.push_back({{a + 30, b + 30}, {h + 1200, h + 1200}});
    }
  for (; h < 1200; ++h) {
    pop.push_back({{-1, -1}, {h + 1, 1}});
    same.push_back({{-1, -1}, {h + 1, 1}});
    other.push_back({{-1, -1}, {h + 2401, 1}});
  }
  Case c(2400 + 1200, {pop}, {same, other}, {1, 2});
  c.opt.AssMethod = 3;
  c.opt.GDOnGenotypes = 1;
  c.build();
  EXPECT_EQ(c.ref.genotypes.NGenoTypes[1], 465);
  EXPECT_EQ(c.ref.maternal.size(), 1200);
  EXPECT_NEAR(gdDistance(c.ref, c.opt, c.profile(1), 1), 0, 1e-12);
  EXPECT_NEAR(gdDistance(c.ref, c.opt, c.profile(2), 1), 1, 1e-12);
}

TEST(AssignDelta, RelativeScoresToDelta) {
  struct Row {
    std::vector<double> relative;
    double delta;
  } rows[] = {
      {{0, 1, 3}, 1.0 / 3},        // three candidates: second best over third best
      {{0, 2, 2, 4}, 2.0 / 3},     // 2 over the mean of 2 and 4
      {{0, 1}, 0},                 // two candidates
      {{0, 0, 2}, 0},              // the second best ties with the best
      {{0, 0, 0}, 0},              // nobody above the best
      {{3, 0, 5}, 3.0 / 5},        // the best need not come first
  };
  for (const Row& r : rows) EXPECT_NEAR(deltaOfRelativeScores(r.relative), r.delta, 1e-12);
}

TEST(AssignGroups, RelativeScoresProbabilitiesAndTheBest) {
  // Three populations at one locus; group 1 is a 1/1 homozygote, group 2 has no typed locus.
  Case c(3, {copies(8, 2), copies(2, 8), copies(5, 5)}, {{{{1, 1}}}, {{{-1, 2}}}});
  c.build();
  const AssignmentResults r = c.scoreAll();
  double raw[4];
  for (int p = 1; p <= 3; ++p) raw[p] = bayesScore(c.ref, c.profile(1), p);
  EXPECT_EQ(r.GrAssignedPop[1], 1);
  EXPECT_DOUBLE_EQ(r.GrBestScore[1], raw[1]);
  double sum = 0;
  for (int p = 1; p <= 3; ++p) {
    ASSERT_TRUE(r.GrScore(1, p));
    EXPECT_NEAR(*r.GrScore(1, p), raw[p] - raw[1], 1e-12);
    EXPECT_NEAR(*r.observedScore(1, p), raw[p], 1e-12);
    EXPECT_NEAR(*r.GrProb(1, p), std::pow(10.0, -(raw[p] - raw[1])) /
                                     (1 + std::pow(10.0, raw[1] - raw[2]) + std::pow(10.0, raw[1] - raw[3])), 1e-12);
    sum += *r.GrProb(1, p);
  }
  EXPECT_NEAR(sum, 1, 1e-12);
  const double r2 = raw[2] - raw[1], r3 = raw[3] - raw[1];
  EXPECT_NEAR(r.GrDelta[1], std::min(r2, r3) / std::max(r2, r3), 1e-12);
  // No typed locus: not assigned, no score anywhere.
  EXPECT_EQ(r.GrTyped[2], 0);
  EXPECT_EQ(r.GrAssignedPop[2], 0);
  for (int p = 1; p <= 3; ++p) EXPECT_FALSE(r.GrScore(2, p));
}

TEST(AssignGroups, TiesAndHugeRelativeScores) {
  // Populations 1 and 2 are equal: the first wins, both have relative score 0, and the delta is 0.
  // Population 3 lacks the group's allele at 300 loci: its relative score exceeds 100 and its
  // probability is 10^-100 of the others', not 0/0.
  const int loci = 300;
  Population same(2, std::vector<std::pair<int, int>>(loci, {1, 1}));
  Population other(2, std::vector<std::pair<int, int>>(loci, {2, 2}));
  Population group(1, std::vector<std::pair<int, int>>(loci, {1, 1}));
  Case c(2, {same, same, other}, {group});
  c.build();
  const AssignmentResults r = c.scoreAll();
  EXPECT_EQ(r.GrAssignedPop[1], 1);
  EXPECT_EQ(*r.GrScore(1, 2), 0);
  EXPECT_GT(*r.GrScore(1, 3), 100);
  EXPECT_EQ(r.GrDelta[1], 0);
  EXPECT_NEAR(*r.GrProb(1, 1), 0.5, 1e-12);
  EXPECT_NEAR(*r.GrProb(1, 3), 0.5e-100, 1e-110);
}

TEST(AssignGroups, OnlySelectedPopulationsAreCandidates) {
  // Under the distance on alleles the unselected population 2 would lie at 0.5 from the group and win;
  // it is not scored, so the selected population 1 (distance 1, nothing shared) is not assigned either.
  Case c(3, {copies(4, 0), copies(2, 2)}, {{{{2, 2}}}});
  c.opt.AssMethod = 3;
  c.opt.GDOnAlleles = 1;
  c.refs.popSel[2] = 0;
  c.build();
  AssignmentResults r = c.scoreAll();
  EXPECT_FALSE(r.GrScore(1, 2));
  EXPECT_DOUBLE_EQ(*r.GrScore(1, 1), 1);
  EXPECT_DOUBLE_EQ(*r.GrProb(1, 1), 0);
  EXPECT_EQ(r.GrAssignedPop[1], 0);
  // The Bayesian method scores the selected one only and assigns the group to it.
  c.opt.AssMethod = 1;
  c.build();
  r = c.scoreAll();
  EXPECT_FALSE(r.GrScore(1, 2));
  EXPECT_EQ(r.GrAssignedPop[1], 1);
}

}  // namespace
}  // namespace kiwora
