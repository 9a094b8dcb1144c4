#include "files/loci_selection_file.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace kiwora {
namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t nl = text.find('\n', start);
    const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The count as a field: it ends at a comma or the line end, and what follows a comma on the same line is
// where the names begin. Blanks around it are dropped and double quotes may enclose it.
std::string_view countField(std::string_view line, std::string_view& rest, bool& restOnLine) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  std::string_view field;
  std::size_t end;
  if (i < line.size() && line[i] == '"') {
    std::size_t close = line.find('"', i + 1);
    if (close == std::string_view::npos) close = line.size();
    field = line.substr(i + 1, close - i - 1);
    end = line.find(',', close);
  } else {
    end = line.find(',', i);
    field = trim(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
  }
  restOnLine = end != std::string_view::npos;
  rest = restOnLine ? line.substr(end + 1) : std::string_view();
  return field;
}

// A whole number of names, written as a number and nothing else.
bool parseCount(std::string_view field, long long& n) {
  if (field.empty()) return false;
  const std::string text(field);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(v) || v < 0 || v != std::floor(v) || v > 1e15)
    return false;
  n = static_cast<long long>(v);
  return true;
}

LociSelectionResult refuse(std::string detail) {
  LociSelectionResult r;
  r.detail = std::move(detail);
  return r;
}

}  // namespace

std::string LociSelectionResult::message() const {
  if (tooMany) return kMoreLociMessage;
  return std::string(kLociFileRefusedMessage) + "\n" + detail;
}

LociSelectionResult readLociSelection(std::string_view text, const Vec1<std::string>& locName, int nLoci) {
  const auto lines = splitLines(text);
  if (lines.empty()) return refuse("The file is empty.");
  if (lines.size() < 2) return refuse("The file ends after its title, before the number of loci.");

  std::string_view rest;
  bool restOnLine = false;
  const std::string_view field = countField(lines[1], rest, restOnLine);
  long long n = 0;
  if (!parseCount(field, n))
    return refuse("Line 2: the number of loci \"" + std::string(field) + "\" is not a whole number of 0 or more.");

  LociSelectionResult r;
  r.title = std::string(lines[0]);
  if (n > nLoci) {
    r.tooMany = true;
    return r;
  }

  // The names: the rest of line 2 after a comma, if any, then the lines that follow.
  std::vector<std::string_view> names;
  std::vector<std::size_t> lineOf;
  if (restOnLine) {
    names.push_back(rest);
    lineOf.push_back(2);
  }
  for (std::size_t i = 2; i < lines.size(); ++i) {
    names.push_back(lines[i]);
    lineOf.push_back(i + 1);
  }
  if (static_cast<long long>(names.size()) < n)
    return refuse("The file ends after " + std::to_string(names.size()) + " of the " + std::to_string(n) +
                  " locus names it announces.");

  r.locSel = makeVec1<int>(nLoci, 0);
  for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
    bool found = false;
    for (int l = 1; l <= nLoci; ++l)
      if (locName[static_cast<std::size_t>(l)] == names[k]) {
        r.locSel[static_cast<std::size_t>(l)] = 1;
        found = true;
      }
    if (!found)
      return refuse("Line " + std::to_string(lineOf[k]) + ": \"" + std::string(names[k]) +
                    "\" is not the name of a locus of the loaded data (names must match exactly, letter case "
                    "and blanks included).");
  }
  return r;
}

}  // namespace kiwora
