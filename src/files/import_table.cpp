#include "files/import_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "files/decimal_number.h"
#include "files/export_text.h"

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
  r.detail = std::move(detail);
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

std::string ImportResult::message() const {
  return detail.empty() ? std::string(kImportFailureMessage) : std::string(kImportFailureMessage) + "\n" + detail;
}

int countImportRows(std::string_view text) {
  const auto lines = splitLines(text);
  int n = 0;
  for (std::size_t k = 1; k < lines.size() && !lines[k].empty(); ++k) ++n;
  return n;
}

int importHeaderLoci(std::string_view text) {
  const auto lines = splitLines(text);
  if (lines.empty()) return 0;
  const int f = static_cast<int>(splitFields(lines[0]).size());
  return f >= 7 && (f - 5) % 2 == 0 ? (f - 5) / 2 : 0;
}

ImportResult parseImportTable(std::string_view text) {
  const auto lines = splitLines(text);
  if (lines.empty() || (lines.size() == 1 && lines[0].empty())) return fail("The table is empty.");
  const auto header = splitFields(lines[0]);
  const int nFields = static_cast<int>(header.size());
  if (nFields < 7 || (nFields - 5) % 2 != 0)
    return fail("Line 1: the header has " + std::to_string(nFields) +
                " fields; it needs the five leading columns and two columns for each locus.");
  const int nLoci = (nFields - 5) / 2;

  std::size_t end = 1;  // the rows are lines[1 .. end - 1]
  while (end < lines.size() && !lines[end].empty()) ++end;
  for (std::size_t k = end + 1; k < lines.size(); ++k)
    if (!isBlank(lines[k]))
      return fail("Line " + std::to_string(k + 1) + ": the table ends with the empty line " + std::to_string(end + 1) +
                  "; nothing but empty lines may follow it.");
  const int nRows = static_cast<int>(end) - 1;
  if (nRows == 0) return fail("The table has no rows below its header.");

  const InputLimits limits;
  ImportResult r;
  ImportedTable& t = r.table;
  t.nLoci = nLoci;
  t.nIndImp = nRows;
  t.locName = makeVec1<std::string>(nLoci);
  for (int l = 1; l <= nLoci; ++l) t.locName[static_cast<std::size_t>(l)] = header[static_cast<std::size_t>(4 + 2 * l)];
  t.impPop = makeVec1<ImportName>(nRows);
  t.impGroup = makeVec1<ImportName>(nRows);
  t.impInd = makeVec1<std::string>(nRows);
  t.impX = makeVec1<double>(nRows);
  t.impY = makeVec1<double>(nRows);
  t.impAllele1.resize(nRows, nLoci);
  t.impAllele2.resize(nRows, nLoci);
  t.impHasData = makeVec1<int>(nRows);
  t.rowPop = makeVec1<int>(nRows);
  t.rowGroup = makeVec1<int>(nRows);

  for (int i = 1; i <= nRows; ++i) {
    const std::string at = "Row " + std::to_string(i) + " (line " + std::to_string(i + 1) + "): ";
    const auto f = splitFields(lines[static_cast<std::size_t>(i)]);
    if (static_cast<int>(f.size()) != nFields)
      return fail(at + std::to_string(f.size()) + (f.size() == 1 ? " field where " : " fields where ") + std::to_string(nFields) + " (5 + 2 x " +
                  std::to_string(nLoci) + " loci) are expected.");
    const auto idx = static_cast<std::size_t>(i);
    t.impPop[idx] = nameOf(f[0]);
    t.impGroup[idx] = nameOf(f[1]);
    t.impInd[idx] = f[2];
    if (!parseDecimal(f[3], t.impX[idx])) return fail(at + "the X coordinate \"" + f[3] + "\" is not a number.");
    if (!parseDecimal(f[4], t.impY[idx])) return fail(at + "the Y coordinate \"" + f[4] + "\" is not a number.");
    if (t.impX[idx] == 0) return fail(at + "the X coordinate is 0.");
    for (int l = 1; l <= nLoci; ++l) {
      for (int which = 0; which < 2; ++which) {
        const std::string& field = f[static_cast<std::size_t>(3 + 2 * l + which)];
        long long v;
        if (!parseWholeDecimal(field, v) || (v != -1 && v < 1) || v > limits.maxCount)
          return fail(at + "the allele code \"" + field + "\" of locus " + t.locName[static_cast<std::size_t>(l)] +
                      " is neither -1 nor a whole number of at least 1.");
        const int code = static_cast<int>(v);
        (which == 0 ? t.impAllele1 : t.impAllele2)(i, l) = code;
        if (code != -1) t.impHasData[idx] = 1;
        if (code > t.maxAllele) t.maxAllele = code;
      }
    }
  }

  // Populations and groups in order of first appearance among the rows with data.
  t.popName = t.popGroup = makeVec1<ImportName>(0);
  t.popX = t.popY = makeVec1<double>(0);
  t.groupName = makeVec1<ImportName>(0);
  t.groupX = t.groupY = makeVec1<double>(0);
  NameIndex popIndex, groupIndex;
  for (int i = 1; i <= nRows; ++i) {
    const auto idx = static_cast<std::size_t>(i);
    if (t.impHasData[idx] != 1) continue;
    bool added = false;
    const int g = numberOf(groupIndex, t.nGroups, t.impGroup[idx], added);
    if (added) {
      t.groupName.push_back(t.impGroup[idx]);
      t.groupX.push_back(t.impX[idx]);
      t.groupY.push_back(t.impY[idx]);
    }
    const int p = numberOf(popIndex, t.nPop, t.impPop[idx], added);
    if (added) {
      t.popName.push_back(t.impPop[idx]);
      t.popGroup.push_back(t.impGroup[idx]);
      t.popX.push_back(t.impX[idx]);
      t.popY.push_back(t.impY[idx]);
    }
    t.rowPop[idx] = p;
    t.rowGroup[idx] = g;
  }
  if (t.nPop == 0) return fail("No row holds an allele code other than -1.");
  const double units = std::max(t.nPop, t.nGroups);
  if ((units + 1) * (nLoci + 1) * (t.maxAllele + 2.0) > static_cast<double>(limits.maxFrequencyCells))
    return fail("Populations x loci x allele codes exceed what the program can hold.");
  t.loaded = true;
  r.ok = true;
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
    for (int i = 1; i <= t.nIndImp; ++i) {
      const auto idx = static_cast<std::size_t>(i);
      if (t.impHasData[idx] != 1 || (byPop ? t.rowPop[idx] : t.rowGroup[idx]) != u) continue;
      ++b.nInd;
      for (int l = 1; l <= t.nLoci; ++l) {
        b.alleles.push_back(t.impAllele1(i, l));
        b.alleles.push_back(t.impAllele2(i, l));
      }
    }
    in.blocks.push_back(std::move(b));
  }
  return in;
}

}  // namespace kiwora
