// Feeds arbitrary text to the import of comma-separated tables, and turns every accepted table into the
// input layout by populations and by groups: never a crash, a leak or an input that does not read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/import_table.h"
#include "files/input_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto r = kiwora::parseImportTable(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!r.ok()) return 0;
  for (auto units : {kiwora::ImportUnits::Populations, kiwora::ImportUnits::Groups}) {
    const kiwora::ParsedInput in = kiwora::importedInput(r.table, units);
    kiwora::LineWriter out;
    kiwora::writeInputFile(out, in);
    if (!kiwora::parseInputText(out.str()).ok()) std::abort();
  }
  return 0;
}
