#pragma once
// "Analysis of population data": the analyses to run and their parameters, and the Calculate run.
#include "ui/app_window.h"

namespace kiwora {

class frmDiplo : public AppWindow {
 public:
  explicit frmDiplo(App& app);
  void Form_Load() override;

  // Reading of the parameter boxes: a number reads "," as "."; a whole number is rounded.
  static double readNumber(const std::string& text);
  static int readWhole(const std::string& text);

 private:
  AnalysisOptions& opt() { return app.model.options; }
  void setText(const std::string& box, double value);
  // The check box of that name as the table of boxes in frmDiplo.cpp describes it, with the click of a
  // plain box (ticked stores 1, cleared 0); the constructor places each box and couples the others.
  CheckBox& check(const std::string& name);
  void Calculate();
  bool running_ = false;
};

}  // namespace kiwora
