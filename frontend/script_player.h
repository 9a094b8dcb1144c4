#pragma once
// The first front end: plays a script of user actions, one action per line, against the windows.
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/scripted_services.h"
#include "ui/app.h"

namespace kiwora {

class ScriptPlayer {
 public:
  // Relative paths in `file` lines are resolved against baseDir.
  ScriptPlayer(App& app, ScriptedServices& services, std::ostream& out, std::string baseDir);

  struct Outcome {
    bool ok = true;
    std::string error;
  };
  // Runs one line of a script. Blank lines and # comments do nothing.
  Outcome execute(const std::string& line);
  // Plays a whole script; returns the process exit code (0 when every line passed, and no file answer
  // was left unused).
  int play(std::istream& script, const std::string& scriptName);
  int playText(std::string_view text, const std::string& scriptName);
  // Reads commands from a terminal, showing the active window after each one.
  int interactive(std::istream& in);

  // Prints a window with its controls and their states, each control under its frame or menu.
  void printWindow(const Window& w) const;
  bool ended() const { return app_.forms.ended() || app_.forms.loaded().empty(); }

 private:
  void printControl(const Control& c, int depth) const;
  Outcome run(const std::string& cmd, const std::string& arg);
  Control* resolve(const std::string& ref, std::string& error) const;
  Control* resolveMenu(const std::string& ref, std::string& error) const;
  std::string resolvePath(const std::string& path) const;

  App& app_;
  ScriptedServices& services_;
  std::ostream& out_;
  std::string baseDir_;
  int line_ = 0;        // the script line being played (0 outside play)
  int answerLine_ = 0;  // the line of the oldest file answer still waiting
};

}  // namespace kiwora
