#include "files/import_table.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <unordered_map>

#include "files/decimal_number.h"
#include "files/export_text.h"
#include "files/text_lines.h"

namespace kiwora {
namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A name field in the form of a number: optional sign, digits with an optional "." and decimals,
// optional exponent. (Coordinates and allele codes are plain decimal numbers: files/decimal_number.h.)
bool asNumber(std::string_view s, double& v) {
  s = trimmed(s);
  std::size_t i = 0, digits = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  v = std::strtod(std::string(s).c_str(), nullptr);
  return std::isfinite(v);
}

ImportName nameOf(const std::string& field) {
  ImportName n;
  if (asNumber(field, n.value)) {
    n.numeric = true;
    n.text = plainNumber(n.value);
  } else {
    n.text = field;
  }
  return n;
}

bool isBlank(std::string_view line) { return trimmed(line).empty(); }

ImportResult fail(std::string detail) {
  ImportResult r;
  r.refusal = Refusal(kImportFailureMessage, std::move(detail));
  return r;
}

// Names compare as ImportName does: numeric names by value (0 and -0 alike), the others by text.
struct NameHash {
  std::size_t operator()(const ImportName& n) const {
    return n.numeric ? std::hash<double>()(n.value == 0 ? 0.0 : n.value) : std::hash<std::string>()(n.text);
  }
};
using NameIndex = std::unordered_map<ImportName, int, NameHash>;

// The number of `name` among those found so far; a new name gets the next number.
int numberOf(NameIndex& index, int& count, const ImportName& name, bool& added) {
  const auto [it, inserted] = index.try_emplace(name, count + 1);
  added = inserted;
  if (inserted) ++count;
  return it->second;
}

}  // namespace

int countImportRows(std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  if (!lines.next(line)) return 0;
  int n = 0;
  while (lines.next(line) && !line.empty() && n < INT_MAX) ++n;
  return n;
}

int importHeaderLoci(std::string_view text) {
  LineReader lines(text);
  std::string_view header;
  if (!lines.next(header)) return 0;
  const std::size_t f = countFields(header);
  return f >= 7 && (f - 5) % 2 == 0 && (f - 5) / 2 <= static_cast<std::size_t>(InputLimits{}.maxCount)
             ? static_cast<int>((f - 5) / 2)
             : 0;
}

