#pragma once
// "Select populations": which populations take part, and the reduction of every selected population to
// the same number of randomly chosen individuals for the written files.
#include "ui/app_window.h"

namespace kiwora {

class frmSelPop : public AppWindow {
 public:
  explicit frmSelPop(App& app);
  void Form_Load() override;

 private:
  // Rebuilds both lists from PopSel: each population stands in exactly one of them.
  void rebuildLists();
  void setPop(int p, int value);
  void movePop(int picked, int value);
  void setAll(int value, const char* otherBox);
  void applySampleSize();
  void reduceToEqualSize();

  int PickedSelected = 0;
  int PickedExcluded = 0;
};

}  // namespace kiwora
