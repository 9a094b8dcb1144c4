#include "files/loci_selection_file.h"

#include <vector>

#include "files/decimal_number.h"
#include "files/text_lines.h"

namespace kiwora {
namespace {

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
    field = trimBlanks(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
  }
  restOnLine = end != std::string_view::npos;
  rest = restOnLine ? line.substr(end + 1) : std::string_view();
  return field;
}

LociSelectionResult refuse(LociSelectionResult r, std::string detail) {
  r.detail = std::move(detail);
  return r;
}

}  // namespace

std::string LociSelectionResult::message() const {
  if (tooMany) return kMoreLociMessage;
  return std::string(kLociFileRefusedMessage) + "\n" + detail;
}

LociSelectionResult readLociSelection(std::string_view text, const Vec1<std::string>& locName, int nLoci) {
  LociSelectionResult r;
  const auto lines = splitLines(text);
  if (lines.empty()) return refuse(r, "The file is empty.");
  // Line 1 is the title whatever follows.
  r.title = std::string(lines[0]);
  r.hasTitle = true;
  if (lines.size() < 2) return refuse(r, "The file ends after its title, before the number of loci.");

  std::string_view rest;
  bool restOnLine = false;
  const std::string_view field = countField(lines[1], rest, restOnLine);
  long long n = 0;
  if (!parseWholeDecimal(field, n) || n < 0)
    return refuse(r, "Line 2: the number of loci \"" + std::string(field) + "\" is not a whole number of 0 or more.");
  if (n > nLoci) {
    r.tooMany = true;
    return r;
  }

  // The names: the rest of line 2 after a comma, if any, then the lines that follow.
  std::vector<std::string_view> names;
  if (restOnLine) names.push_back(rest);
  for (std::size_t i = 2; i < lines.size(); ++i) names.push_back(lines[i]);
  if (static_cast<long long>(names.size()) < n)
    return refuse(r, "The file ends after " + std::to_string(names.size()) + " of the " + std::to_string(n) +
                         " locus names it announces.");

  // Loci are few and names short: a name that matches no locus selects nothing.
  r.locSel = makeVec1<int>(nLoci, 0);
  for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k)
    for (int l = 1; l <= nLoci; ++l)
      if (locName[static_cast<std::size_t>(l)] == names[k]) r.locSel[static_cast<std::size_t>(l)] = 1;
  return r;
}

}  // namespace kiwora
