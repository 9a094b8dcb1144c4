#include "ui/guarded_run.h"

#include <cerrno>
#include <new>
#include <system_error>
#include <string>

#include "base/stop_signal.h"

namespace kiwora {

bool runGuarded(App& app, const std::function<void()>& body, bool* guard) {
  std::string why;
  // While the body runs, the front ends show the controls that do nothing during a run as disabled.
  const Forms::BusyScope busy(app.forms);
  app.services.clearStopRequest();
  noteRunStarting();
  try {
    body();
    // A stop signal that came during the run's last write found nothing left to stop: the program says so.
    if (stopSignalled()) noteRunUnderStop(true);
    return true;
  } catch (const DriverFault&) {
    throw;  // the script driving the program is at fault, not the run: the player names its line
  } catch (const RunStopped&) {
    if (stopSignalled()) noteRunUnderStop(false);
    // The user's own choice: nothing to report.
    app.services.clearStopRequest();
    if (guard) *guard = false;
    return false;
  } catch (const std::bad_alloc&) {
    why = "there is not enough memory for it";
  } catch (const std::system_error& e) {
    // Under a memory limit a worker thread cannot get its stack: the system says "Resource temporarily
    // unavailable", which is the memory all the same.
    const int code = e.code().value();
    why = e.code().category() == std::generic_category() || e.code().category() == std::system_category()
              ? (code == EAGAIN || code == ENOMEM ? "there is not enough memory for it" : e.what())
              : e.what();
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "an unknown error";
  }
  if (stopSignalled()) noteRunUnderStop(false);  // a failed run leaves its files as they were
  if (guard) *guard = false;
  app.message(std::string(kRunStoppedMessage) + why + ". The loaded data are unchanged.");
  return false;
}

bool refusedForMemory(App& app, const std::vector<TableNeed>& needs) {
  const Refusal refusal = memoryRefusal(needs);
  if (!refusal) return false;
  app.message(refusal.message());
  return true;
}

}  // namespace kiwora
