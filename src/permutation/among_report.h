#pragma once
// The section of the test among all populations: the column line, one row per permutation, and the
// shares of the permutations below and above the observed values.
#include "files/text_writer.h"
#include "base/table.h"
#include "permutation/among_permutation.h"

namespace kiwora {

void printAmongTestReport(LineWriter& out, const AmongTestResult& r, const Vec1<std::string>& locName);

}  // namespace kiwora
