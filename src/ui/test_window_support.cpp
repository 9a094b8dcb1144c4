#include "ui/test_window_support.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/number_format.h"
#include "ui/guarded_run.h"
#include "ui/result_file_ready.h"

namespace kiwora {

std::optional<int> permutationCount(const std::string& text) {
  std::string t = text;
  std::replace(t.begin(), t.end(), ',', '.');
  const double x = leadingNumber(t);
  if (!(x >= 1) || x > INT_MAX || x != std::floor(x)) return std::nullopt;
  return static_cast<int>(x);
}

void PermutationTestWindow::addCountBox(const std::string& label) {
  addLabel("Label1", label);
  auto& box = addText("Text1");
  box.onChange = [this, &box] {
    if (flags().Busy == 1) return;
    if (const auto n = permutationCount(box.text())) opt().NPerm = *n;
    box.setText(std::to_string(opt().NPerm));
  };
}

void PermutationTestWindow::addProgressBox() {
  addLabel("Label2", "Progress");
  auto& box = addText("Text2");
  box.displayOnly = true;
  box.widthChars = kRunStoppedProgressWidth;
}

void PermutationTestWindow::addRunButtons(const std::string& caption) {
  addRunButton("Command1", caption);
  addButton("Command2", "Go back").onClick = [this] {
    if (!running_) backToMain();
  };
}

void PermutationTestWindow::addRunButton(const std::string& name, const std::string& caption) {
  addButton(name, caption).onClick = [this] {
    if (running_) return;
    progressShown_ = false;
    if (!runGuarded(app, [this] { run(); }, &running_) && progressShown_) showStopped();
  };
}

bool PermutationTestWindow::readyToRun() {
  if (sel().countSelectedLoci() == 0) {
    message("No locus is selected! Select loci first!");
    return false;
  }
  const Refusal refusal = resultFileReady(model(), began_);
  if (refusal) message(refusal.message());
  return !refusal;
}

void PermutationTestWindow::showProgress(const std::string& text) {
  progressShown_ = true;
  get<TextBox>("Text2").setText(text);
}

void PermutationTestWindow::showStopped() { get<TextBox>("Text2").setText(kRunStoppedProgress); }

}  // namespace kiwora
