#pragma once
// A comma-separated table of individuals as the import window read it. It is a record of its own: the
// import never touches the loaded data set, and the input files written from it use nothing else.
#include <string>

#include "base/table.h"

namespace kiwora {

// A population or group name as read: a field in the form of a number names by its value (the fields
// 01 and 1 name the same population), any other field by its text, case counting. `text` is the name
// as the written files show it (a number in its shortest form).
struct ImportName {
  std::string text;
  bool numeric = false;
  double value = 0;

  bool operator==(const ImportName& o) const {
    if (numeric != o.numeric) return false;
    return numeric ? value == o.value : text == o.text;
  }
};

struct ImportedTable {
  bool loaded = false;  // true only after a successful import
  std::string path;     // the table that was read
  std::string title;    // typed in the import window; kept when a new table is read

  int nLoci = 0;
  int maxAllele = 0;
  Vec1<std::string> locName;  // 1..nLoci

  // Rows, 1..nIndImp, in table order. A row's population and group are kept as their numbers (rowPop,
  // rowGroup), its names only once per population and group, and its identifier not at all (no file
  // writes it): what a row holds stays within a small multiple of its line.
  int nIndImp = 0;
  Vec1<double> impX, impY;
  Table2<int> impAllele1, impAllele2;  // (row, locus)
  Vec1<int> impHasData;                // 1 = some allele code of the row is not -1
  Vec1<int> rowPop, rowGroup;          // the population and group of a row with data; 0 for the others

  // Populations and groups in order of first appearance among the rows with data; coordinates of their
  // first such row.
  int nPop = 0;
  Vec1<ImportName> popName, popGroup;
  Vec1<double> popX, popY;
  int nGroups = 0;
  Vec1<ImportName> groupName;
  Vec1<double> groupX, groupY;
};

}  // namespace kiwora
