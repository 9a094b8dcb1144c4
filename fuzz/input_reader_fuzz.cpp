// Feeds arbitrary text to the input reader: it must refuse or read, never crash or leak.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kiwora::InputLimits limits;
  limits.maxFrequencyCells = 5'000'000;  // keeps each run small; the logic is the same
  const auto r = kiwora::parseInputText(std::string_view(reinterpret_cast<const char*>(data), size), limits);
  if (r.ok()) {
    kiwora::DataSet ds;
    kiwora::Selection sel;
    kiwora::buildDataSet(r.data, ds, sel);
  }
  return 0;
}
