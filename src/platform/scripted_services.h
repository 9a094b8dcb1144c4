#pragma once
// Services driven by a script or a test: queued answers for the file dialog, recorded messages,
// a generator that a fixed seed makes repeatable.
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/services.h"

namespace kiwora {

// Raised when a file dialog opens and no answer waits for it.
struct NoDialogAnswer : DriverFault {
  using DriverFault::DriverFault;
};

class ScriptedServices : public Services {
 public:
  ScriptedServices() = default;

  // Answers for the next file dialogs; "" cancels.
  void queueFile(std::string path) { fileAnswers_.push_back(std::move(path)); }
  void queueCancel() { fileAnswers_.push_back(std::string()); }
  std::size_t queuedAnswers() const { return fileAnswers_.size(); }
  void clearAnswers() { fileAnswers_.clear(); }
  // Asked when a dialog finds no queued answer (the terminal asks its user), with the path the dialog
  // opens at (empty for none); unset: NoDialogAnswer.
  std::function<std::string(const std::string& title, const std::string& proposed)> answerDialog;
  // The path each save dialog opened at, in order (empty: at no path).
  const std::vector<std::string>& saveDialogsOpenedAt() const { return saveDialogsAt_; }

  // Every message shown (while they are kept), and those that no expectation has taken yet.
  const std::vector<std::string>& messages() const { return messages_; }
  std::optional<std::string> takeMessage();
  std::size_t pendingMessages() const { return pending_.size(); }
  // Whether messages() keeps every message shown; a program that only plays scripts never reads them.
  void keepShownMessages(bool keep) { keepShown_ = keep; }
  // How many waiting messages expectations can still take (no limit when unset): a message shown while
  // that many wait is printed, but it is not kept, since no expectation could reach it.
  void limitPendingMessages(std::optional<std::size_t> most) { pendingLimit_ = most; }
  std::function<void(const std::string&)> onMessage;  // e.g. print it
  std::function<void(const std::string& file)> onEditor;

  // Fixes the seed: the "clock" seeds that follow are then derived from it, one after the other.
  void seed(std::uint64_t s);
  void setDate(std::string d) { date_ = std::move(d); }
  void setDecimalSign(char c) { decimal_ = c; }
  int editorStarts() const { return editorStarts_; }
  // The file the editor was last started on; empty: without a file.
  const std::string& editorFile() const { return editorFile_; }
  long doEventsCalls() const { return doEvents_; }

  std::string openFileDialog(const std::string& title) override;
  std::string saveFileDialog(const std::string& title, const std::string& proposed) override;
  void messageBox(const std::string& text) override;
  void doEvents() override { ++doEvents_; }
  void startEditor(const std::string& file) override;
  std::string today() override;
  char decimalSign() override { return decimal_; }
  std::uint64_t clockSeed() override;

 private:
  std::string answer(const std::string& title, const std::string& proposed);
  std::deque<std::string> fileAnswers_;
  std::vector<std::string> saveDialogsAt_;
  std::vector<std::string> messages_;
  std::deque<std::string> pending_;
  bool keepShown_ = true;
  std::optional<std::size_t> pendingLimit_;
  std::optional<std::uint64_t> seed_;
  std::uint64_t seedCount_ = 0;
  std::string date_;
  char decimal_ = '.';
  int editorStarts_ = 0;
  std::string editorFile_;
  long doEvents_ = 0;
};

// Today's date as the platform shows it in short form (day/month/year).
std::string shortDateToday();

}  // namespace kiwora
