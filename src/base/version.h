#pragma once
// The program's version, as the windows and `kiwora --version` show it.

namespace kiwora {

inline constexpr const char* kVersion = "1b";

}  // namespace kiwora
