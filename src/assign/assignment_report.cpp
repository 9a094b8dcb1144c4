#include "assign/assignment_report.h"

#include <array>
#include <iterator>
#include <string>

namespace kiwora {

const char* inheritanceText(Inheritance mode) {
  switch (mode) {
    case Inheritance::Maternal: return "maternally inherited";
    case Inheritance::Paternal: return "paternally inherited";
    case Inheritance::BiParental: break;
  }
  return "bi-parentally inherited";
}

namespace {

void frame(LineWriter& out, std::initializer_list<const char*> lines) {
  for (const char* l : lines) out.tab(4).text(l).nl();
}

std::string rule(std::size_t n, char c) { return std::string(n, c); }

// " P(1)  P(2)  ...": each number followed by the gap, which closes its bracket.
std::string populationHeading(int nPop, const std::string& gap) {
  std::string s = " ";
  for (int p = 1; p <= nPop; ++p) s += " P(" + std::to_string(p) + gap;
  return s;
}

// A cell "  0.000", or the same width ending in "-" when undefined.
std::string cell(const Cell& v, char dec) {
  if (!v) return "      -";
  return "  " + masked(*v, "0.000", dec);
}

// A -log10 cell: the score with two decimals, preceded by four, three or two blanks by its size.
std::string likelihoodCell(const Cell& v, char dec) {
  if (!v) return "       -";
  const double x = *v;
  const std::string blanks = x < 10 ? "    " : x < 100 ? "   " : "  ";
  return blanks + masked(x, "0.00", dec);
}

template <class CellText>
void table(LineWriter& out, const AssignmentData& m, const AssignmentResults& r, int column, const std::string& gap,
           CellText&& cellText) {
  out.tab(column).text(populationHeading(m.ds.NPop, gap)).nl();
  out.nl();
  for (int g = 1; g <= m.test.NTestGr; ++g) {
    std::string row;
    for (int p = 1; p <= m.ds.NPop; ++p) row += cellText(g, p);
    if (r.GrTyped[static_cast<std::size_t>(g)] != 1) row += kNotTypedNote;
    out.tab(1).text(m.test.TestGrName[static_cast<std::size_t>(g)]).tab(column).text(row).nl();
  }
}

}  // namespace

std::string assignHeaderIdentity(const AssignmentData& m) {
  std::string s = m.ds.RefFileName + '\n' + m.ds.TestFileName + '\n';
  for (int p = 1; p <= m.ds.NPop; ++p)
    s += m.ds.PopName[static_cast<std::size_t>(p)] + '\t' + std::to_string(m.ds.NInd[static_cast<std::size_t>(p)]) + '\n';
  for (int g = 1; g <= m.test.NTestGr; ++g) s += m.test.TestGrName[static_cast<std::size_t>(g)] + '\n';
  return s;
}

void writeReferencePopulationList(LineWriter& out, const AssignmentData& m) {
  const DataSet& ds = m.ds;
  out.tab(4).text(rule(39, '#')).nl();
  out.tab(4).text("###  List of Reference Populations  ###").nl();
  out.tab(4).text(rule(39, '#')).nl();
  out.nl();
  for (int p = 1; p <= ds.NPop; ++p) {
    const auto pu = static_cast<std::size_t>(p);
    out.tab(4).text(std::to_string(p) + ". " + ds.PopName[pu]).tab(30).text("/ N= " + std::to_string(ds.NInd[pu])).nl();
  }
}

void writeAssignHeader(LineWriter& out, const AssignmentData& m, const std::string& date) {
  const DataSet& ds = m.ds;
  const TestGroups& t = m.test;
  out.nl();
  out.tab(4).text("Date:  " + date).nl();
  out.tab(4).text("File with reference populations:  " + ds.RefFileName).nl();
  out.tab(4).text("File with control groups       :  " + ds.TestFileName).nl();
  out.nl();
  writeReferencePopulationList(out, m);
  out.nl();
  out.tab(4).text(rule(55, '_')).nl();
  out.nl();
  frame(out, {"#############################", "###  List of Test Groups  ###", "#############################"});
  out.nl();
  for (int g = 1; g <= t.NTestGr; ++g) out.tab(4).text(std::to_string(g) + ". " + t.TestGrName[static_cast<std::size_t>(g)]).nl();
  out.nl();
  out.tab(4).text(rule(55, '_')).nl();
  out.nl();
  out.tab(4).text(rule(58, '#')).nl();
  out.tab(4).text("###     Proportion of missing data in the groups       ###").nl();
  out.tab(4).text(rule(58, '#')).nl();
  out.nl();
  std::string heading = " ";
  for (int l = 1; l <= ds.NLoci; ++l)
    if (m.sel.LocSel[static_cast<std::size_t>(l)] == 1) heading += " L(" + std::to_string(l) + ")  ";
  out.tab(1).text("Name Gr").tab(20).text("N ").zone().tab(30).text(heading).nl();
  out.nl();
  for (int g = 1; g <= t.NTestGr; ++g) {
    const auto gu = static_cast<std::size_t>(g);
    std::string row;
    for (int l = 1; l <= ds.NLoci; ++l)
      if (m.sel.LocSel[static_cast<std::size_t>(l)] == 1) row += "  " + masked(t.TestMissProp(g, l), "0.000", out.decimalSign());
    out.tab(1).text(t.TestGrName[gu]).tab(20).num(t.NTestInd[gu]).zone().tab(30).text(row).nl();
  }
  out.nl();
  out.nl();
}

void writeAssignMethodBlock(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt) {
  out.nl();
  if (opt.method() == AssignMethod::Bayesian) {
    frame(out, {"########################################################",
                "###     Results of group Assignment/Exlusion         ###",
                "###   Bayesian method (Rannala & Mountain 1997)      ###",
                "########################################################"});
  } else if (opt.method() == AssignMethod::Frequency) {
    frame(out, {"######################################################",
                "###     Results of group Assignment/Exclusion      ###",
                "###    Frequency method (Paetkau et al. 1995)      ###",
                "######################################################"});
  } else {
    frame(out, {"########################################################",
                "###      Results of group Assignment/Exlusion        ###",
                "###        Genetic distance (Gregorius 1974)         ###",
                opt.GDOnAlleles == 1 ? "###       - based on frequencies of alleles -        ###"
                                     : "### -based on frequencies of single locus genotypes- ###",
                "########################################################"});
  }
  out.nl();
  out.nl();
  out.tab(1).text("Selected loci").nl();
  out.tab(1).text("-------------").nl();
  for (int l = 1; l <= m.ds.NLoci; ++l) {
    const auto lu = static_cast<std::size_t>(l);
    if (m.sel.LocSel[lu] != 1) continue;
    out.tab(1).text(m.ds.LocName[lu]).zone().tab(15).text(inheritanceText(m.sel.inheritance(l))).nl();
  }
  out.nl();
  const char dec = out.decimalSign();
  if (opt.GDOnGenotypes == 1 || opt.GDOnAlleles == 1) {
    out.nl();
    out.tab(1).text("Weigt probabilities for bi-parental loci = " + plainNumber(opt.WeightBip, dec)).nl();
    out.tab(1).text("Weigt probabilities for maternal loci    = " + plainNumber(opt.WeightMat, dec)).nl();
    out.nl();
  }
  out.nl();
  out.tab(1).text("Parameters for the assignment test").nl();
  out.tab(1).text(rule(43, '-')).nl();
  out.nl();
  if (opt.method() == AssignMethod::Frequency) out.tab(1).text("Frequency for missing alleles = " + plainNumber(opt.MinFreqMiss, dec)).nl();
  out.nl();
  out.tab(1).text("Number of simulated groups    = " + std::to_string(opt.NSimGroups)).nl();
  out.nl();
  // The lines that name each generator, in the order of kSimGenerators (looked up by positionOf).
  static const std::array<const char*, 2> generatorLines[] = {
      {"Genotypes generated according to allele frequencies", "   (corrected by F-values and 99% CI of alleles)"},
      {"Genotypes generated with multilocus haplotypes of reference pop", nullptr},
      {"Genotypes generated with single locus genotypes of reference pop", nullptr},
      {"Genotypes generated with alleles of reference pop", nullptr},
      {"Genotypes generated with alleles + haplotypes of reference pop", nullptr},
  };
  static_assert(std::size(generatorLines) == std::size(kSimGenerators));
  if (opt.generator() != SimGenerator::Unset)
    for (const char* line : generatorLines[positionOf(opt.generator())])
      if (line) out.tab(1).text(line).nl();
  out.nl();
  out.tab(1).text(rule(67, '-')).nl();
  out.nl();
  out.nl();
}

void writeAssignScoreTables(LineWriter& out, const AssignmentData& m, const AssignmentOptions& opt, const AssignmentResults& r) {
  const char dec = out.decimalSign();
  const auto score = [&](int g, int p) { return cell(r.GrScore(g, p), dec); };
  const auto prob = [&](int g, int p) { return cell(r.GrProb(g, p), dec); };
  if (opt.method() == AssignMethod::GeneticDistance) {
    out.nl();
    frame(out, {"###########################", "#### Genetic Distances ####", "###########################"});
    out.nl();
    table(out, m, r, 20, ")  ", score);
    out.nl();
    frame(out, {"#######################", "#### Similarities  ####", "#######################"});
    out.nl();
    table(out, m, r, 20, ")  ", prob);
    return;
  }
  frame(out, {"#########################################", "####   -log10(genotype likelihood)   ####",
              "#########################################"});
  out.nl();
  table(out, m, r, 15, ")   ", [&](int g, int p) { return likelihoodCell(r.observedScore(g, p), dec); });
  out.nl();
  frame(out, {"#################", "#### SCORES  ####", "#################"});
  out.nl();
  table(out, m, r, 20, ")  ", prob);
}

void writeAssignFrame(LineWriter& out, std::initializer_list<const char*> lines) { frame(out, lines); }

std::string assignProbabilityCell(const Cell& v, char dec) { return cell(v, dec); }

void writeAssignPopulationTable(LineWriter& out, const AssignmentData& m, const AssignmentResults& r, int column,
                                const std::string& gap, const std::function<std::string(int g, int p)>& cellText) {
  table(out, m, r, column, gap, cellText);
}

}  // namespace kiwora
