// kiwora                 opens the main window on the desktop (the terminal mode without a display)
// kiwora --terminal      reads the same commands as a script from the terminal
// kiwora --play SCRIPT   plays a script of user actions headless
// kiwora --help, --version
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <ostream>
#include <poll.h>
#include <streambuf>
#include <string>
#include <unistd.h>

#include "base/run_context.h"
#include "base/stop_signal.h"
#include "base/version.h"
#include "files/input_file.h"
#include "script_player.h"
#ifdef KIWORA_DESKTOP
#include "qt/desktop.h"
#endif

namespace {

void printUsage(std::ostream& out) {
  out << "usage: kiwora [--terminal | --play SCRIPT | --help | --version]\n"
         "  (no argument)  open the program's windows (the terminal mode when no display is available)\n"
         "  --terminal     type the actions of a script at the terminal\n"
         "  --play SCRIPT  play a script of user actions (one action per line) and exit\n"
         "  --help         print this help and exit\n"
         "  --version      print the program's version and exit\n";
}

int usage() {
  printUsage(std::cerr);
  return 2;
}

int run(int argc, char** argv);

// The terminal's input, read straight from descriptor 0. A wait for input also watches the pipe of the
// stop signals, so a signal that comes just before the wait begins still ends it (as the end of input).
class TerminalInput : public std::streambuf {
 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    for (;;) {
      if (kiwora::stopSignalled()) return traits_type::eof();
      pollfd waits[2] = {{0, POLLIN, 0}, {kiwora::stopSignalPipe(), POLLIN, 0}};
      if (::poll(waits, waits[1].fd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return traits_type::eof();
      if (kiwora::stopSignalled()) return traits_type::eof();
      if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) continue;
      const ssize_t n = ::read(0, buffer_, sizeof buffer_);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) return traits_type::eof();
      setg(buffer_, buffer_, buffer_ + n);
      return traits_type::to_int_type(*gptr());
    }
  }

 private:
  char buffer_[4096];
};

}  // namespace

// Whatever goes wrong below ends with a message and a non-zero exit, never with an uncaught exception. A
// stop signal (SIGTERM, SIGINT, SIGHUP) ends the program the same way once the run under way has undone
// its writes.
int main(int argc, char** argv) {
  int code = 1;
  try {
    code = run(argc, argv);
  } catch (const kiwora::RunStopped&) {
    if (!kiwora::stopSignalled()) {
      std::cout.flush();
      std::cerr << "kiwora: the run was stopped; the program ends.\n";
    }
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "kiwora: not enough memory; the program ends.\n";
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "kiwora: " << e.what() << "; the program ends.\n";
  } catch (...) {
    std::cout.flush();
    std::cerr << "kiwora: an unexpected error; the program ends.\n";
  }
  if (const int signal = kiwora::stopSignal()) {
    std::cout.flush();
    std::cerr << kiwora::stopSignalMessage(signal) << "\n";
    return kiwora::stopSignalExitCode(signal);
  }
  return code;
}

namespace {

int run(int argc, char** argv) {
  std::string script;
  bool play = false, terminal = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      printUsage(std::cout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "kiwora " << kiwora::kVersion << "\n";
      return 0;
    }
    // One mode at most: a second --play is refused, even after an empty one.
    if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc && !play && !terminal) {
      play = true;
      script = argv[++i];
    } else if (std::strcmp(argv[i], "--terminal") == 0 && !play) {
      terminal = true;
    } else {
      return usage();
    }
  }
  // An empty path names no script; it must not fall back to reading the terminal.
  if (play && script.empty()) {
    std::cerr << "kiwora: --play needs the path of a script.\n";
    return usage();
  }
  kiwora::installStopSignals();
#ifdef KIWORA_DESKTOP
  if (!play && !terminal && kiwora::desktopAvailable()) return kiwora::runDesktop(argc, argv);
#endif

  kiwora::ScriptedServices services;
  services.keepShownMessages(false);  // printed as they are shown; nothing here reads them again
  services.onEditor = [](const std::string& file) {
    const char* editor = std::getenv("VISUAL");
    if (!editor || !*editor) editor = std::getenv("EDITOR");
    if (editor && *editor && isatty(0)) {
      // The file goes to the shell as one single-quoted word, whatever characters its name holds.
      std::string command = editor;
      if (!file.empty()) {
        command += " '";
        for (char c : file) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "'";
      }
      if (std::system(command.c_str()) != 0) std::cout << "editor: " << editor << " ended with an error\n";
    } else {
      std::cout << "editor: no editor to start here\n";
    }
  };
  kiwora::App app(services);
  kiwora::registerWindows(app);
  kiwora::startProgram(app);

  if (!play) {
    kiwora::ScriptPlayer player(app, services, std::cout, ".");
    TerminalInput input;
    std::istream typed(&input);
    return player.interactive(typed);
  }
  // A script is a regular file: a folder or a pipe is refused, not played as an empty script.
  std::string text;
  if (const kiwora::Refusal unreadable = kiwora::readWholeFile(script, text)) {
    std::cerr << "kiwora: cannot play the script: " << unreadable.detail() << "\n";
    return 2;
  }
  const std::size_t slash = script.find_last_of('/');
  kiwora::ScriptPlayer player(app, services, std::cout, slash == std::string::npos ? "." : script.substr(0, slash));
  return player.playText(text, script);
}

}  // namespace
