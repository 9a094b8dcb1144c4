#pragma once
// Golden result files: comparison with a readable difference, and KIWORA_UPDATE_GOLDEN=1 to rewrite them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/app_fixture.h"

namespace kiwora::testing {

inline std::string goldenPath(const std::string& name) { return std::string(KIWORA_SOURCE_DIR) + "/tests/golden/" + name; }

inline std::vector<std::string> splitLines(const std::string& s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < s.size()) {
    std::size_t end = s.find('\n', start);
    if (end == std::string::npos) end = s.size();
    std::string line = s.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The lines where the two texts part, with a little context; in the differing lines blanks show as "."
// so that column shifts and trailing blanks can be seen.
inline std::string readableDiff(const std::string& expected, const std::string& actual) {
  const auto e = splitLines(expected), a = splitLines(actual);
  std::size_t first = 0;
  while (first < e.size() && first < a.size() && e[first] == a[first]) ++first;
  std::size_t te = e.size(), ta = a.size();
  while (te > first && ta > first && e[te - 1] == a[ta - 1]) --te, --ta;
  std::ostringstream d;
  d << "golden and result part at line " << first + 1 << " (golden " << e.size() << " lines, result " << a.size()
    << " lines)\n";
  const std::size_t from = first >= 3 ? first - 3 : 0;
  for (std::size_t i = from; i < first; ++i) d << "  " << i + 1 << "   " << e[i] << "\n";
  const auto show = [](const std::string& s) {
    std::string t = s;
    std::replace(t.begin(), t.end(), ' ', '.');
    return t;
  };
  const std::size_t limit = 25;
  for (std::size_t i = first; i < te && i < first + limit; ++i) d << "  " << i + 1 << " - " << show(e[i]) << "\n";
  for (std::size_t i = first; i < ta && i < first + limit; ++i) d << "  " << i + 1 << " + " << show(a[i]) << "\n";
  if (te - first > limit || ta - first > limit) d << "  ... (more differing lines)\n";
  return d.str();
}

// No cell reads "nan", "inf" or "-0.000", whatever the data.
inline void expectNoBrokenNumbers(const std::string& out) {
  static const std::regex broken(R"((^|[^A-Za-z])(nan|inf)([^A-Za-z]|$)|-0\.0+([^0-9]|$))", std::regex::icase);
  std::smatch mt;
  EXPECT_FALSE(std::regex_search(out, mt, broken)) << "found \"" << mt.str() << "\"";
}

inline void expectGolden(const std::string& actual, const std::string& name) {
  const std::string path = goldenPath(name);
  if (std::getenv("KIWORA_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  const std::string expected = readFile(path);
  ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
  if (expected != actual) ADD_FAILURE() << name << ": " << readableDiff(expected, actual);
}

}  // namespace kiwora::testing
