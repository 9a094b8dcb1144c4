#pragma once
// Decimal logarithms the scorers read instead of computing them cell by cell.
#include <vector>

namespace kiwora {

// log10(n!): 0 for n <= 1, otherwise the sum of log10(i) for i = 1..n in that order.
double Log10_Factorial(int n);

// log10(0!)..log10(upTo!), each entry the running sum of the one before (the same sums as above).
std::vector<double> log10FactorialTable(int upTo);

}  // namespace kiwora
