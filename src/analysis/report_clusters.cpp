// The cluster analyses on gene-pool and on multilocus distances: the joining steps and a text dendrogram
// with its distance axis. The chain grows one population at a time, so the drawing is one bar per
// population in joining order, linked by vertical marks at the joining levels.
#include <cmath>
#include <string>

#include "analysis/report_frame.h"
#include "analysis/report_sections.h"
#include "base/tolerance.h"

namespace kiwora {
namespace {

std::size_t u(int i) { return static_cast<std::size_t>(i); }

enum class Member { GenePool, Multilocus };

struct Units {
  std::string bar, gap, joint;
};

// Position of a level on the drawing: the level in hundredths, halves away from zero, a level equal by the
// tie rule to a half (an exact 1/8 computed a little below it) counting as one.
// A level is a mean of chain distances (kDistanceRounding of clustering.cpp); times 100 adds half an ulp.
int position(double level) {
  return std::isfinite(level) ? static_cast<int>(roundedHalfAway(level * 100, Rounding{4096})) : 0;
}

class Dendrogram {
 public:
  Dendrogram(LineWriter& out, const AnalysisView& m, const ClusterSteps& c, Member member, bool fine)
      : out_(out), m_(m), c_(c), member_(member), units_(fine ? Units{"****", "    ", "   *"} : Units{"*", " ", "*"}) {}

  void draw() {
    const int n = c_.NClusterSteps;
    int p1 = 0, p2 = 0;
    for (int p = 1; p <= m_.ds.NPop; ++p)
      if (c_.Step[u(p)] == 1) {
        if (p1 == 0) p1 = p;
        else p2 = p;
      }
    const int x1 = k(1);
    if (n == 1) {
      // Two populations: one pair joined at one level, closed like the last step of a longer chain.
      line(p1, x1, [&](int, auto add) { add(units_.bar); });
      lastStep(x1, p2);
      return;
    }
    const int x = x1, y = k(2);
    line(p1, x, [&](int, auto add) { add(units_.bar); });
    line(0, x, [&](int j, auto add) { add(j < x ? units_.gap : units_.joint); });
    line(0, y, [&](int j, auto add) {
      if (j < x) add(units_.gap);
      if (j == x) add(units_.joint);
      if (j > x) add(units_.bar);
    });
    line(0, y, [&](int j, auto add) {
      if (j < x) add(units_.gap);
      if (j == x) add(units_.joint);
      if (x < j && j < y) add(units_.gap);
      if (j == y) add(units_.joint);
    });
    line(p2, y, [&](int j, auto add) {
      if (j <= x) add(units_.bar);
      if (x < j && j < y) add(units_.gap);
      if (j == y) add(units_.joint);
    });
    for (int s = 2; s <= n - 1; ++s)
      for (int p = 1; p <= m_.ds.NPop; ++p)
        if (c_.Step[u(p)] == s) middleStep(p, k(s), k(s + 1));
    int last = 0;
    for (int p = 1; p <= m_.ds.NPop; ++p)
      if (c_.Step[u(p)] == n) last = p;
    lastStep(k(n), last);
  }

 private:
  int k(int s) const { return position(c_.Level[u(s)]); }

  // One drawing line: the population's name at column 2 (pop > 0), the units from column 20.
  template <class Build>
  void line(int pop, int to, Build build) {
    std::string s;
    const auto add = [&s](const std::string& unit) { s += unit; };
    for (int j = 1; j <= to; ++j) build(j, add);
    if (pop > 0) out_.tab(2).text(m_.ds.PopName[u(pop)]);
    out_.tab(20).text(s).nl();
  }

  void middleStep(int p, int x, int y) {
    const bool ml = member_ == Member::Multilocus;
    line(0, x, [&](int j, auto add) {
      if (j < x) add(units_.gap);
      else if (ml || y >= x) add(units_.joint);
    });
    line(0, y, [&](int j, auto add) {
      if (j < x) add(units_.gap);
      if (j == x) add(units_.joint);
      if (j > x) add(units_.bar);
    });
    const auto links = [&](int j, auto add) {
      if (j == x) add(units_.joint);
      if (j == y && (ml || y > x)) add(units_.joint);
      if (j != x && j != y) add(units_.gap);
    };
    line(0, y, links);
    line(0, y, links);
    line(p, y, [&](int j, auto add) {
      if (j <= x) add(units_.bar);
      if (x < j && j < y) add(units_.gap);
      if (j == y && (ml || y > x)) add(units_.joint);
    });
  }

