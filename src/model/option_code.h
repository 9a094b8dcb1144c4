#pragma once
// The options keep the int codes the windows' controls give; the code compares them through named
// enumerations whose numbers are those codes.
#include <cstddef>

namespace kiwora {

// The code an option keeps for a value of its enumeration.
template <class E>
constexpr int codeOf(E e) {
  return static_cast<int>(e);
}

// The value among `values` whose code is `code`, or E::Unset when none has it.
template <class E, std::size_t N>
constexpr E namedBy(int code, const E (&values)[N]) {
  for (E e : values)
    if (codeOf(e) == code) return e;
  return E::Unset;
}

}  // namespace kiwora
