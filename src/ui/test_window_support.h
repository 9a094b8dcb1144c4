#pragma once
// What the windows of the permutation tests share: the permutation-count box, the progress box, the run
// and "Go back" buttons with the one-run-at-a-time rule, and the checks made before a run.
#include <optional>
#include <string>

#include "files/result_lock.h"
#include "ui/app_window.h"

namespace kiwora {

// The message when a test has no usable population to work on.
inline constexpr const char* kSelectPopulation = "Please, select population!";
// The test between two populations when the analysis window has none of the statistics it tests ticked.
inline constexpr const char* kNothingToTestForAllPairs =
    "Nothing was tested: the summary of all pairs tests the genetic distances DG and DN, and neither is "
    "ticked in the analysis window. Nothing was added to the result file.";
inline constexpr const char* kNothingToTestForOnePair =
    "Nothing was tested: none of Diversity V, Genetic distance DG and Genetic distance DN is ticked in the "
    "analysis window. Nothing was added to the result file.";

// The permutation count typed into a box: its leading number when that is a whole number of at least 1
// (and fits an int); nothing otherwise.
std::optional<int> permutationCount(const std::string& text);

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

  // At least one locus is selected and the result file can take the results (noted in began_ for the run's
  // report); otherwise the user is told.
  bool readyToRun();
  // Shows a run's progress text in "Text2" (the run context lets the pending events through).
  void showProgress(const std::string& text);
  // After a run that showed progress and then ended before completing (stopped or failed): the progress
  // says so, in place of the last step's text.
  virtual void showStopped();
  bool progressShown_ = false;

  PermutationOptions& opt() { return model().perm; }
  bool running_ = false;
  ResultFileMark began_;
};

}  // namespace kiwora
