#include "assign/self_assign_report.h"

#include "assign/assignment_report.h"
#include "base/number_format.h"

namespace kiwora {
namespace {

void framed(LineWriter& out, int column, const std::string& title) {
  const std::string rule(title.size(), '#');
  out.tab(column).text(rule).nl();
  out.tab(column).text(title).nl();
  out.tab(column).text(rule).nl();
}

}  // namespace

SelfAssignCounts::SelfAssignCounts(int nPop)
    : tests(makeVec1<long long>(nPop)), correct(makeVec1<long long>(nPop)), assigned(nPop, nPop, 0) {}

void SelfAssignCounts::count(int p, int q) {
  ++tests[static_cast<std::size_t>(p)];
  if (q < 1) return;
  ++assigned(p, q);
  if (q == p) ++correct[static_cast<std::size_t>(p)];
}

long long SelfAssignCounts::totalTests() const {
  long long n = 0;
  for (std::size_t p = 1; p < tests.size(); ++p) n += tests[p];
  return n;
}

SelfAssignPercent selfPercentages(const SelfAssignCounts& c) {
  const int nPop = static_cast<int>(c.tests.size()) - 1;
  SelfAssignPercent r;
  r.correct = makeVec1<Cell>(nPop);
  r.assigned.resize(nPop, nPop);
  long long tests = 0, correct = 0;
  double sum = 0;
  int withTests = 0;
  for (int p = 1; p <= nPop; ++p) {
    const auto pi = static_cast<std::size_t>(p);
    tests += c.tests[pi];
    correct += c.correct[pi];
    if (c.tests[pi] > 0) {
      r.correct[pi] = 100.0 * static_cast<double>(c.correct[pi]) / static_cast<double>(c.tests[pi]);
      sum += *r.correct[pi];
      ++withTests;
    }
    long long rowSum = 0;
    for (int q = 1; q <= nPop; ++q) rowSum += c.assigned(p, q);
    if (rowSum > 0)
      for (int q = 1; q <= nPop; ++q)
        r.assigned(p, q) = 100.0 * static_cast<double>(c.assigned(p, q)) / static_cast<double>(rowSum);
  }
  if (tests > 0) r.total = 100.0 * static_cast<double>(correct) / static_cast<double>(tests);
  if (withTests > 0) r.mean = sum / withTests;
  return r;
}

void printWeights(LineWriter& out, double weightBip, double weightMat) {
  out.tab(1).text("Weigt probabilities for bi-parental loci = " + plainNumber(weightBip, out.decimalSign())).nl();
  out.tab(1).text("Weigt probabilities for maternal loci    = " + plainNumber(weightMat, out.decimalSign())).nl();
}

void printSelectedLociModes(LineWriter& out, const DataSet& ds, const Selection& sel) {
  for (int l = 1; l <= ds.NLoci; ++l) {
    const auto li = static_cast<std::size_t>(l);
    if (sel.LocSel[li] != 1) continue;
    out.tab(1).text(ds.LocName[li]).zone().tab(15).text(inheritanceText(sel.inheritance(l))).nl();
  }
}

void printSelfAssignReport(LineWriter& out, const DataSet& ds, const Selection& sel, const SelfAssignReportHead& head,
                           const SelfAssignCounts& counts) {
  const char dec = out.decimalSign();
  const SelfAssignPercent pc = selfPercentages(counts);
  out.nl();
  framed(out, 4, "###     Results of Self-Assignment        ###");
  out.nl();
  out.tab(1).text("Group Size                                   = " + plainNumber(head.groupSize, dec)).nl();
  out.tab(1).text("Number of Tests                              = " +
                  plainNumber(static_cast<double>(counts.totalTests()), dec)).nl();
  out.tab(1).text("Method of assignement                        = " + head.method).nl();
  out.tab(1).text("Minimum number of bi-parental loci requested = " + plainNumber(head.minBipLoci, dec)).nl();
  out.nl();
  out.nl();
  if (head.listLoci) {
    out.nl();
    framed(out, 4, "###  List of Selected Loci  ###");
    out.nl();
    printSelectedLociModes(out, ds, sel);
    out.nl();
    out.nl();
    printWeights(out, head.weightBip, head.weightMat);
    out.nl();
  }
  out.tab(4).text("Population").tab(30).text("Sample Size").tab(50).text("Tested ind/groups").tab(70)
      .text("% correct assigned").nl();
  out.tab(1).text(std::string(90, '-')).nl();
  for (int p = 1; p <= ds.NPop; ++p) {
    const auto pi = static_cast<std::size_t>(p);
    out.tab(4).text(ds.PopName[pi]).zone().tab(30).num(ds.Allele.nInd(p)).tab(50)
        .num(static_cast<double>(counts.tests[pi])).tab(70).text(maskedCell(pc.correct[pi], "0", dec)).nl();
  }
  out.nl();
  out.tab(4).text("Total").tab(70).text(maskedCell(pc.total, "0", dec)).nl();
  out.tab(4).text("Mean").tab(70).text(maskedCell(pc.mean, "0", dec)).nl();
  out.nl();
  framed(out, 1, "### Details on Assignment Frequencies ###");
  out.nl();
  for (int p = 1; p <= ds.NPop; ++p) {
    out.nl();
    out.tab(1).text(ds.PopName[static_cast<std::size_t>(p)]).tab(35).text("% assigned to").nl();
    out.tab(1).text(std::string(47, '-')).nl();
    for (int q = 1; q <= ds.NPop; ++q)
      out.tab(1).text(ds.PopName[static_cast<std::size_t>(q)]).tab(35).text(maskedCell(pc.assigned(p, q), "0", dec)).nl();
    out.nl();
  }
}

}  // namespace kiwora
