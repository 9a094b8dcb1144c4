#include "files/input_writer.h"

#include <algorithm>

#include "files/decimal_number.h"
#include "files/export_text.h"

namespace kiwora {

ParsedInput selectedInput(const DataSet& ds, const Selection& sel) {
  auto flag = [](const Vec1<int>& v, int i) { return i >= 0 && static_cast<std::size_t>(i) < v.size() && v[static_cast<std::size_t>(i)] == 1; };
  // An individual outside the selection table (which only a data set loaded without it can have) is
  // written: the table records reductions, and nothing has reduced those individuals.
  auto indSelected = [&](int p, int j) {
    if (static_cast<std::size_t>(p) >= sel.IndSel.size()) return true;
    const auto v = sel.IndSel[static_cast<std::size_t>(p)];
    return static_cast<std::size_t>(j) >= v.size() || v[static_cast<std::size_t>(j)] == 1;
  };

  ParsedInput in;
  in.title = ds.Title;
  in.maxAllele = ds.MaxAllele;
  std::vector<int> loci;
  for (int l = 1; l <= ds.NLoci; ++l)
    if (flag(sel.LocSel, l)) loci.push_back(l);
  in.nLoci = static_cast<int>(loci.size());
  in.locName.assign(1, std::string());
  for (int l : loci) in.locName.push_back(ds.LocName[static_cast<std::size_t>(l)]);

  in.blocks.assign(1, PopulationBlock{});
  for (int p = 1; p <= ds.NPop; ++p) {
    if (!flag(sel.PopSel, p)) continue;
    PopulationBlock b;
    b.name = ds.PopName[static_cast<std::size_t>(p)];
    b.x = ds.PopX[static_cast<std::size_t>(p)];
    b.y = ds.PopY[static_cast<std::size_t>(p)];
    const int n = p <= ds.Allele.nPop() ? ds.Allele.nInd(p) : 0;
    for (int j = 1; j <= n; ++j) {
      if (!indSelected(p, j)) continue;
      ++b.nInd;
      for (int l : loci) {
        for (int code : {ds.Allele.a1(p, l, j), ds.Allele.a2(p, l, j)}) {
          b.alleles.push_back(code);
          in.largestCodeSeen = std::max(in.largestCodeSeen, code);
        }
      }
    }
    in.blocks.push_back(std::move(b));
  }
  in.nPop = static_cast<int>(in.blocks.size()) - 1;
  return in;
}

Refusal inputFileProblem(const ParsedInput& in) {
  const auto lineBreakIn = [](const std::string& what) {
    return Refusal(what + " holds a line break; an input file keeps it on one line.");
  };
  if (in.nPop < 1) return Refusal(kNoPopulationToSave);
  if (in.nLoci < 1) return Refusal(kNoLocusToSave);
  if (hasLineBreak(in.title)) return lineBreakIn("The title");
  for (int l = 1; l <= in.nLoci; ++l)
    if (hasLineBreak(in.locName[static_cast<std::size_t>(l)]))
      return lineBreakIn("The name of locus " + std::to_string(l));
  for (int p = 1; p <= in.nPop; ++p)
    if (hasLineBreak(in.blocks[static_cast<std::size_t>(p)].name))
      return lineBreakIn("The name of population " + std::to_string(p));
  return {};
}

void writeInputFile(LineWriter& out, const ParsedInput& in) {
  out.text(in.title).nl();
  out.num(in.nPop).nl();
  out.num(in.nLoci).nl();
  // The loaded largest code; a data set whose codes went beyond it would not read back with it.
  out.num(std::max(in.maxAllele, in.largestCodeSeen)).nl();
  for (int l = 1; l <= in.nLoci; ++l) out.text(in.locName[static_cast<std::size_t>(l)]).nl();
  for (int p = 1; p <= in.nPop; ++p) {
    const PopulationBlock& b = in.blocks[static_cast<std::size_t>(p)];
    out.text(csvField(b.name)).text(",").text(decimalText(b.x)).text(",").text(decimalText(b.y)).nl();
    for (int j = 1; j <= b.nInd; ++j) {
      std::string line;
      for (int l = 1; l <= in.nLoci; ++l) {
        if (l > 1) line += ',';
        line += std::to_string(b.allele(l, j, 0, in.nLoci)) + ',' + std::to_string(b.allele(l, j, 1, in.nLoci));
      }
      out.text(line).nl();
    }
    // Every block gets its terminator, also one without individuals.
    if (p == in.nPop) out.text("END");
    out.nl();
  }
}

Refusal saveInputFile(const std::string& path, const ParsedInput& in) {
  if (Refusal unfit = inputFileProblem(in)) return unfit;
  return writeFile(path, [&](LineWriter& out) { writeInputFile(out, in); });
}

}  // namespace kiwora
