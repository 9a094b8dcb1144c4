#pragma once
// A result cell that may be undefined; printing turns an undefined cell into a marker of the cell's width
// ("------", "-", ...) and a defined one through its mask.
#include <optional>

namespace kiwora {

using Cell = std::optional<double>;

}  // namespace kiwora
