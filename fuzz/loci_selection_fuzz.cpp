// Feeds arbitrary text to the loci-selection reader against a fixed set of loci (names with blanks, a
// name carried twice): it must refuse or select, never crash, and select only loci that exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/loci_selection_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const kiwora::Vec1<std::string> names = {"", "Adh-1", "Pgm 2", "Got", "Adh-1", " x "};
  const int nLoci = 5;
  const auto r = kiwora::readLociSelection(std::string_view(reinterpret_cast<const char*>(data), size), names, nLoci);
  if (r.ok() && r.locSel.size() != static_cast<std::size_t>(nLoci) + 1) std::abort();
  return 0;
}
