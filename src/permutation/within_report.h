#pragma once
// The block of the test within populations that is appended to the result file for one tested population.
#include "files/text_writer.h"
#include "model/dataset.h"
#include "permutation/within_permutation.h"

namespace kiwora {

void printWithinTestReport(LineWriter& out, const WithinTestResult& r, const WithinTestChoice& choice,
                           const DataSet& ds, const Vec1<int>& locSel);

}  // namespace kiwora
