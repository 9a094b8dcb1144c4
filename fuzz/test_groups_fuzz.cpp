// Feeds arbitrary text to the reader in the test-group layout and builds the groups from what it accepts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/assignment_files.h"
#include "files/input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kiwora::InputLimits limits;
  limits.maxFrequencyCells = 5'000'000;  // keeps each run small; the logic is the same
  const auto r = kiwora::parseInputText(std::string_view(reinterpret_cast<const char*>(data), size),
                                        kiwora::InputLayout::TestGroups, limits);
  if (r.ok()) {
    kiwora::TestGroups tg;
    kiwora::buildTestGroups(r.data, tg);
  }
  return 0;
}
