#pragma once
// Long runs of report cells with a fixed number of decimals.
#include <array>
#include <string>
#include <vector>

namespace kiwora {

// The text formatFixed (base/number_format.h) writes for a value with `decimals` places, appended to a
// string. Values below 10, the bulk of a distance or frequency matrix, come from a table built by
// formatFixed itself, at the entry its rounding gives; every other value goes to it.
class FixedText {
 public:
  FixedText(int decimals, char decimalSign);
  void append(std::string& s, double v) const;

 private:
  int decimals_;
  char dec_;
  std::vector<std::array<char, 8>> text_;  // by rounded value in units of the last place
  std::vector<unsigned char> length_;
};

}  // namespace kiwora
