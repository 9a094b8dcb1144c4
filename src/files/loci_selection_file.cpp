#include "files/loci_selection_file.h"

#include <unordered_map>
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
  r.refusal = Refusal(kLociFileRefusedMessage, std::move(detail));
  return r;
}

}  // namespace

LociSelectionResult readLociSelection(std::string_view text, const Vec1<std::string>& locName, int nLoci) {
  LociSelectionResult r;
  // Lines are taken one at a time: no more than the n names are ever read, and nothing is held per line.
  LineReader lines(text);
  std::string_view line;
  if (!lines.next(line)) return refuse(r, "The file is empty.");
  // A file saved as UTF-16 has no title to take.
  if (notPlainText(line)) return refuse(r, std::string("Line 1: ") + kNotPlainText);
  // Line 1 is the title whatever follows.
  r.title = std::string(line);
  r.hasTitle = true;
  if (!lines.next(line)) return refuse(r, "Line 1: the file ends there, after its title, before the number of loci.");
  if (notPlainText(line)) return refuse(r, std::string("Line 2: ") + kNotPlainText);

  std::string_view rest;
  bool restOnLine = false;
  const std::string_view field = countField(line, rest, restOnLine);
  long long n = 0;
  if (!parseWholeDecimal(field, n) || n < 0) {
    // The field goes into the message; a huge one is cut so the message stays readable.
    const std::string shown = field.size() > 40 ? std::string(field.substr(0, 40)) + "..." : std::string(field);
    return refuse(r, "Line 2: the number of loci " + quotedField(shown) + " is not a whole number of 0 or more.");
  }
  if (n > nLoci) {
    r.refusal = Refusal(kMoreLociMessage, "Line 2: the file announces " + countOf(n, "locus name", "locus names") +
                                              "; the data set has " + countOf(nLoci, "locus", "loci") + ".");
    return r;
  }

  // The loci by name; loci that share a name are chained, so a name selects them all. Names match
  // exactly, case and blanks included.
  std::unordered_map<std::string_view, int> firstWithName;
  firstWithName.reserve(static_cast<std::size_t>(nLoci));
  std::vector<int> nextWithName(static_cast<std::size_t>(nLoci) + 1, 0);
  for (int l = nLoci; l >= 1; --l) {
    const auto [it, added] = firstWithName.try_emplace(locName[static_cast<std::size_t>(l)], l);
    if (!added) {
      nextWithName[static_cast<std::size_t>(l)] = it->second;
      it->second = l;
    }
  }

  // The names: the rest of line 2 after a comma, if any, then the lines that follow.
  r.locSel = makeVec1<int>(nLoci, 0);
  long long read = 0;
  auto select = [&](std::string_view name) {
    ++read;
    if (const auto it = firstWithName.find(name); it != firstWithName.end())
      for (int l = it->second; l != 0; l = nextWithName[static_cast<std::size_t>(l)]) r.locSel[static_cast<std::size_t>(l)] = 1;
  };
  if (restOnLine && read < n) select(rest);
  while (read < n && lines.next(line)) select(line);
  if (read < n) {
    r.locSel = Vec1<int>();
    return refuse(r, "Line " + std::to_string(lines.number()) + ": the file ends there, after " + std::to_string(read) +
                         " of the " + countOf(n, "locus name", "locus names") + " that line 2 announces.");
  }
  return r;
}

}  // namespace kiwora
