// Variation within the selected populations: numbers of alleles and genotypes, polymorphic loci, allelic
// richness, diversity v, evenness and the variation of multilocus genotypes.
#include <string>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "base/number_format.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

const std::string kUnderscores(55, '_');

std::size_t u(int i) { return static_cast<std::size_t>(i); }

void closeTable(LineWriter& out) {
  out.nl();
  out.tab(4).text(kUnderscores).nl();
  out.nl();
}

// A richness followed by 5 blanks when the value is 9.9 or less (by the tie rule) and by 4 otherwise (so
// 9.96, printed 10.0, ends in the same column as 9.9). A richness is a mean of counts of alleles over the
// loci, or a quotient of such; the rounding the printed digit allows for covers it.
std::string richnessCell(const Cell& v, char dec) {
  return maskedCell(v, "0.0", dec) + std::string(v && clearlyAbove(*v, 9.9, Rounding{kPrintedRoundingUlps}) ? 4 : 5, ' ');
}

// The per-locus rows of a table of values "0.000", then the summary row under its label.
template <class PerLocus, class Summary>
void valueTable(LineWriter& out, const AnalysisView& m, int column, const std::string& summaryLabel, PerLocus perLocus,
                Summary summary) {
  const PopulationRows rows{m, out.decimalSign()};
  out.tab(column).text(rows.numberRow("  ")).nl();
  out.tab(column).text(rows.dashRow("", 7)).nl();
  forSelectedLoci(m, [&](int k) {
    out.tab(1).text(m.ds.LocName[u(k)]).tab(column)
        .text(rows.valueRow("", "0.000", [&](int i) { return perLocus(i, k); })).nl();
  });
  out.nl();
  out.tab(1).text(summaryLabel).tab(column).text(rows.valueRow("", "0.000", summary)).nl();
  closeTable(out);
}

}  // namespace

void printNumberOfAlleles(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####      No. of Alleles      #####");
  const PopulationRows rows{m, out.decimalSign()};
  const auto& n = m.alleles.NAlleles;
  out.tab(10).text(rows.numberRow("")).nl();
  out.tab(10).text(rows.dashRow("", 5)).nl();
  forSelectedLoci(m, [&](int k) {
    out.tab(1).text(m.ds.LocName[u(k)]).tab(10).text(rows.trailingCountRow([&](int i) { return n(i, k); })).nl();
  });
  out.nl();
  out.tab(1).text("Total").tab(10).text(rows.trailingCountRow([&](int i) {
    long long total = 0;
    forSelectedLoci(m, [&](int k) { total += n(i, k); });
    return total;
  })).nl();
  closeTable(out);
}

void printNumberOfGenotypes(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####  No. of unordered Single-Locus-Genotypes  #####");
  const PopulationRows rows{m, out.decimalSign()};
  const VariationStats& v = m.variation;
  out.tab(10).text(rows.numberRow("")).nl();
  out.tab(10).text(rows.dashRow("", 5)).nl();
  forSelectedLoci(m, [&](int k) {
    out.tab(1).text(m.ds.LocName[u(k)]).tab(10)
        .text(rows.trailingCountRow([&](int i) { return v.NGenotypesLoc(i, k); })).nl();
  });
  out.nl();
  out.tab(1).text("Total").tab(10).text(rows.trailingCountRow([&](int i) { return v.NGenotypesPop[u(i)]; })).nl();
  closeTable(out);
}

void printPolymorphicLoci(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####    Percentage of Polymorphic loci     #####");
  const PopulationRows rows{m, out.decimalSign()};
  const auto& pct = m.variation.PercentPolymorphic;
  out.nl();
  out.tab(1).text("Pop").zone().tab(30).text("%").nl();
  out.tab(1).text(std::string(58, '-')).nl();
  rows.forSelected([&](int i) {
    const Cell v = u(i) < pct.size() ? pct[u(i)] : Cell{};
    out.tab(1).text(m.ds.PopName[u(i)]).zone().tab(30).text(maskedCell(v, "0.00", out.decimalSign())).nl();
  });
  out.nl();
  out.nl();
}

void printAllelicRichness(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####     Allelic Richness     #####");
  const PopulationRows rows{m, out.decimalSign()};
  const auto& r = m.alleles.AllelicRichness;
  const char dec = out.decimalSign();
  out.tab(10).text("n").tab(17).text(rows.numberRow("", 7, 6)).nl();
  out.tab(10).text(rows.dashRow("", 9)).nl();
  forSelectedLoci(m, [&](int k) {
    out.tab(1).text(m.ds.LocName[u(k)]).tab(10);
    // A locus without data in any selected population has no rarefaction size.
    const int g = m.alleles.MinGeneCount[u(k)];
    if (g == kNoRarefaction) out.text(" - ");
    else out.num(g);
    std::string row;
    rows.forSelected([&](int i) { row += richnessCell(r(i, k), dec); });
    out.tab(17).text(row).nl();
  });
  out.nl();
  std::string total;
  rows.forSelected([&](int i) {
    // The sum over the loci where the population has data; undefined where it has none at all.
    Cell sum;
    forSelectedLoci(m, [&](int k) {
      if (r(i, k)) sum = sum.value_or(0) + *r(i, k);
    });
    total += richnessCell(sum, dec);
  });
  out.tab(1).text("Total").tab(17).text(total).nl();
}

void printDiversityV(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####   DIVERSITY V (ALLELES)  #####");
  const VariationStats& v = m.variation;
  valueTable(
      out, m, 20, "Gene pool", [&](int i, int k) { return v.DiversityV(i, k); },
      [&](int i) { return v.DiversityVMean[u(i)]; });
}

void printEvenness(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####   EVENESS (ALLELES)  #####");
  const VariationStats& v = m.variation;
  valueTable(
      out, m, 10, "Mean", [&](int i, int k) { return v.Evenness(i, k); }, [&](int i) { return v.EvennessMean[u(i)]; });
}

void printMultilocusVariation(LineWriter& out, const AnalysisView& m) {
  printSectionFrame(out, "#####    VARIATION OF MULTILOCUS GENOTYPES   #####");
  const PopulationRows rows{m, out.decimalSign()};
  const MultilocusGenotypes& t = m.mlg;
  out.tab(5).text("Pop").tab(15).text("N").tab(25).text("N_Id").tab(35).text("N Types").tab(45).text("Div Types").nl();
  out.tab(5).text(std::string(47, '-')).nl();
  rows.forSelected([&](int i) {
    const bool built = u(i) < t.NIdentAll.size();
    out.tab(5).num(i).tab(15).num(m.ds.NInd[u(i)]);
    out.tab(25).num(built ? t.NIdentAll[u(i)] : 0).tab(35).num(built ? t.MLGNTypes[u(i)] : 0);
    out.tab(45).text(maskedCell(built ? t.MLGDiversity[u(i)] : Cell{}, "0.00", out.decimalSign())).nl();
  });
  out.nl();
}

}  // namespace kiwora
