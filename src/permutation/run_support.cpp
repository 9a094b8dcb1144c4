#include "permutation/run_support.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "files/text_writer.h"

namespace kiwora {

std::optional<int> permutationCount(const std::string& text) {
  std::string t = text;
  std::replace(t.begin(), t.end(), ',', '.');
  const double x = leadingNumber(t);
  if (!(x >= 1) || x > INT_MAX || x != std::floor(x)) return std::nullopt;
  return static_cast<int>(x);
}

bool populationUsable(const DataSet& ds, const Selection& sel, int p) {
  return p >= 1 && p <= ds.NPop && p < static_cast<int>(sel.PopSel.size()) &&
         sel.PopSel[static_cast<std::size_t>(p)] == 1;
}

bool canAppendTo(const std::string& path) {
  if (path.empty()) return false;
  TextFile probe;
  if (!probe.open(path, TextFile::Mode::Append)) return false;
  return probe.close();
}

RunGuard::RunGuard(WorkflowFlags& flags, Selection& sel) : flags_(flags), sel_(sel) {
  if (flags_.Busy == 1) return;
  acquired_ = true;
  flags_.Busy = 1;
  saved_ = sel_;
}

RunGuard::~RunGuard() {
  if (!acquired_) return;
  sel_ = saved_;
  flags_.Busy = 0;
}

}  // namespace kiwora
