#include "platform/scripted_services.h"

#include <chrono>
#include <ctime>

namespace kiwora {

std::optional<std::string> ScriptedServices::takeMessage() {
  if (pending_.empty()) return std::nullopt;
  std::string m = std::move(pending_.front());
  pending_.pop_front();
  return m;
}

void ScriptedServices::seed(std::uint64_t s) {
  seed_ = s;
  seedCount_ = 0;
}

std::string ScriptedServices::openFileDialog(const std::string& title) { return answer(title, {}); }

std::string ScriptedServices::saveFileDialog(const std::string& title, const std::string& proposed) {
  saveDialogsAt_.push_back(proposed);
  return answer(title, proposed);
}

std::string ScriptedServices::answer(const std::string& title, const std::string& proposed) {
  if (fileAnswers_.empty()) {
    if (answerDialog) return answerDialog(title, proposed);
    throw NoDialogAnswer("a file dialog (" + title + ") opened, but no file or cancel was given for it");
  }
  std::string a = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return a;
}

void ScriptedServices::messageBox(const std::string& text) {
  if (keepShown_) messages_.push_back(text);
  if (!pendingLimit_ || pending_.size() < *pendingLimit_) pending_.push_back(text);
  if (onMessage) onMessage(text);
}

void ScriptedServices::startEditor(const std::string& file) {
  ++editorStarts_;
  editorFile_ = file;
  if (onEditor) onEditor(file);
}

std::string ScriptedServices::today() { return date_.empty() ? shortDateToday() : date_; }

std::uint64_t ScriptedServices::clockSeed() {
  if (seed_) return *seed_ + 0x9E3779B97F4A7C15ull * ++seedCount_;
  return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

std::string shortDateToday() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%d/%m/%Y", &tm);
  return buf;
}

}  // namespace kiwora
