#include "assign/log_tables.h"

#include <cmath>

namespace kiwora {

double Log10_Factorial(int n) {
  double r = 0;
  for (int i = 2; i <= n; ++i) r += std::log(i) / std::log(10.0);
  return r;
}

std::vector<double> log10FactorialTable(int upTo) {
  if (upTo < 1) upTo = 1;
  std::vector<double> t(static_cast<std::size_t>(upTo) + 1, 0.0);
  for (int i = 2; i <= upTo; ++i) t[static_cast<std::size_t>(i)] = t[static_cast<std::size_t>(i) - 1] + std::log(i) / std::log(10.0);
  return t;
}

}  // namespace kiwora
