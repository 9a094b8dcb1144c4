#pragma once
// "Analysis of population data": the analyses to run and their parameters, and the Calculate run.
#include <functional>
#include <string>

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
  // `act`, done only while no run holds the window busy: every box of the window acts through it.
  std::function<void()> whenIdle(std::function<void()> act);

  // What the coupled boxes and the parameter boxes do, each named for what its control chooses; the
  // constructor's table binds them to their controls.
  void planeCoordinatesClicked();       // Check22
  void degreeCoordinatesClicked();      // Check23
  void coordinatesClicked(const char* box, Coordinates kind, const char* otherBox, Coordinates other);
  void twoLocusClicked();               // Check25
  void savePairsClicked();              // Check26
  void kinshipAllPopulationsClicked();  // Check28
  void kinshipNeighboursClicked();      // Check30
  void djNeighboursClicked();           // Check29
  void radiusChanged();                 // Text5
  void twoLocusMinDjLeft();             // Text6
  void twoLocusMinDataLeft();           // Text7
  void kinshipMinDataLeft();            // Text10
  void neighboursChanged();             // Text11
  void kinshipNeighboursChanged();      // Text12
  void ciLimitChanged();                // Text13
  void simulationsChanged();            // Text14

  void Calculate();
  bool running_ = false;
};

}  // namespace kiwora
