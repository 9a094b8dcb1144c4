// The exclusion tables of the assignment result file on hand-made probabilities: the threshold of 0.95,
// the smallest probability below it, populations without simulations, percentages of all groups.
#include <gtest/gtest.h>

#include "assign/exclusion_report.h"
#include "support/golden.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The line that starts with `name`, after the line that starts with `after`.
std::string lineOf(const std::vector<std::string>& ls, const std::string& name, const std::string& after) {
  bool seen = false;
  for (const auto& l : ls) {
    if (l.rfind(after, 0) == 0) seen = true;
    else if (seen && l.rfind(name, 0) == 0) return l;
  }
  return "(none)";
}

// Three populations (the third without simulations), four groups assigned to populations 2, 2, 2, 1.
struct Report {
  Model m;
  AssignmentResults res;
  AssignmentOptions opt;
  Table2<Cell> E;

  Report() {
    m.ds.NPop = 3;
    m.ds.PopName = {"", "North", "South", "East"};
    m.test.NTestGr = 4;
    m.test.TestGrName = {"", "G1", "G2", "G3", "G4"};
    m.test.NTestLoci = {0, 5, 4, 5, 3};
    res.resize(4, 3);
    res.GrAssignedPop = {0, 2, 2, 2, 1};
    for (int g = 1; g <= 4; ++g) res.GrTyped[at(g)] = 1;
    opt.AssMethod = 1;
    E.resize(4, 3);
  }
  std::vector<std::string> lod1() {
    LineWriter out;
    writeExclusionLod1Tables(out, {m.ds, m.sel, m.test}, opt, res, E);
    return testing::splitLines(out.str());
  }
};

// Columns of the assignment table: name 1, loci 25, assigned 40, own 60, minimum's population 80, minimum 100.
std::string row(const std::string& name, int loci, const std::string& assigned, const std::string& own,
                const std::string& minPop, const std::string& min) {
  std::string s = name;
  const auto to = [&s](std::size_t col) { s.resize(col - 1, ' '); };
  to(25);
  s += " " + std::to_string(loci) + " ";
  to(40);
  s += assigned;
  to(60);
  s += own;
  to(80);
  s += minPop;
  to(100);
  return s + min;
}

// A line of three texts at columns 1, 20 and 40 (summary rows, delta rows).
std::string columns20And40(const std::string& a, const std::string& b, const std::string& c) {
  std::string s = a;
  s.resize(19, ' ');
  s += b;
  s.resize(39, ' ');
  return s + c;
}

TEST(ExclusionReport, AssignmentTableThresholdTiesAndPopulationsWithoutSimulations) {
  Report r;
  // G1: own 0.95 exactly (excluded), nothing below 0.95. G2: own 0.2, North and South tie at 0.2 below.
  // G3: own 0.99; East has no simulations and would be smallest. G4: own 0.5 in North.
  const double e[4][2] = {{0.97, 0.95}, {0.2, 0.2}, {0.96, 0.99}, {0.5, 0.98}};
  for (int g = 1; g <= 4; ++g)
    for (int p = 1; p <= 2; ++p) r.E(g, p) = e[g - 1][p - 1];
  const auto ls = r.lod1();
  const std::string after = "Name Group";
  EXPECT_EQ(lineOf(ls, "G1", after), row("G1", 5, "South", "0.950", "", " "));
  EXPECT_EQ(lineOf(ls, "G2", after), row("G2", 4, "South", "0.200", "North", "0.200"));
  EXPECT_EQ(lineOf(ls, "G3", after), row("G3", 5, "South", "0.990", "", " "));
  EXPECT_EQ(lineOf(ls, "G4", after), row("G4", 3, "North", "0.500", "North", "0.500"));
  // The exclusion table shows "-" where nothing was simulated.
  std::string g1 = "G1";
  g1.resize(19, ' ');
  EXPECT_EQ(lineOf(ls, "G1", "   ###       based on LOD1-values"), g1 + "  0.970  0.950      -");
  // Of the four groups three went to South, one of them below 0.95; North one, below.
  const std::string summary = "Reference pop";
  EXPECT_EQ(lineOf(ls, "North", summary), columns20And40("North", "25.00", "25.00"));
  EXPECT_EQ(lineOf(ls, "South", summary), columns20And40("South", "75.00", "25.00"));
  EXPECT_EQ(lineOf(ls, "East", summary), columns20And40("East", "0.00", "0.00"));
}

TEST(ExclusionReport, ProbabilitiesEqualInExactArithmeticDecideAsEqual) {
  Report r;
  // G1's own probability is 0.95 and G2's two smallest are both 0.2, each summed so that the last bit
  // lies below: 0.95 still excludes, and the tie still goes to North.
  const double e[4][2] = {{0.97, 1.63 - 0.68}, {0.2, 0.21 - 0.01}, {0.96, 0.99}, {0.5, 0.98}};
  for (int g = 1; g <= 4; ++g)
    for (int p = 1; p <= 2; ++p) r.E(g, p) = e[g - 1][p - 1];
  const auto ls = r.lod1();
  const std::string after = "Name Group";
  EXPECT_EQ(lineOf(ls, "G1", after), row("G1", 5, "South", "0.950", "", " "));
  EXPECT_EQ(lineOf(ls, "G2", after), row("G2", 4, "South", "0.200", "North", "0.200"));
  EXPECT_EQ(lineOf(ls, "South", "Reference pop"), columns20And40("South", "75.00", "25.00"));
}

TEST(ExclusionReport, GroupsNotAssignedAndTheDeltaTable) {
  Report r;
  r.res.GrAssignedPop[3] = 0;  // G3 without data: no population, no probabilities
  r.res.GrTyped[3] = 0;
  for (int g : {1, 2, 4})
    for (int p = 1; p <= 2; ++p) r.E(g, p) = 0.99;
  const auto ls = r.lod1();
  EXPECT_EQ(lineOf(ls, "G3", "Name Group"), row("G3", 5, "", "-", "", " "));

  r.res.DeltaProb = {std::nullopt, 0.95, 0.5, std::nullopt, 0.0};
  LineWriter out;
  writeExclusionDeltaTable(out, {r.m.ds, r.m.sel, r.m.test}, r.res);
  const auto dl = testing::splitLines(out.str());
  EXPECT_EQ(lineOf(dl, "G1", "Name Group"), columns20And40("G1", "South", "0.9500"));
  EXPECT_EQ(lineOf(dl, "G3", "Name Group"), columns20And40("G3", "", "-"));
  EXPECT_EQ(lineOf(dl, "G4", "Name Group"), columns20And40("G4", "North", "0.0000"));
  // South: G1 (0.95, not below) and G2 (below); North: G4 (below).
  EXPECT_EQ(lineOf(dl, "South", "Reference pop"), columns20And40("South", "50.00", "25.00"));
}

}  // namespace
}  // namespace kiwora
