#pragma once
// SIGTERM, SIGINT and SIGHUP end the program as a stop, never in the middle of a write. The handler only
// notes the signal (and wakes an event loop through a pipe); a run under way sees the note at its next
// progress step or write and ends with RunStopped, which undoes what it had written, and the front end
// then ends the program with a message and a non-zero exit.
#include <string>

namespace kiwora {

// Installs the handlers; a signal the program was started with ignored (nohup) stays ignored. Blocking
// reads are not restarted after a signal, so a terminal waiting for a line returns to the program.
// It also calls catchFileSizeSignal().
void installStopSignals();
// SIGXFSZ is caught and passed over: a write past a file-size limit then fails as on a full disk,
// instead of ending the program in the middle of a file.
void catchFileSizeSignal();
// The first stop signal received, 0 while none has come.
int stopSignal() noexcept;
inline bool stopSignalled() noexcept { return stopSignal() != 0; }
// Forgets a signal received (a test that sent one to itself); a later one is noted afresh.
void clearStopSignal() noexcept;
// The read end of a pipe that receives a byte for every stop signal, for an event loop to watch; -1
// before installStopSignals().
int stopSignalPipe() noexcept;
// A run begins: what an earlier one put in place (noteFileKeptByRun) is no longer its concern.
void noteRunStarting();
// A file the run under way has put in place whole before its end (the pairs file, before the report): a
// stop signal that cuts the rest of the run back leaves it, and the program's last words name it.
void noteFileKeptByRun(const std::string& path);
// A run ended after a stop signal came: `completed`, it ran to its end all the same (the signal came
// during its last write, which was then kept whole); otherwise it was stopped and undid its writes.
void noteRunUnderStop(bool completed) noexcept;
// What the program says on standard error as it ends for the signal: what became of the run under way.
std::string stopSignalMessage(int signal);
// The exit code of a program ended by the signal, as a shell reports a process killed by it.
inline int stopSignalExitCode(int signal) { return 128 + signal; }

}  // namespace kiwora
