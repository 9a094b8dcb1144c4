#pragma once
// The options keep the int codes the windows' controls give; the code compares them through named
// enumerations whose numbers are those codes.
namespace kiwora {

// The code an option keeps for a value of its enumeration.
template <class E>
constexpr int codeOf(E e) {
  return static_cast<int>(e);
}

}  // namespace kiwora
