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
  // A plain box: ticked stores 1, cleared 0.
  void plainCheck(const std::string& name, const std::string& caption, const std::string& frame, int AnalysisOptions::*flag);
  void Calculate();
  bool running_ = false;
};

}  // namespace kiwora
