#pragma once
// The desktop front end: the program's windows as Qt windows.

namespace kiwora {

// True when a graphical display can be opened (an X11 or Wayland session, or a Qt platform chosen
// explicitly through QT_QPA_PLATFORM).
bool desktopAvailable();

// Runs the program with its windows on the desktop until the last window closes; returns the exit code.
int runDesktop(int argc, char** argv);

}  // namespace kiwora
