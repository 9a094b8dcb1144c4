#pragma once
// The import of a comma-separated table of individuals: a header of 5 + 2 x L fields (five leading
// titles, then two per locus, the second naming the locus), then one row per individual: population,
// group, identifier, X, Y, and the first and second allele code of each locus. The rows end at the first
// empty line or at the end of the file; only empty lines may follow.
#include <string>
#include <string_view>

#include "files/input_file.h"
#include "base/refusal.h"
#include "model/imported_table.h"

namespace kiwora {

inline constexpr const char* kImportFailureMessage =
    "The reading of input data was not successful! Check the data format of the file!";
inline constexpr const char* kImportSuccessMessage = "The reading of the data was successful!";

struct ImportResult {
  Refusal refusal;      // under kImportFailureMessage, naming the row or line that is wrong
  ImportedTable table;  // complete only when ok
  bool ok() const { return !refusal; }
  std::string message() const { return refusal.message(); }
};

// The rows before the first empty line (a line of blanks counts as a row).
int countImportRows(std::string_view text);
// The number of loci the header promises; 0 when it cannot hold whole loci.
int importHeaderLoci(std::string_view text);

// Reads and checks the whole table; the populations and groups are derived from the rows with data.
ImportResult parseImportTable(std::string_view text);

enum class ImportUnits { Populations, Groups };

// The imported table as an input file holds it: one unit per population (named by its group, "_" and
// its name) or per group, each with its rows that hold data, every locus.
ParsedInput importedInput(const ImportedTable& t, ImportUnits units);

}  // namespace kiwora
