// kiwora --play SCRIPT   plays a script of user actions headless
// kiwora                 reads the same commands from the terminal
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "script_player.h"

namespace {

int usage() {
  std::cerr << "usage: kiwora [--play SCRIPT]\n"
               "  --play SCRIPT  play a script of user actions (one action per line) and exit\n"
               "  (no argument)  type the same actions at the terminal\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc) script = argv[++i];
    else return usage();
  }

  kiwora::ScriptedServices services;
  services.onEditor = [] {
    const char* editor = std::getenv("VISUAL");
    if (!editor || !*editor) editor = std::getenv("EDITOR");
    if (editor && *editor && isatty(0)) {
      if (std::system(editor) != 0) std::cout << "editor: " << editor << " ended with an error\n";
    } else {
      std::cout << "editor: no editor to start here\n";
    }
  };
  kiwora::App app(services);
  kiwora::registerWindows(app);
  kiwora::startProgram(app);

  if (script.empty()) {
    kiwora::ScriptPlayer player(app, services, std::cout, ".");
    return player.interactive(std::cin);
  }
  std::ifstream in(script);
  if (!in) {
    std::cerr << "kiwora: cannot open the script " << script << "\n";
    return 2;
  }
  const std::size_t slash = script.find_last_of('/');
  kiwora::ScriptPlayer player(app, services, std::cout, slash == std::string::npos ? "." : script.substr(0, slash));
  return player.play(in, script);
}