ImportResult parseImportTable(std::string_view text) {
  // Lines and fields are read where they stand in the text, one at a time; what is kept per row is a
  // few numbers and its allele codes, so memory follows the file. Anything that can be refused from the
  // header or the line count is refused before the tables are sized.
  const InputLimits limits;
  LineReader lines(text);
  std::string_view header;
  if (!lines.next(header) || (header.empty() && lines.rest().empty())) return fail("The table is empty.");
  if (notPlainText(header)) return fail(std::string("Line 1: ") + kNotPlainText);
  const std::size_t headerFields = countFields(header);
  if (headerFields < 7 || (headerFields - 5) % 2 != 0)
    return fail("Line 1: the header has " + countOf(static_cast<long long>(headerFields), "field", "fields") +
                "; it needs the five leading columns and two columns for each locus.");
  if (static_cast<long long>((headerFields - 5) / 2) > limits.maxCount)
    return fail("Line 1: the header names " + std::to_string((headerFields - 5) / 2) + " loci; the program holds at most " +
                std::to_string(limits.maxCount) + ".");
  const int nFields = static_cast<int>(headerFields);
  const int nLoci = (nFields - 5) / 2;

  // The rows end at the first empty line; only blank lines may follow it.
  // A row of the wrong length is refused when the reading reaches it (after the rows above it are checked),
  // but the tables are never sized beyond the rows before it: a short row cannot make them outgrow the file.
  std::string_view line;
  long long nRowsLong = 0, firstBadRow = 0;
  while (lines.next(line) && !line.empty()) {
    ++nRowsLong;
    if (firstBadRow == 0 && countFields(line) != headerFields) firstBadRow = nRowsLong;
  }
  const long long emptyLine = lines.number();
  while (lines.next(line))
    if (!isBlank(line))
      return fail("Line " + std::to_string(lines.number()) + ": the table ends with the empty line " +
                  std::to_string(emptyLine) + "; nothing but empty lines may follow it.");
  if (nRowsLong == 0)
    return fail(emptyLine == 1 ? "Line 1: the file ends there, after the header; the table has no rows below it."
                               : "Line 2: the table has no rows below its header.");
  if (nRowsLong > limits.maxCount)
    return fail("Line " + std::to_string(limits.maxCount + 2) + ": the table has " + std::to_string(nRowsLong) +
                " rows; the program holds at most " + std::to_string(limits.maxCount) + ".");
  const int nRows = static_cast<int>(nRowsLong);
  const int sized = firstBadRow > 0 ? static_cast<int>(firstBadRow) - 1 : nRows;

  ImportResult r;
  ImportedTable& t = r.table;
  t.nLoci = nLoci;
  t.nIndImp = nRows;
  t.locName = makeVec1<std::string>(nLoci);
  {
    FieldReader fields(header);
    for (int k = 0; k < 5; ++k) fields.skip();
    for (int l = 1; l <= nLoci; ++l) {
      fields.skip();
      fields.next(t.locName[static_cast<std::size_t>(l)]);
    }
  }
  t.impX = makeVec1<double>(sized);
  t.impY = makeVec1<double>(sized);
  t.impAllele1.resize(sized, nLoci);
  t.impAllele2.resize(sized, nLoci);
  t.impHasData = makeVec1<int>(sized);
  t.rowPop = makeVec1<int>(sized);
  t.rowGroup = makeVec1<int>(sized);

  // Populations and groups in order of first appearance among the rows with data; a row's names are
  // looked up once, when its codes show that it holds data.
  t.popName = t.popGroup = makeVec1<ImportName>(0);
  t.popX = t.popY = makeVec1<double>(0);
  t.groupName = makeVec1<ImportName>(0);
  t.groupX = t.groupY = makeVec1<double>(0);
  NameIndex popIndex, groupIndex;

  LineReader rows(text);
  rows.next(line);  // the header
  std::string popField, groupField, field;
  int largestAt = 0;  // the first row with the largest allele code
  for (int i = 1; i <= nRows; ++i) {
    rows.next(line);
    const std::string at = "Row " + std::to_string(i) + " (line " + std::to_string(i + 1) + "): ";
    const std::size_t count = countFields(line);
    if (count != static_cast<std::size_t>(nFields))
      return fail(at + std::to_string(count) + (count == 1 ? " field where " : " fields where ") + std::to_string(nFields) +
                  " (5 + 2 x " + countOf(nLoci, "locus", "loci") + ") are expected.");
    const auto idx = static_cast<std::size_t>(i);
    FieldReader f(line);
    f.next(popField);
    f.next(groupField);
    f.skip();  // the individual's identifier is not written to any file
    f.next(field);
    if (!parseDecimal(field, t.impX[idx])) return fail(at + "the X coordinate " + quotedField(field) + " is not a number.");
    f.next(field);
    if (!parseDecimal(field, t.impY[idx])) return fail(at + "the Y coordinate " + quotedField(field) + " is not a number.");
    if (t.impX[idx] == 0) return fail(at + "the X coordinate is 0.");
    for (int l = 1; l <= nLoci; ++l) {
      for (int which = 0; which < 2; ++which) {
        f.next(field);
        long long v;
        if (!parseWholeDecimal(field, v) || (v != -1 && v < 1) || v > limits.maxCount)
          return fail(at + "the allele code " + quotedField(field) + " of locus " + t.locName[static_cast<std::size_t>(l)] +
                      " is neither -1 nor a whole number of at least 1.");
        const int code = static_cast<int>(v);
        (which == 0 ? t.impAllele1 : t.impAllele2)(i, l) = code;
        if (code != -1) t.impHasData[idx] = 1;
        if (code > t.maxAllele) {
          t.maxAllele = code;
          largestAt = i;
        }
      }
    }
    if (t.impHasData[idx] != 1) continue;
    const ImportName group = nameOf(groupField);
    bool added = false;
    t.rowGroup[idx] = numberOf(groupIndex, t.nGroups, group, added);
    if (added) {
      t.groupName.push_back(group);
      t.groupX.push_back(t.impX[idx]);
      t.groupY.push_back(t.impY[idx]);
    }
    const ImportName pop = nameOf(popField);
    t.rowPop[idx] = numberOf(popIndex, t.nPop, pop, added);
    if (added) {
      t.popName.push_back(pop);
      t.popGroup.push_back(group);
      t.popX.push_back(t.impX[idx]);
      t.popY.push_back(t.impY[idx]);
    }
  }
  if (t.nPop == 0)
    return fail((nRows == 1 ? std::string("Line 2") : "Lines 2 to " + std::to_string(nRows + 1)) +
                ": no row holds an allele code other than -1.");
  const double units = std::max(t.nPop, t.nGroups);
  if (frequencyCells(units, nLoci, t.maxAllele, 2.0 * nRows) > static_cast<double>(limits.maxFrequencyCells))
    return fail("Row " + std::to_string(largestAt) + " (line " + std::to_string(largestAt + 1) + "): with its allele code " +
                std::to_string(t.maxAllele) + ", populations x loci x allele codes exceed what the program can hold.");
  t.loaded = true;
  return r;
}

ParsedInput importedInput(const ImportedTable& t, ImportUnits units) {
  ParsedInput in;
  in.title = t.title;
  in.nLoci = t.nLoci;
  in.maxAllele = t.maxAllele;
  in.largestCodeSeen = t.maxAllele;
  in.locName = t.locName;
  const bool byPop = units == ImportUnits::Populations;
  in.nPop = byPop ? t.nPop : t.nGroups;
  in.blocks.assign(1, PopulationBlock{});
  for (int u = 1; u <= in.nPop; ++u) {
    const auto ui = static_cast<std::size_t>(u);
    PopulationBlock b;
    b.name = byPop ? t.popGroup[ui].text + "_" + t.popName[ui].text : t.groupName[ui].text;
    b.x = byPop ? t.popX[ui] : t.groupX[ui];
    b.y = byPop ? t.popY[ui] : t.groupY[ui];
    in.blocks.push_back(std::move(b));
  }
  // One pass over the rows, each joining its unit's block in table order.
  const Vec1<int>& unitOf = byPop ? t.rowPop : t.rowGroup;
  for (int i = 1; i <= t.nIndImp; ++i) {
    const auto idx = static_cast<std::size_t>(i);
    const int u = t.impHasData[idx] == 1 ? unitOf[idx] : 0;
    if (u < 1 || u > in.nPop) continue;
    PopulationBlock& b = in.blocks[static_cast<std::size_t>(u)];
    ++b.nInd;
    for (int l = 1; l <= t.nLoci; ++l) {
      b.alleles.push_back(t.impAllele1(i, l));
      b.alleles.push_back(t.impAllele2(i, l));
    }
  }
  return in;
}

}  // namespace kiwora