  void lastStep(int x, int p) {
    for (int r = 0; r < 3; ++r) line(0, x, [&](int j, auto add) { add(j < x ? units_.gap : units_.joint); });
    line(p, x, [&](int, auto add) { add(units_.bar); });
  }

  LineWriter& out_;
  const AnalysisView& m_;
  const ClusterSteps& c_;
  Member member_;
  Units units_;
};

void printCluster(LineWriter& out, const AnalysisView& m, const ClusterSteps& c, Member member, const std::string& distance) {
  printSectionFrame(out, "#####   CLUSTER ANALYSIS   #####");
  out.tab(4).text("Method ").tab(20).text("= one growing cluster by unweighted average distance (not UPGMA)").nl();
  out.tab(4).text("Used Distance ").tab(20).text(distance).nl();
  out.nl();
  if (m.sel.countSelectedPops() < 2) {
    out.tab(4).text("Clustering needs at least two selected populations.").nl();
    out.nl();
    return;
  }
  if (c.NClusterSteps < 1) {
    out.tab(4).text("No two selected populations have a defined distance.").nl();
    out.nl();
    return;
  }
  out.tab(4).text("Included Loci").nl();
  out.tab(4).text("-------------").nl();
  forSelectedLoci(m, [&](int k) { out.tab(4).text(m.ds.LocName[u(k)]).nl(); });
  out.nl();
  const char dec = out.decimalSign();
  out.tab(5).text("No. Cluster").tab(20).text("Length").tab(30).text("Population").nl();
  out.tab(5).text(std::string(47, '_')).nl();
  for (int p = 1; p <= m.ds.NPop; ++p)
    if (c.Step[u(p)] == 1)
      out.tab(6).text("1").tab(20).text(maskedCell(c.Level[1], "0.0000", dec)).tab(30).text(m.ds.PopName[u(p)]).nl();
  for (int s = 2; s <= c.NClusterSteps; ++s)
    for (int p = 1; p <= m.ds.NPop; ++p)
      if (c.Step[u(p)] == s)
        out.tab(5).num(s).tab(20).text(maskedCell(c.Level[u(s)], "0.0000", dec)).tab(30).text(m.ds.PopName[u(p)]).nl();
  // A population without any defined distance (no complete multilocus genotype) cannot join the chain;
  // say so rather than leave it out silently.
  for (int p = 1; p <= m.ds.NPop; ++p)
    if (m.sel.PopSel[u(p)] == 1 && c.Step[u(p)] == 0)
      out.tab(5).text("Not clustered (no defined distance): " + m.ds.PopName[u(p)]).nl();
  out.nl();
  out.tab(5).text("DENDROGRAMM").nl();
  out.tab(5).text("-----------").nl();
  out.nl();
  // The scale follows the level of the last step; a level equal to 0.25 by the tie rule is on the fine one.
  const bool fine = atMost(c.Level[u(c.NClusterSteps)], 0.25, Rounding{4096});
  Dendrogram(out, m, c, member, fine).draw();
  out.nl();
  out.tab(20).text(std::string(100, '_')).nl();
  const int columns[] = {20, 40, 60, 80, 100, 120};
  for (int col : columns) out.tab(col).text("|");
  out.nl();
  const char* fineLabels[] = {"0", "0.05", "0.10", "0.15", "0.20", "0.25"};
  const char* coarseLabels[] = {"0", "0.20", "0.40", "0.60", "0.80", "1.00"};
  for (int t = 0; t < 6; ++t) {
    std::string label = fine ? fineLabels[t] : coarseLabels[t];
    if (dec != '.')
      for (char& ch : label)
        if (ch == '.') ch = dec;
    out.tab(columns[t]).text(label);
  }
  out.nl();
  out.tab(55).text("Distance").nl();
  out.nl();
}

}  // namespace

void printClusterGenepool(LineWriter& out, const AnalysisView& m) {
  printCluster(out, m, m.dist.ClusterDG, Member::GenePool, "= Genetic Distance of Genpools (Gregorius 1974)");
}

void printClusterMultilocus(LineWriter& out, const AnalysisView& m) {
  printCluster(out, m, m.dist.ClusterMLG, Member::Multilocus,
               "= Genetic Distance of Multilocus Genotypes (Gregorius 1974)");
}

}  // namespace kiwora
