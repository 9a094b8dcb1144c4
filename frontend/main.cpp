// kiwora                 opens the main window on the desktop (the terminal mode without a display)
// kiwora --terminal      reads the same commands as a script from the terminal
// kiwora --play SCRIPT   plays a script of user actions headless
// kiwora --help, --version
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <ostream>
#include <string>
#include <unistd.h>

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

}  // namespace

// Whatever goes wrong below ends with a message and a non-zero exit, never with an uncaught exception.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
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
  return 1;
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
    return player.interactive(std::cin);
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
