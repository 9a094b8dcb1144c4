#pragma once
// Base of the program's windows: a widget-model window that knows the running program.
#include "ui/app.h"

namespace kiwora {

class AppWindow : public Window {
 public:
  AppWindow(App& app, std::string name, std::string caption)
      : Window(app.forms, std::move(name), std::move(caption)), app(app) {}

 protected:
  App& app;
  Model& model() { return app.model; }
  DataSet& ds() { return app.model.ds; }
  Selection& sel() { return app.model.sel; }
  WorkflowFlags& flags() { return app.model.flags; }
  void message(const std::string& text) { app.message(text); }
  // Reads a whole file; when it cannot, tells the user `failure` and why, and returns false.
  bool readTextFile(const std::string& path, std::string& text, const std::string& failure);
  // Shows the main window anew (its load handler re-applies the menu rules) and unloads this one.
  void backToMain();
};

}  // namespace kiwora
