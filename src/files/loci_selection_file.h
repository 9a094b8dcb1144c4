#pragma once
// The loci-selection file: line 1 a title; then one field, the number n of names that follow; then n
// lines, each a locus name exactly as in the input file (the whole line, blanks and case included).
#include <string>
#include <string_view>

#include "base/table.h"
#include "base/refusal.h"

namespace kiwora {

inline constexpr const char* kMoreLociMessage = "More loci than in the input file!";
inline constexpr const char* kLociFileRefusedMessage =
    "The loci-selection file was not used; the selection of loci is unchanged.";

struct LociSelectionResult {
  Refusal refusal;       // why the file cannot be used, naming the line; none when it can
  std::string title;     // line 1
  bool hasTitle = false; // the file has a line 1, which replaces the title even when the file is refused
  Vec1<int> locSel;      // 0..nLoci: 1 for every locus named in the file
  bool ok() const { return !refusal; }
  std::string message() const { return refusal.message(); }
};

// Reads the file's text against the loaded loci (locName 1..nLoci). A name carried by several loci selects
// them all, a name of no locus selects nothing. Nothing is applied here: the caller takes the title when
// hasTitle and the selection only when ok().
LociSelectionResult readLociSelection(std::string_view text, const Vec1<std::string>& locName, int nLoci);

}  // namespace kiwora
