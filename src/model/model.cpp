#include "model/model.h"

#include <utility>

namespace kiwora {

void Model::clearResults() {
  // Whatever is not carried over here is a result table and starts empty.
  Model fresh;
  fresh.ds = std::move(ds);
  fresh.sel = std::move(sel);
  fresh.flags = flags;
  fresh.options = std::move(options);
  fresh.perm = perm;
  fresh.locusSelection = std::move(locusSelection);
  fresh.test = std::move(test);
  fresh.imported = std::move(imported);
  fresh.assignOptions = assignOptions;
  fresh.assignFile = std::move(assignFile);
  *this = std::move(fresh);
}

}  // namespace kiwora
