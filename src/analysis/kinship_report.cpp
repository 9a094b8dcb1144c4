#include "analysis/kinship_report.h"

#include "analysis/report_frame.h"

namespace kiwora {
namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// A share or mean as the report shows it: three decimals, dashes where the value is undefined.
std::string share(const LineWriter& out, const Cell& c) {
  return maskedCell(c, "0.000", out.decimalSign());
}

void legendLines(LineWriter& out, std::initializer_list<const char*> lines) {
  for (const char* l : lines) out.text(l).nl();
}

void intervalHeading(LineWriter& out, const SimulatedIntervals& s, const std::string& title, int dashes) {
  out.text(title).nl();
  out.text(std::string(at(dashes), '-')).nl();
  out.text("Number of simulations = " + std::to_string(s.NSim)).nl();
  out.text("Confidence interval   = " + std::to_string(s.CILimit) + " %").nl();
  out.nl();
}

}  // namespace

void printKinshipSection(LineWriter& out, const AnalysisView& m, const AnalysisOptions& used) {
  if (used.FlagKinship != 1) return;
  const KinshipResults& k = m.kinship;
  const auto cellAt = [](const Vec1<Cell>& v, int p) { return at(p) < v.size() ? v[at(p)] : Cell{}; };
  const auto countAt = [](const Vec1<int>& v, int p) { return at(p) < v.size() ? v[at(p)] : 0; };
  PopulationRows rows{m};

  printSectionFrame(out, "#####    Analysis of genetic distance and kinship among individuals in each population   #####");
  out.text("   Used measures: Genetic distance (Gregorius 1978) / kinship coefficient (Loiselle et al. 1995)").nl();
  out.nl();
  if (used.FlagKinFreqAllPops == 1) {
    out.text("Used weighted mean allele frequecies of selected population to calculate of kinship").nl();
    out.nl();
  }
  if (used.FlagKinFreqNeighbours == 1) {
    out.text("Used weighted mean allele frequecies of selected population in neighbourhood of " +
             std::to_string(used.KinNNeighbours) + " populations to calculate of kinship")
        .nl();
    out.nl();
  }
  out.nl();
  legendLines(out, {
      "N          = Number of individuals in the population",
      "NP         = Number of pairs of individuals in the population",
      "Min_GDM    = Minimum multilocus-genetic distance among pairs of individuals in the population",
      "Mean_GDM   = Mean multilocus-genetic distance among pairs of individuals in the population",
      "Max_GDM    = Maximum multilocus-genetic distance among pairs of individuals in the population",
      "N_D_00     = Number of pairs of individuals in the population with multilocus genetic distance D = 0.00",
      "N_D_05     = Number of pairs of individuals in the population with multilocus genetic distance D: 0.00 < D <= 0.05",
      "N_D_10     = Number of pairs of individuals in the population with multilocus genetic distance D: 0.05 < D <= 0.10",
      "Kin<125    = Proportion of pairs of individuals in the population with kinship Kin: 0.050< K <= 0.125",
      "Kin<250    = Proportion of pairs of individuals in the population with kinship Kin: 0.125< K <= 0.250",
      "Kin>250    = Proportion of pairs of individuals in the population with kinship Kin: K> 0.250",
      "Mean_K     = Mean kinship among pairs of individuals in the population",
  });
  out.nl();

  const char* heads[] = {"Pop",    "N",      "NP",      "Min_GDM",   "Mean_GDM", "Max_GDM", "N_D_00",
                         "N_D_05", "N_D_10", "5<K<125", "125<K<250", "K>250",    "Mean_K"};
  for (int c = 0; c < 13; ++c) out.tab(c == 0 ? 5 : 10 + 10 * c).text(heads[c]);
  out.nl();
  out.tab(5).text(std::string(142, '-')).nl();
  rows.forSelected([&](int p) {
    if (countAt(k.KinNP, p) <= 0) return;
    out.tab(5).text(m.ds.PopName[at(p)]);
    out.tab(20).num(m.ds.NInd[at(p)]);
    out.tab(30).num(countAt(k.KinNP, p));
    out.tab(40).text(share(out, cellAt(k.KinMinGDM, p)));
    out.tab(50).text(share(out, cellAt(k.KinMeanGDM, p)));
    out.tab(60).text(share(out, cellAt(k.KinMaxGDM, p)));
    out.tab(70).num(countAt(k.KinND00, p));
    out.tab(80).num(countAt(k.KinND05, p));
    out.tab(90).num(countAt(k.KinND10, p));
    out.tab(100).text(share(out, cellAt(k.KinP125, p)));
    out.tab(110).text(share(out, cellAt(k.KinP250, p)));
    out.tab(120).text(share(out, cellAt(k.KinPGt250, p)));
    out.tab(130).text(share(out, cellAt(k.KinMeanK, p)));
    out.nl();
  });
  out.nl();
  out.nl();

  const SimulatedIntervals& s = k.sim;
  if (used.FlagSimulateCI != 1 || s.NSim < 1) return;

  intervalHeading(out, s, "Confidence intervals for multilocus genetic distances between simulated pairs of individuals", 92);
  legendLines(out, {"SE = selfings", "FS = fullsibs", "HS = halfsibs", "NR = unrelated individuals"});
  out.nl();
  const char* ciHeads[] = {"Pop", "CI_1_SE", "CI_2_SE", "CI_1_FS", "CI_2_FS", "CI_1_HS", "CI_2_HS", "CI_1_NR", "CI_2_NR"};
  for (int c = 0; c < 9; ++c) out.tab(c == 0 ? 5 : 10 + 10 * c).text(ciHeads[c]);
  out.nl();
  out.text(std::string(102, '-')).nl();
  rows.forSelected([&](int p) {
    out.tab(5).num(p);
    if (p > s.SimSE.n1()) {
      out.nl();
      return;
    }
    const Table2<double>* series[] = {&s.SimSE, &s.SimFS, &s.SimHS, &s.SimNR};
    int col = 20;
    for (const Table2<double>* t : series) {
      out.tab(col).fmt((*t)(p, s.CILow), "0.0000");
      out.tab(col + 10).fmt((*t)(p, s.CIHigh), "0.0000");
      col += 20;
    }
    out.nl();
  });
  out.nl();
  out.nl();

  intervalHeading(out, s,
                  "Proportion of multilocus genetic distances between individuals in classes of simulated confidence intervals ",
                  108);
  legendLines(out, {"SE    = selfings", "FS    = fullsibs", "FS_HS = between fullsibs and halfsibs", "HS    = halfsibs",
                    "HS_NR = between halfsibs and unbrelated individuals", "NR    = unrelated individuals",
                    "NN    = not clearly assigned to a group"});
  out.nl();
  const char* classHeads[] = {"Pop", "SE", "FS", "FS_HS", "HS", "HS_NR", "NR", "NN"};
  for (int c = 0; c < 8; ++c) out.tab(c == 0 ? 5 : 10 + 10 * c).text(classHeads[c]);
  out.nl();
  out.text(std::string(95, '-')).nl();
  rows.forSelected([&](int p) {
    out.tab(5).num(p);
    for (int c = 0; c < kKinClasses; ++c) {
      // A population without evaluated pairs has no shares: its cells stay empty.
      const Cell v = cellAt(k.classShare(static_cast<KinClass>(c)), p);
      if (v) out.tab(20 + 10 * c).fmt(*v, "0.000");
    }
    out.nl();
  });
  out.nl();
}

}  // namespace kiwora
