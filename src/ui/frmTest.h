#pragma once
// "Test between two populations": the pair (or all pairs), the unit and sample sizes of the resampling,
// the number of permutations, and the run.
#include "ui/app_window.h"

namespace kiwora {

class frmTest : public AppWindow {
 public:
  explicit frmTest(App& app);
  void Form_Load() override;

 private:
  PermutationOptions& opt() { return app.model.perm; }
  bool busy() const { return app.model.flags.Busy == 1; }
  // A list click: the population of the entry becomes tested population `which` (1 or 2), single pair.
  void choosePopulation(const std::string& list, int PermutationOptions::*which);
  void Start();
};

}  // namespace kiwora
