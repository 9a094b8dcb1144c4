#pragma once
// What the windows of the tests within and among populations share: the permutation-count box, the
// progress box, the run and "Go back" buttons with the one-run-at-a-time rule, the checks made before a
// run, and the appending of a section to the result file.
#include <functional>
#include <optional>
#include <string>

#include "files/text_writer.h"
#include "ui/app_window.h"

namespace kiwora {

// The message when a test has no usable population to work on.
inline constexpr const char* kSelectPopulation = "Please, select population!";

// The permutation count typed into a box: its leading number when that is a whole number of at least 1
// (and fits an int); nothing otherwise.
std::optional<int> permutationCount(const std::string& text);

// The result file can be opened for appending (it is created when missing and left as it was).
bool canAppendTo(const std::string& path);

class PermutationTestWindow : public AppWindow {
 public:
  using AppWindow::AppWindow;

 protected:
  // "Text1" under its label: a whole number of at least 1 becomes NPerm; anything else keeps the stored
  // count and the box shows it again. Ignored while a run is busy.
  void addCountBox(const std::string& label);
  // "Text2" under the label "Progress".
  void addProgressBox();
  // "Command1" (the run, under `caption`) and "Command2" "Go back"; neither does anything while a run is
  // under way, so the window cannot be closed under it.
  void addRunButtons(const std::string& caption);
  // The run button alone, under another name; a second click while the run lets events through is ignored.
  void addRunButton(const std::string& name, const std::string& caption);
  virtual void run() = 0;

  // At least one locus is selected and the result file can take the results; otherwise the user is told.
  bool readyToRun();
  // Appends a section to the result file; when it cannot be written completely, tells the user and
  // returns false.
  bool appendSection(const std::function<void(LineWriter&)>& print);
  // Shows a progress text and lets the window process pending events.
  void showProgress(const std::string& text);
  // 100 x perm / nPerm, whole.
  static std::string progressPercent(int perm, int nPerm);

  PermutationOptions& opt() { return model().perm; }
  bool running_ = false;
};

}  // namespace kiwora
