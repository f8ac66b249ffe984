// Qt's connection to the window system as a program starts. Qt aborts (status 134, a core dump)
// when no platform plugin starts: no X server at DISPLAY, no compositor at WAYLAND_DISPLAY, or a
// Wayland session without the Wayland plugin (Debian's qt6-wayland). Around the QApplication's
// construction, this says so in one line, with what to do, and exits with status 2.
#pragma once

#include <string>

namespace framework {

class CWindowSystemStart {
  public:
    // program: the name the line starts with; advice: what the user can do instead, ending it.
    CWindowSystemStart(std::string program, std::string advice);
    // The QApplication exists: Qt's messages go out as usual again, those held back first.
    ~CWindowSystemStart();
    CWindowSystemStart(const CWindowSystemStart&) = delete;
    CWindowSystemStart& operator=(const CWindowSystemStart&) = delete;
};

// Drops Qt's start-up notice about XDG_RUNTIME_DIR (root, containers, CI), which only alarms
// operators: Qt uses a private folder anyway. For the program's whole run.
void InstallQuietQtMessages();

// The exit status when the window system cannot be reached.
constexpr int kExitNoWindowSystem = 2;

}  // namespace framework
