#pragma once
// The comma-separated table of every evaluated pair of individuals. One handle of its own per run, so it
// never interferes with the result file; lines are written as the pairs are evaluated, and the file
// replaces an earlier one only when the run closes it whole.
#include <optional>
#include <string>

#include "files/atomic_file.h"

namespace kiwora {

inline constexpr const char* kPairsHeader = "Pop,Ind_1,Ind_2,N_loci,DGM,CI,F_D0,F_D1,Kin";

// One evaluated pair as it goes into the file.
struct PairLine {
  int ind1 = 0, ind2 = 0, nLoci = 0;
  double dgm = 0, fD0 = 0, fD1 = 0;
  std::optional<double> kin;  // none when the reference variance of the pair is 0
  std::string ci;             // class text; empty without simulated intervals in this run
};

// The pair's line with its CR LF line end; numbers with a decimal point.
std::string pairLineText(const std::string& popName, const PairLine& p);

class PairsFile {
 public:
  PairsFile() = default;
  PairsFile(const PairsFile&) = delete;
  PairsFile& operator=(const PairsFile&) = delete;
  // Starts the file and writes the header; false when it cannot be created.
  bool create(const std::string& path);
  // Appends whole lines, each ending with CR LF, in the order given.
  void write(const std::string& lines);
  // Puts the file in place; false when anything could not be written (an earlier file then stays). A file
  // never closed (a run broken off) is dropped.
  bool close();
  const Refusal& problem() const { return file_.problem(); }

 private:
  AtomicFile file_;
};

}  // namespace kiwora
