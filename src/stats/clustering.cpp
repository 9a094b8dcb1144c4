#include "stats/clustering.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/tolerance.h"
#include "base/worker_pool.h"

namespace kiwora {
namespace {

// Exponent of the lowest set bit of a positive finite value: the value is a whole multiple of 2^that.
int lowestBitExponent(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0) return -1074 + std::countr_zero(fraction);
  return biased - 1075 + std::countr_zero(fraction | (std::uint64_t{1} << 52));
}

constexpr int kNoBits = INT_MAX;  // only zeros added so far

// The distances the chain is given are nonnegative means over the loci of frequency terms (Gregorius), or
// sums over the multilocus types: off by at most this many ulps of themselves for up to 3840 loci (or
// types), with every term off by kFrequencyTermUlps.
constexpr Rounding kDistanceRounding = ofSums(3840, kFrequencyTermUlps);
// A mean of `members` such distances.
constexpr Rounding meanRounding(int members) { return ofSums(members, kDistanceRounding.ulps); }

// Members between two kept partial sums of a candidate's sum in population order.
constexpr std::size_t kMarkStride = 32;

// A candidate's distances to the members. The mean the chain compares is their sum in population order;
// kept as it goes is the sum in joining order, which agrees with it whenever no partial sum was rounded
// and otherwise differs by a few units in the last place, bounding how far the order can move a candidate.
struct Candidate {
  double sum = 0;
  int lowBit = kNoBits;  // the smallest lowest-bit exponent among the nonzero distances summed
  // marks[j]: the sum in population order of the first j * kMarkStride members, for j < validMarks. A
  // member joining at rank r leaves the marks up to r in place, so taking the sum again starts there.
  std::vector<double> marks = {0.0};
  std::size_t validMarks = 1;

