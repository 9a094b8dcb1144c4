#pragma once
// The loaded population data (or the reference populations), the selection and the workflow flags.
#include <cstdint>
#include <string>
#include <vector>

#include "model/genotypes.h"
#include "model/ragged_rows.h"
#include "base/table.h"

namespace kiwora {

struct DataSet {
  std::string Title;
  int NPop = 0;
  int NLoci = 0;
  int MaxAllele = 0;
  Vec1<std::string> LocName;  // 0..NLoci
  Vec1<std::string> PopName;  // 0..NPop
  Vec1<double> PopX, PopY;    // 0..NPop
  Vec1<int> NInd;             // 0..NPop
  // The genotypes (Allele1 / Allele2), held once: as read until a multilocus build puts each pair in
  // order in place; the tests work on copies of their own and never write them back.
  GenotypeData Allele;
  Table2<int> NGenesRead;     // (population, locus): allele copies other than -1
  Table2<int> RefGeneCount;   // (population, locus): the same count, kept for the reference populations
  int RefMaxAllele = 0;       // the reference file's largest allele code; a test-group read raises MaxAllele

  std::string InFileName, OutFileName, SaveFileName, FreqFileName, RefFileName, TestFileName;

  int maxN() const { return Allele.maxInd(); }
};

// The header block a data load could not write to its result file (a full disk, a write-protected file):
// what the load would have written, kept so that the next run that appends writes it first.
struct PendingResultHeader {
  std::string path, date, inFileName, title;  // no path: nothing is pending
  bool pendingFor(const std::string& outPath) const { return !path.empty() && path == outPath; }
};

// How a locus is inherited; LocMode keeps it as its code (the codes the windows and files use).
enum class Inheritance { BiParental = 1, Maternal = 2, Paternal = 3 };

// The mode of locus l; a locus beyond the table, or a code outside 1..3, counts as bi-parental.
inline Inheritance inheritanceAt(const Vec1<int>& locMode, int l) {
  if (l < 0 || static_cast<std::size_t>(l) >= locMode.size()) return Inheritance::BiParental;
  const int code = locMode[static_cast<std::size_t>(l)];
  return code == 2 ? Inheritance::Maternal : code == 3 ? Inheritance::Paternal : Inheritance::BiParental;
}

struct Selection {
  Vec1<int> PopSel;              // 0..NPop
  RaggedRows<std::uint8_t> IndSel;  // [p][j] 1 = selected, j 1..NInd[p]; ragged like the genotypes
  Vec1<int> LocSel;              // 0..NLoci
  Vec1<int> LocAvail;            // 0..NLoci
  Vec1<int> LocMode;             // 0..NLoci: 1 bi-parental, 2 maternal, 3 paternal
  int NSelLoci = 0;
  double MinSampleSize = 0;  // a typed 2.5 stays 2.5: populations are then reduced to 3
  int EqualSizeFlag = 0;

  Inheritance inheritance(int l) const { return inheritanceAt(LocMode, l); }

  int countSelectedLoci() const {
    int n = 0;
    for (std::size_t l = 1; l < LocSel.size(); ++l) n += LocSel[l] == 1;
    return n;
  }

  int countSelectedPops() const {
    int n = 0;
    for (std::size_t p = 1; p < PopSel.size(); ++p) n += PopSel[p] == 1;
    return n;
  }
};

// A load replaces the data set and the selection but keeps what the user chose for the other files and
// commands: every file name known so far and the population window's reduction settings. The caller
// then names the file it has just read.
inline void carryOverFromLoaded(const DataSet& ds, const Selection& sel, DataSet& next, Selection& nextSel) {
  next.InFileName = ds.InFileName;
  next.OutFileName = ds.OutFileName;
  next.SaveFileName = ds.SaveFileName;
  next.FreqFileName = ds.FreqFileName;
  next.RefFileName = ds.RefFileName;
  next.TestFileName = ds.TestFileName;
  nextSel.MinSampleSize = sel.MinSampleSize;
  nextSel.EqualSizeFlag = sel.EqualSizeFlag;
}

struct WorkflowFlags {
  int DataLoaded = 0;
  int TestLoaded = 0;
  int AnalysisDone = 0;
  int AssignRunDone = 0;
  int CanTestWithin = 0;
  int CanTestTwo = 0;
  int CanTestAll = 0;
  int PopSelChanged = 0;
  int LocSelChanged = 0;
  int LociChanged = 0;
  int NoSortMLG = 0;
  int AssignReRead = 0;
  int Busy = 0;
};

}  // namespace kiwora
