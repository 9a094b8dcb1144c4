#include "files/assignment_files.h"

#include <algorithm>

#include "files/text_lines.h"

namespace kiwora {
namespace {

constexpr int kNoSmallestAllele = 10000;  // start of the per-locus minimum, kept when a locus has no allele

void widen(Vec1<int>& lo, Vec1<int>& hi, int l, int code) {
  if (code <= kMissing) return;
  const auto i = static_cast<std::size_t>(l);
  lo[i] = std::min(lo[i], code);
  hi[i] = std::max(hi[i], code);
}

std::string quoted(const std::string& s) { return quotedField(s); }

std::string lineRef(int n) { return "Line " + std::to_string(n) + ": "; }

std::string lowerFirst(std::string s) {
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
  return s;
}

std::string nameMismatch(int l, const std::string& here, const std::string& ref) {
  return "Locus " + std::to_string(l) + " is " + quoted(here) + " in the file with test groups and " + quoted(ref) +
         " in the reference file.";
}

std::string countMismatch(int here, int ref) {
  return "The file with test groups has " + countOf(here, "locus", "loci") + ", the reference file " +
         std::to_string(ref) + ".";
}

}  // namespace

void completeReferenceData(DataSet& ds, TestGroups& ranges) {
  ds.RefGeneCount = ds.NGenesRead;
  ds.RefMaxAllele = ds.MaxAllele;
  ranges.TestMinAllele = makeVec1<int>(ds.NLoci, kNoSmallestAllele);
  ranges.TestMaxAllele = makeVec1<int>(ds.NLoci, 0);
  ranges.TestMinAllele[0] = 0;
  for (int p = 1; p <= ds.NPop; ++p)
    for (int l = 1; l <= ds.NLoci; ++l)
      for (int j = 1; j <= ds.Allele.nInd(p); ++j) {
        widen(ranges.TestMinAllele, ranges.TestMaxAllele, l, ds.Allele.a1(p, l, j));
        widen(ranges.TestMinAllele, ranges.TestMaxAllele, l, ds.Allele.a2(p, l, j));
      }
}

Refusal lociMismatch(const ParsedInput& in, const DataSet& ref) {
  if (!in.countsRead) return {};  // nothing to compare: the file fails before its loci
  if (in.nLoci != ref.NLoci)
    return Refusal(kNotCompatibleMessage, lineRef(in.countLine[1]) + lowerFirst(countMismatch(in.nLoci, ref.NLoci)));
  for (std::size_t l = 1; l < in.locName.size(); ++l)
    if (in.locName[l] != ref.LocName[l])
      return Refusal(kNotCompatibleMessage, lineRef(in.firstLocusLine + static_cast<int>(l) - 1) +
                                                lowerFirst(nameMismatch(static_cast<int>(l), in.locName[l], ref.LocName[l])));
  return {};
}

Refusal lociMismatch(const TestGroups& tg, const DataSet& ref) {
  const int n = tg.LocNameRead.empty() ? 0 : static_cast<int>(tg.LocNameRead.size()) - 1;
  if (n != ref.NLoci) return Refusal(kNotCompatibleMessage, countMismatch(n, ref.NLoci));
  for (int l = 1; l <= n; ++l) {
    const auto i = static_cast<std::size_t>(l);
    if (tg.LocNameRead[i] != ref.LocName[i])
      return Refusal(kNotCompatibleMessage, nameMismatch(l, tg.LocNameRead[i], ref.LocName[i]));
  }
  return {};
}

Refusal buildTestGroups(const ParsedInput& in, TestGroups& tg) {
  for (int g = 1; g <= in.nPop; ++g) {
    const PopulationBlock& b = in.blocks[static_cast<std::size_t>(g)];
    if (b.nInd == 0)
      return Refusal(kReadingFailureMessage, (b.headerLine > 0 ? lineRef(b.headerLine) + "test group " : "Test group ") +
                                                 std::to_string(g) + " (" + b.name + ") has no individual.");
  }
  const int nGr = in.nPop, nLoci = in.nLoci;
  tg.NTestGr = nGr;
  tg.TestGrName = makeVec1<std::string>(nGr);
  tg.NTestInd = makeVec1<int>(nGr);
  tg.NTestLoci = makeVec1<int>(nGr);
  for (int g = 1; g <= nGr; ++g) {
    const auto gi = static_cast<std::size_t>(g);
    tg.TestGrName[gi] = in.blocks[gi].name;
    tg.NTestInd[gi] = in.blocks[gi].nInd;
  }
  tg.TestAllele.resize(nGr, nLoci, tg.NTestInd);
  tg.TestMissProp.resize(nGr, nLoci);
  for (int g = 1; g <= nGr; ++g) {
    const PopulationBlock& b = in.blocks[static_cast<std::size_t>(g)];
    const int n = b.nInd;
    for (int l = 1; l <= nLoci; ++l) {
      int withMissing = 0;
      bool hasData = false;
      for (int j = 1; j <= n; ++j) {
        const int a1 = b.allele(l, j, 0, nLoci), a2 = b.allele(l, j, 1, nLoci);
        tg.TestAllele.a1(g, l, j) = a1;
        tg.TestAllele.a2(g, l, j) = a2;
        hasData = hasData || a1 > kMissing || a2 > kMissing;
        withMissing += a1 == kMissing || a2 == kMissing;
      }
      tg.NTestLoci[static_cast<std::size_t>(g)] += hasData;
      tg.TestMissProp(g, l) = static_cast<double>(withMissing) / n;
    }
  }
  tg.SimAllele = tg.TestAllele;
  tg.LocNameRead = in.locName;
  tg.MaxAlleleRead = in.maxAllele;
  return {};
}

void fitTestGroups(TestGroups& tg, int refMaxAllele, int& maxAllele, Vec1<int>& locSel) {
  const int nLoci = tg.TestAllele.nLoci();
  maxAllele = std::max(refMaxAllele, tg.MaxAlleleRead);
  tg.LocDeselectedNoData = makeVec1<int>(nLoci, 0);
  for (int l = 1; l <= nLoci; ++l) {
    bool anyAllele = false;
    for (int g = 1; g <= tg.NTestGr; ++g)
      for (int j = 1; j <= tg.TestAllele.nInd(g); ++j) {
        const int a1 = tg.TestAllele.a1(g, l, j), a2 = tg.TestAllele.a2(g, l, j);
        widen(tg.TestMinAllele, tg.TestMaxAllele, l, a1);
        widen(tg.TestMinAllele, tg.TestMaxAllele, l, a2);
        maxAllele = std::max({maxAllele, a1, a2});
        anyAllele = anyAllele || a1 > kMissing || a2 > kMissing;
      }
    if (!anyAllele && static_cast<std::size_t>(l) < locSel.size()) {
      tg.LocDeselectedNoData[static_cast<std::size_t>(l)] = locSel[static_cast<std::size_t>(l)] == 1;
      locSel[static_cast<std::size_t>(l)] = 0;
    }
  }
}

bool frequencyTablesFit(const DataSet& ref, const TestGroups& tg, int maxAllele, const InputLimits& limits) {
  double individuals = 0;
  for (int p = 1; p <= ref.NPop && static_cast<std::size_t>(p) < ref.NInd.size(); ++p) individuals += ref.NInd[static_cast<std::size_t>(p)];
  for (int g = 1; g <= tg.NTestGr && static_cast<std::size_t>(g) < tg.NTestInd.size(); ++g) individuals += tg.NTestInd[static_cast<std::size_t>(g)];
  return frequencyCells(ref.NPop, ref.NLoci, maxAllele, 2 * individuals) <= static_cast<double>(limits.maxFrequencyCells);
}

Refusal readTestGroupFile(const std::string& path, const DataSet& ref, const Selection& sel, const TestGroups& loaded,
                          TestGroupRead& out) {
  std::string text;
  if (Refusal unreadable = readWholeFile(path, text)) return unreadable;
  const ParseResult parsed = parseInputText(text, InputLayout::TestGroups);
  if (Refusal otherLoci = lociMismatch(parsed.data, ref)) return otherLoci;
  if (!parsed.ok()) return parsed.refusal;

  TestGroupRead next;
  if (Refusal noGroups = buildTestGroups(parsed.data, next.groups)) return noGroups;
  next.groups.TestMinAllele = loaded.TestMinAllele;
  next.groups.TestMaxAllele = loaded.TestMaxAllele;
  // From the loci as the user last chose them, not from what the loaded groups lacked.
  next.locSel = sel.LocSel;
  for (std::size_t l = 1; l < next.locSel.size() && l < loaded.LocDeselectedNoData.size(); ++l)
    if (loaded.LocDeselectedNoData[l] == 1) next.locSel[l] = 1;
  fitTestGroups(next.groups, ref.RefMaxAllele, next.maxAllele, next.locSel);
  if (!frequencyTablesFit(ref, next.groups, next.maxAllele))
    return Refusal(kSizingMessage, lineRef(parsed.data.countLine[2]) + "with the largest allele code " +
                                       std::to_string(next.maxAllele) +
                                       ", reference populations x loci x allele codes exceed what the program can hold.");
  next.title = parsed.data.title;
  out = std::move(next);
  return {};
}

ReferenceWithGroups referenceWithTestGroups(DataSet ref, Selection sel, const TestGroups& loaded, bool testLoaded) {
  ReferenceWithGroups out{std::move(ref), std::move(sel), loaded, false};
  completeReferenceData(out.ds, out.test);
  // Test groups read against the earlier reference stay only if they fit the new loci; otherwise an
  // assignment would score them locus by locus against other loci.
  if (!testLoaded && out.ds.TestFileName.empty()) return out;
  int maxAllele = out.ds.MaxAllele;
  Vec1<int> locSel = out.sel.LocSel;
  TestGroups kept = out.test;
  out.groupsDropped = true;
  if (!lociMismatch(kept, out.ds)) {
    fitTestGroups(kept, out.ds.RefMaxAllele, maxAllele, locSel);
    out.groupsDropped = !frequencyTablesFit(out.ds, kept, maxAllele);
  }
  if (out.groupsDropped) {
    TestGroups ranges;
    ranges.TestMinAllele = std::move(out.test.TestMinAllele);
    ranges.TestMaxAllele = std::move(out.test.TestMaxAllele);
    out.test = std::move(ranges);
    out.ds.TestFileName.clear();
  } else {
    out.test = std::move(kept);
    out.ds.MaxAllele = maxAllele;
    out.sel.LocSel = std::move(locSel);
  }
  return out;
}

void installTestGroups(TestGroupRead&& read, DataSet& ds, Selection& sel, TestGroups& tg) {
  tg = std::move(read.groups);
  ds.Title = std::move(read.title);
  ds.MaxAllele = read.maxAllele;
  sel.LocSel = std::move(read.locSel);
}

}  // namespace kiwora
