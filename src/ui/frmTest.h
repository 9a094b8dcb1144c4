#pragma once
// "Test between two populations": the pair (or all pairs), the unit and sample sizes of the resampling,
// the number of permutations, and the run.
#include "ui/test_window_support.h"

namespace kiwora {

class frmTest : public PermutationTestWindow {
 public:
  explicit frmTest(App& app);
  void Form_Load() override;

 private:
  bool busy() const { return app.model.flags.Busy == 1; }
  // A list click: the population of the entry becomes tested population `which` (1 or 2), single pair.
  void choosePopulation(const std::string& list, int PermutationOptions::*which);
  void run() override;
  // The share label says the run was stopped; the pair label is emptied.
  void showStopped() override;
};

}  // namespace kiwora
