#pragma once
// The running program: its data model, the platform services and the loaded windows.
#include "analysis/analysis_results.h"
#include "assign/assignment_results.h"
#include "model/model.h"
#include "platform/services.h"
#include "platform/widgets.h"

namespace kiwora {

struct App {
  explicit App(Services& s) : services(s) {}
  Model model;
  // The tables of the last population analysis (the frequency exports read them); emptied by every data load.
  AnalysisResults analysis;
  // The scores of the last assignment run.
  AssignmentResults assignment;
  Services& services;
  Forms forms;

  void message(const std::string& text) { services.messageBox(text); }
};

// Registers every window of the program with app.forms.
void registerWindows(App& app);

// Starts the program: shows the main window.
void startProgram(App& app);

}  // namespace kiwora
