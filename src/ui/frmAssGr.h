#pragma once
// "Assignment / exclusion of groups": the options of the assignment and of the self-assignment, and the
// run "Assign test groups".
#include <functional>
#include <string>

#include "base/refusal.h"
#include "ui/app_window.h"

namespace kiwora {

class frmAssGr : public AppWindow {
 public:
  explicit frmAssGr(App& app);
  void Form_Load() override;

 private:
  AssignmentOptions& opt() { return app.model.assignOptions; }
  // While a run is going (it lets events through) or Busy is set, no control changes anything.
  bool locked() { return running_ || flags().Busy == 1; }
  void show(const std::string& box, double value);
  // Chooses one of the four method buttons, which sit in different frames, and clears the others.
  void chooseMethod(const std::string& button);
  // The criterion is offered with three or more selected reference populations, not under the distance;
  // the group shows the criterion that will run, and none under the distance, which has its own (as the
  // group's caption says).
  void showCriterion();
  // A box holding a whole number: accepted when whole and within [low, high], else the box shows `field`.
  void wholeNumberBox(const std::string& box, int AssignmentOptions::*field, int low, std::function<int()> high);
  void weightBox(const std::string& box, double AssignmentOptions::*own, double AssignmentOptions::*other);
  // The checks before a run, inside runGuarded (reading the test groups again may fail like a run): false,
  // after showing why, when the run is not to start.
  bool readyToRun(const std::function<Refusal()>& checks);
  // Runs `calculation` with every control locked, under the busy guard, whose copy of the selection it
  // works under, with its progress in the box `progressBox`, which says so when the run ends before
  // completing. Shows the calculation's refusal, or returns to the main window when it completed.
  void runLocked(const std::string& progressBox,
                 const std::function<Refusal(const ProgressFn& show, const Selection& sel)>& calculation);
  void Command2_Click();
  void Command4_Click();
  bool running_ = false;
};

}  // namespace kiwora
