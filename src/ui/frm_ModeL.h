#pragma once
// The mode-of-inheritance window: each selected locus is listed under bi-parental, maternal or paternal
// inheritance and moved between the lists; every change is written to LocMode at once.
#include "ui/app_window.h"

namespace kiwora {

class frm_ModeL : public AppWindow {
 public:
  explicit frm_ModeL(App& app);
  void Form_Load() override;

 private:
  void listLoci();
  void pick(const ListBox& list);
  void moveTo(int mode);
  void allLoci(int mode, CheckBox& untick);
  ListBox& listOf(int mode);

  int PickedLocus = 0;  // the locus of the entry clicked last in any list; 0 until the first click
};

}  // namespace kiwora
