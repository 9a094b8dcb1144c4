#include "assign/exclusion_report.h"

#include <string>
#include <vector>

#include "assign/assignment_report.h"
#include "assign/exclusion.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// The name of population p, empty for none.
std::string popName(const AssignmentData& m, int p) { return p >= 1 && p <= m.ds.NPop ? m.ds.PopName[at(p)] : std::string(); }

// Per population the share of all groups assigned to it and of those whose own exclusion probability
// lies below the threshold, as percentages.
void writeSummary(LineWriter& out, const AssignmentData& m, const AssignmentResults& r, const std::vector<Cell>& own) {
  const int nPop = m.ds.NPop, nGroups = m.test.NTestGr;
  std::vector<int> assigned(at(nPop + 1), 0), below(at(nPop + 1), 0);
  for (int g = 1; g <= nGroups; ++g) {
    const int p = r.GrAssignedPop[at(g)];
    if (p < 1 || p > nPop) continue;
    ++assigned[at(p)];
    if (own[at(g)] && belowExclusionThreshold(*own[at(g)])) ++below[at(p)];
  }
  const char dec = out.decimalSign();
  const auto percent = [&](int count) { return masked(nGroups > 0 ? 100.0 * count / nGroups : 0.0, "0.00", dec); };
  out.nl();
  out.tab(1).text("Summary").nl();
  out.tab(1).text("-------").nl();
  out.tab(1).text("Reference pop").zone().tab(20).text("% assigned groups").tab(40).text("% assigned groups < 95% exclusion prob").nl();
  out.tab(1).text(std::string(100, '-')).nl();
  for (int p = 1; p <= nPop; ++p)
    out.tab(1).text(popName(m, p)).zone().tab(20).text(percent(assigned[at(p)])).tab(40).text(percent(below[at(p)])).nl();
}

}  // namespace

void writeExclusionLod1Tables(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt,
                              const AssignmentResults& r, const Table2<Cell>& E) {
  const char dec = out.decimalSign();
  out.nl();
  if (opt.method() == AssignMethod::GeneticDistance)
    writeAssignFrame(out, {"##################################################",
                           "###         Probability of Exclusion           ###",
                           "### based on distribution of genetic distances ###",
                           "##################################################"});
  else
    writeAssignFrame(out, {"#########################################", "###     Probability of Exclusion      ###",
                           "###       based on LOD1-values        ###", "#########################################"});
  out.nl();
  writeAssignPopulationTable(out, m, r, 20, ")  ", [&](int g, int p) { return assignProbabilityCell(E(g, p), dec); });

  // The assignment table: the group's own exclusion probability, and the population with the smallest one
  // below the threshold (the first of equals); a population without simulations takes no part.
  out.nl();
  out.nl();
  out.tab(1).text("Name Group").tab(25).text("N Loci Data").tab(40).text("Assigned to Pop").tab(60).text("E. Prob.");
  out.tab(80).text("Pop Min E. Prob.").tab(100).text("Min E. Prob").nl();
  out.nl();
  std::vector<Cell> own(at(m.test.NTestGr + 1));
  for (int g = 1; g <= m.test.NTestGr; ++g) {
    const int assigned = r.GrAssignedPop[at(g)];
    if (assigned >= 1 && assigned <= m.ds.NPop) own[at(g)] = E(g, assigned);
    // The smallest below the threshold; of values equal within the tie rule the first population's.
    std::vector<int> pops;
    std::vector<double> below;
    for (int p = 1; p <= m.ds.NPop; ++p)
      if (const Cell& e = E(g, p); e && belowExclusionThreshold(*e)) {
        pops.push_back(p);
        below.push_back(*e);
      }
    const std::size_t first = firstOfSmallest(below, Rounding{4, 1});  // exclusion probabilities: shares of counts
    const int minPop = first < pops.size() ? pops[first] : 0;
    const double min = minPop ? below[first] : 1;
    out.tab(1).text(m.test.TestGrName[at(g)]).tab(25).num(m.test.NTestLoci[at(g)]).tab(40).text(popName(m, assigned));
    out.tab(60).text(maskedOr(own[at(g)], "0.000", dec, "-")).tab(80).text(popName(m, minPop));
    out.tab(100).text(minPop ? masked(min, "0.000", dec) : " ").nl();
  }
  writeSummary(out, m, r, own);
  out.nl();
  out.nl();
}

void writeExclusionDeltaTable(LineWriter& out, const AssignmentData& m, const AssignmentResults& r) {
  const char dec = out.decimalSign();
  out.nl();
  writeAssignFrame(out, {"#########################################", "###     Probability of Exclusion      ###",
                         "###     based on DELTA LOD-values     ###", "#########################################"});
  out.nl();
  out.nl();
  out.nl();
  out.tab(1).text("Name Group").tab(20).text("Assigned to Pop").tab(40).text("Probability").nl();
  out.nl();
  std::vector<Cell> own(at(m.test.NTestGr + 1));
  for (int g = 1; g <= m.test.NTestGr; ++g) {
    if (at(g) < r.DeltaProb.size()) own[at(g)] = r.DeltaProb[at(g)];
    out.tab(1).text(m.test.TestGrName[at(g)]).tab(20).text(popName(m, r.GrAssignedPop[at(g)]));
    out.tab(40).text(maskedOr(own[at(g)], "0.0000", dec, "-")).nl();
  }
  writeSummary(out, m, r, own);
  out.nl();
  out.nl();
}

}  // namespace kiwora
