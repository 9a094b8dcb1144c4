#include "permutation/run_support.h"

namespace kiwora {

bool populationUsable(const DataSet& ds, const Selection& sel, int p) {
  return p >= 1 && p <= ds.NPop && p < static_cast<int>(sel.PopSel.size()) &&
         sel.PopSel[static_cast<std::size_t>(p)] == 1;
}

}  // namespace kiwora
