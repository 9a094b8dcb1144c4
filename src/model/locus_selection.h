#pragma once
// Settings of the locus selection window that outlive the window and every data load.
#include <string>

namespace kiwora {

struct LocusSelectionSettings {
  double NRandLoci = 0;         // loci drawn by the random selection; 0 = never set
  std::string SelLociFileName;  // the loci-selection file chosen last
};

}  // namespace kiwora