  void add(double x) {
    sum += x;
    if (x > 0 && std::isfinite(x)) {
      const int e = lowestBitExponent(x);
      if (e < lowBit) lowBit = e;
    }
  }
  // Nonnegative multiples of 2^lowBit below 2^(lowBit + 53) are all exact doubles; a sum that stayed below
  // that bound was never rounded, and neither is the same sum taken in any other order.
  bool exact() const { return lowBit == kNoBits || sum < std::ldexp(1.0, std::min(lowBit + 53, 1100)); }
  void joinedAt(std::size_t rank) { validMarks = std::min(validMarks, rank / kMarkStride + 1); }
  // Members still to add to the last valid mark.
  std::size_t pending(std::size_t members) const { return members - (validMarks - 1) * kMarkStride; }
};

template <class Distance>
bool averageChain(int nPop, const Vec1<int>& popSel, Distance Dist, ClusterSteps& out) {
  out.NClusterSteps = 0;
  out.Step = makeVec1<int>(nPop);
  out.Level = makeVec1<double>(nPop);
  auto on = [&](int p) { return p < static_cast<int>(popSel.size()) && popSel[static_cast<std::size_t>(p)] == 1; };
  std::vector<int> pops;
  for (int p = 1; p <= nPop; ++p)
    if (on(p)) pops.push_back(p);
  if (pops.size() < 2) return false;
  out.NClusterSteps = static_cast<int>(pops.size()) - 1;
  const std::size_t n = pops.size();

  // Above every distance the procedure is given.
  constexpr double kStart = 100;
  double m = kStart;
  std::size_t a = n, b = n;
  // Whether every distance read is undefined (NaN) or finite and nonnegative: only then can a candidate be
  // set aside by its running sum alone. Anything else has every candidate's mean taken in full.
  bool bounded = true;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const double d = Dist(pops[i], pops[j]);
      if (i != j && !std::isnan(d) && !(d >= 0 && std::isfinite(d))) bounded = false;
      if (i < j && d < m) m = d;
    }
  if (!(m < kStart)) {  // no two populations with a defined distance: no step at all
    out.NClusterSteps = 0;
    return false;
  }
  // The first pair in population order whose distance equals the smallest by the tie rule: distances
  // equal in exact arithmetic may differ in their last bits with the order of the types they sum over.
  for (std::size_t i = 0; i < n && a == n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (const double d = Dist(pops[i], pops[j]); d < kStart && ties(d, m, kDistanceRounding)) {
        m = d;
        a = i;
        b = j;
        break;
      }
  out.Step[static_cast<std::size_t>(pops[a])] = 1;
  out.Step[static_cast<std::size_t>(pops[b])] = 1;
  out.Level[1] = m;

  // Places (in pops) of the members in population order, and of the candidates.
  std::vector<std::size_t> members = {a, b};
  std::vector<std::size_t> candidates;
  std::vector<Candidate> run(n);
  for (std::size_t i = 0; i < n; ++i)
    if (i != a && i != b) {
      candidates.push_back(i);
      run[i].add(Dist(pops[i], pops[a]));
      run[i].add(Dist(pops[i], pops[b]));
    }

  std::vector<std::size_t> window;
  std::vector<double> sums;
  for (int k = 2; k <= out.NClusterSteps; ++k) {
    const int memberCount = k;
    // A running sum is within (k + 2) * 2^-51 of the sum in population order (relative, for nonnegative
    // distances); a candidate whose lowest possible sum lies clearly above the highest possible smallest
    // sum cannot have the smallest mean, nor an equal one.
    window.clear();
    if (bounded) {
      const double slack = (memberCount + 2) * 0x1p-51;
      double high = INFINITY;
      for (std::size_t c : candidates)
        if (!std::isnan(run[c].sum)) high = std::min(high, run[c].sum * (1 + slack));
      // Widened by the tie rule's tolerance on the means, so that every candidate equal to the smallest is kept.
      const double limit = high * (1 + 0x1p-46 + 2 * meanRounding(memberCount).ulps * kUlp) + 1e-290;
      for (std::size_t c : candidates)
        if (run[c].sum * (1 - slack) <= limit) window.push_back(c);
    } else {
      window = candidates;
    }

    // The sums in population order, as the means are defined: the running sum where it is exact, else
    // from the last valid mark on, the sum adding each member's distance in turn.
    sums.assign(window.size(), 0);
    std::size_t work = 0;
    for (std::size_t c : window) work += run[c].pending(members.size());
    const auto sumOf = [&](std::size_t w) {
      const std::size_t c = window[w];
      Candidate& r = run[c];
      if (bounded && r.exact()) {
        sums[w] = r.sum;
        return;
      }
      std::size_t t = (r.validMarks - 1) * kMarkStride;
      double sum = r.marks[r.validMarks - 1];
      for (; t < members.size(); ++t) {
        if (t % kMarkStride == 0) {
          if (t / kMarkStride < r.marks.size()) r.marks[t / kMarkStride] = sum;
          else r.marks.push_back(sum);
        }
        sum += Dist(pops[c], pops[members[t]]);
      }
      if (t % kMarkStride == 0) {
        if (t / kMarkStride < r.marks.size()) r.marks[t / kMarkStride] = sum;
        else r.marks.push_back(sum);
      }
      r.validMarks = t / kMarkStride + 1;
      sums[w] = sum;
    };
    // Many candidates level with each other (equal distances) would make one step cost a full pass.
    if (work >= (std::size_t{1} << 17))
      parallelFor(static_cast<int>(window.size()), [&](int w) { sumOf(static_cast<std::size_t>(w)); });
    else
      for (std::size_t w = 0; w < window.size(); ++w) sumOf(w);

    // The window keeps population order: the smallest number wins a tie by the rule.
    const std::size_t chosen = firstOfSmallest(window.size(), [&](std::size_t w) { return sums[w] / memberCount; }, kStart,
                                                meanRounding(memberCount));
    if (chosen == window.size()) {  // only undefined distances left: stop the chain where it is
      out.NClusterSteps = k - 1;
      break;
    }
    const std::size_t next = window[chosen];
    m = sums[chosen] / memberCount;
    out.Step[static_cast<std::size_t>(pops[next])] = k;
    out.Level[static_cast<std::size_t>(k)] = m;

    const auto at = members.insert(std::lower_bound(members.begin(), members.end(), next), next);
    const std::size_t rank = static_cast<std::size_t>(at - members.begin());
    candidates.erase(std::lower_bound(candidates.begin(), candidates.end(), next));
    for (std::size_t c : candidates) {
      run[c].add(Dist(pops[c], pops[next]));
      run[c].joinedAt(rank);
    }
  }
  return true;
}

}  // namespace

bool Cluster_Average_Chain(int nPop, const Vec1<int>& popSel, const Table2<double>& Dist, ClusterSteps& out) {
  return averageChain(nPop, popSel, [&Dist](int p, int q) { return Dist(p, q); }, out);
}

}  // namespace kiwora
