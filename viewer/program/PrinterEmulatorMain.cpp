// printer-emulator-window, which printer-emulator runs for --window with the same command line:
// the same program as the headless one, with the printer's window (paper as it prints, commands,
// conditions) on the user-interface thread while the program serves on a thread of its own.
// Closing the window ends the program as 'quit' does.
#include <QApplication>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "emulator/program/Program.h"
#include "framework/qt/WindowSystemStart.h"
#include "viewer/PaperWindow.h"
#include "viewer/program/EmulatorWindow.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

int RunWithWindow(const emutool::ProgramOptions& options, int argc, char** argv) {
    emutool::Program program(options);  // first: the signals stay blocked in Qt's threads
    std::optional<framework::CWindowSystemStart> start;
    start.emplace("printer-emulator", "or run it without --window");
    QApplication app(argc, argv);
    start.reset();
    CEmulatorWindow window(program);
    if (int code = window.Open(); code != 0) return code;
    window.Window().Show(nullptr);

    int code = 0;
    std::thread server([&] {
        code = program.Run();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    program.RequestStop();  // the loop also ends when the session does
    server.join();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    int code = 0;
    std::optional<emutool::ProgramOptions> options = emutool::ParseCommandLine(argc, argv, &code);
    if (!options) return code;
    if (!options->window) return emutool::RunHeadless(*options);
    if (!HasDisplay()) {
        return emutool::ExitWithUsageError(
            "--window: no display to show it on (DISPLAY is not set); run it in a desktop "
            "session, or without --window");
    }
    return RunWithWindow(*options, argc, argv);
}
