#pragma once
// How the permutation reports print a value that may be undefined.
#include <cmath>
#include <string>

#include "files/text_writer.h"
#include "base/cell.h"

namespace kiwora {

// The value through its mask, or "-" where it is undefined.
inline std::string cellOrDash(const Cell& v, const std::string& mask, char dec) {
  return v && std::isfinite(*v) ? masked(*v, mask, dec) : std::string("-");
}

}  // namespace kiwora
