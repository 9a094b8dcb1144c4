#include "ui/guarded_run.h"

#include <filesystem>
#include <new>
#include <string>

#include "platform/scripted_services.h"

namespace kiwora {

bool runGuarded(App& app, const std::function<void()>& body, bool* guard, const std::function<void()>& onStopped) {
  std::string why;
  // While the body runs, the front ends show the controls that do nothing during a run as disabled.
  const Forms::BusyScope busy(app.forms);
  app.services.clearStopRequest();
  try {
    body();
    return true;
  } catch (const NoDialogAnswer&) {
    throw;  // the script driving the program is at fault, not the run: the player names its line
  } catch (const RunStopped&) {
    // The user's own choice: nothing to report. Whatever the body had written is undone.
    app.services.clearStopRequest();
    if (onStopped) onStopped();
    if (guard) *guard = false;
    return false;
  } catch (const std::bad_alloc&) {
    why = "there is not enough memory for it";
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "an unknown error";
  }
  if (guard) *guard = false;
  app.message(std::string(kRunStoppedMessage) + why + ". The loaded data are unchanged.");
  return false;
}

ResultFileMark::ResultFileMark(std::string path) : path_(std::move(path)) {
  std::error_code ec;
  absent_ = !path_.empty() && !std::filesystem::exists(path_, ec) && !ec;
  existed_ = !path_.empty() && std::filesystem::is_regular_file(path_, ec);
  if (existed_) size_ = std::filesystem::file_size(path_, ec);
  if (ec) existed_ = false;
}

void ResultFileMark::rollBack() const {
  if (path_.empty()) return;
  std::error_code ec;
  if (absent_) {
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
  } else if (existed_ && std::filesystem::file_size(path_, ec) > size_ && !ec) {  // only what was appended goes
    std::filesystem::resize_file(path_, size_, ec);
  }
}

bool refusedForMemory(App& app, const std::vector<TableNeed>& needs) {
  const std::string refusal = memoryRefusal(needs);
  if (refusal.empty()) return false;
  app.message(refusal);
  return true;
}

}  // namespace kiwora
