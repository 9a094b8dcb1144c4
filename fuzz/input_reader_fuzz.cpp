// Feeds arbitrary text to the input reader: it must refuse or read, never crash or leak, and reading straight
// into a data set must agree with reading into blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kiwora::InputLimits limits;
  limits.maxFrequencyCells = 5'000'000;  // keeps each run small; the logic is the same
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto r = kiwora::parseInputText(text, limits);
  kiwora::DataSet ds;
  kiwora::Selection sel;
  if (r.ok()) kiwora::buildDataSet(r.data, ds, sel);
  // Reading straight into a data set refuses alike and builds the same.
  kiwora::DataSet direct;
  kiwora::Selection directSel;
  const auto d = kiwora::parseInputInto(text, direct, directSel, limits);
  if (d.refusal != r.refusal) std::abort();
  if (r.ok() && (direct.PopName != ds.PopName || !(direct.Allele == ds.Allele) || direct.LocName != ds.LocName ||
                 !(directSel.IndSel == sel.IndSel) || directSel.LocSel != sel.LocSel || direct.NInd != ds.NInd))
    std::abort();
  return 0;
}
