#include "model/run_memory.h"

#include <algorithm>
#include <cstdio>

namespace kiwora {
namespace {

std::string gigabytes(double bytes) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f GB", bytes / (1024.0 * 1024 * 1024));
  return buf;
}

}  // namespace

Refusal memoryRefusal(const std::vector<TableNeed>& needs, double limit) {
  double total = 0;
  for (const TableNeed& n : needs) total += n.bytes;
  if (total <= limit || needs.empty()) return {};
  const auto largest = std::max_element(needs.begin(), needs.end(),
                                        [](const TableNeed& a, const TableNeed& b) { return a.bytes < b.bytes; });
  return Refusal("This run would need about " + gigabytes(total) + " of memory for its tables, more than the " +
                 gigabytes(limit) + " the program allows; " + gigabytes(largest->bytes) + " of it for " +
                 largest->what + ". Nothing was calculated; the data are unchanged.");
}

}  // namespace kiwora
