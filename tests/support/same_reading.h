#pragma once
// Compares two readings of the same input file: the same refusal, or the same data set and selection.
// Shared by the unit tests and the fuzz targets, so both hold the readers to one standard.
#include <string>

#include "files/input_file.h"

namespace kiwora::testing {

// A reading as parsing the whole text into blocks and building from them leaves it: the reference that
// every other way of reading an input file is held to.
struct BlockReading {
  ParseResult result;
  DataSet ds;
  Selection sel;
};

inline BlockReading readThroughBlocks(std::string_view text, const InputLimits& limits = {}) {
  BlockReading b;
  b.result = parseInputText(text, limits);
  if (b.result.ok()) buildDataSet(b.result.data, b.ds, b.sel);
  return b;
}

// The first thing that differs between `want` and the other reading, or "" when they agree.
inline std::string readingDifference(const BlockReading& want, const ParseResult& got, const DataSet& ds,
                                     const Selection& sel) {
  if (got.refusal != want.result.refusal)
    return "refusal: \"" + got.message() + "\" where \"" + want.result.message() + "\" was expected";
  if (!got.ok()) return "";
  const DataSet& w = want.ds;
  if (ds.Title != w.Title) return "title";
  if (ds.NPop != w.NPop || ds.NLoci != w.NLoci || ds.MaxAllele != w.MaxAllele) return "counts";
  if (ds.LocName != w.LocName) return "locus names";
  if (ds.PopName != w.PopName) return "population names";
  if (ds.PopX != w.PopX || ds.PopY != w.PopY) return "coordinates";
  if (ds.NInd != w.NInd) return "individuals per population";
  if (!(ds.Allele == w.Allele)) return "genotypes";
  if (ds.NGenesRead.n1() != w.NGenesRead.n1() || ds.NGenesRead.n2() != w.NGenesRead.n2()) return "gene count table";
  for (int p = 0; p <= w.NGenesRead.n1(); ++p)
    for (int l = 0; l <= w.NGenesRead.n2(); ++l)
      if (ds.NGenesRead(p, l) != w.NGenesRead(p, l)) return "gene counts";
  if (sel.PopSel != want.sel.PopSel) return "population selection";
  if (!(sel.IndSel == want.sel.IndSel)) return "individual selection";
  if (sel.LocSel != want.sel.LocSel || sel.LocAvail != want.sel.LocAvail) return "locus selection";
  if (sel.LocMode != want.sel.LocMode) return "modes of inheritance";
  return "";
}

}  // namespace kiwora::testing
