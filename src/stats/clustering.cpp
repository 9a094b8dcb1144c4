#include "stats/clustering.h"

#include <vector>

namespace kiwora {

bool Cluster_Average_Chain(int nPop, const Vec1<int>& popSel, const Table2<double>& Dist, ClusterSteps& out) {
  out.NClusterSteps = 0;
  out.Step = makeVec1<int>(nPop);
  out.Level = makeVec1<double>(nPop);
  auto on = [&](int p) { return p < static_cast<int>(popSel.size()) && popSel[static_cast<std::size_t>(p)] == 1; };
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (on(p)) pops.push_back(p);
  if (pops.size() < 2) return false;
  out.NClusterSteps = static_cast<int>(pops.size()) - 1;

  // Above every distance the procedure is given.
  constexpr double kStart = 100;
  double m = kStart;
  int a = 0, b = 0;
  for (std::size_t i = 0; i + 1 < pops.size(); ++i)
    for (std::size_t j = i + 1; j < pops.size(); ++j)
      if (Dist(pops[i], pops[j]) < m) {
        m = Dist(pops[i], pops[j]);
        a = pops[i];
        b = pops[j];
      }
  if (a == 0) {  // no two populations with a defined distance: no step at all
    out.NClusterSteps = 0;
    return false;
  }
  out.Step[static_cast<std::size_t>(a)] = 1;
  out.Step[static_cast<std::size_t>(b)] = 1;
  out.Level[1] = m;

  for (int k = 2; k <= out.NClusterSteps; ++k) {
    m = kStart;
    a = 0;
    for (int p : pops) {
      if (out.Step[static_cast<std::size_t>(p)] != 0) continue;
      double sum = 0;
      int members = 0;
      for (int q : pops)
        if (q != p && out.Step[static_cast<std::size_t>(q)] > 0) {
          sum += Dist(p, q);
          ++members;
        }
      const double d = sum / members;
      if (d < m) {
        m = d;
        a = p;
      }
    }
    if (a == 0) {  // only undefined distances left: stop the chain where it is
      out.NClusterSteps = k - 1;
      break;
    }
    out.Step[static_cast<std::size_t>(a)] = k;
    out.Level[static_cast<std::size_t>(k)] = m;
  }
  return true;
}

}  // namespace kiwora
