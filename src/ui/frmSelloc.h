#pragma once
// "Select loci": which loci of the loaded data take part in every later analysis, test and export.
#include "ui/app_window.h"

namespace kiwora {

class frmSelloc : public AppWindow {
 public:
  explicit frmSelloc(App& app);
  void Form_Load() override;

 private:
  // Rebuilds both lists from LocSel: each locus stands in exactly one of them.
  void rebuildLists();
  // Marks the selection as changed by the user.
  void selectionChanged();
  void setLocus(int l, int value);
  void moveLocus(int picked, int value);
  void excludeAll();
  void includeAll();
  void applyRange(int value);
  void randomSelection();
  void File_Select_Loci_Click();
  void readLociFile(const std::string& path);

  int PickedSelected = 0;
  int PickedExcluded = 0;
};

}  // namespace kiwora
