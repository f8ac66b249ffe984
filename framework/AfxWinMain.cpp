#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "framework/WinApp.h"
#include "framework/qt/StopSignals.h"
#include "framework/qt/Text.h"
#include "framework/qt/WindowSystemStart.h"

namespace {

// Without a display the window system cannot start; run on the offscreen platform instead so
// that --help, --version and scripts still work, and say so when a window is to be shown.
bool ChooseHeadlessPlatform() {
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (isSet("QT_QPA_PLATFORM")) {
        return std::getenv("QT_QPA_PLATFORM") == std::string("offscreen");
    }
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) {
        return false;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

}  // namespace

int AfxWinMain(int argc, char** argv) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) {
        std::fprintf(stderr, "%s: no application object\n", argc > 0 ? argv[0] : "program");
        return 1;
    }
    const bool bHeadless = ChooseHeadlessPlatform();
    std::optional<framework::CWindowSystemStart> start;
    start.emplace(argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "program",
                  "or run it offscreen (QT_QPA_PLATFORM=offscreen) with a --script");
    QApplication application(argc, argv);  // takes its own options out of argv
    start.reset();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    pApp->StartUp(argc > 0 ? argv[0] : "", std::move(arguments), bHeadless);
    QApplication::setApplicationName(framework::ToQString(pApp->GetAppName()));
    framework::InstallStopSignals();

    const int exitCode = pApp->InitInstance() ? pApp->Run() : pApp->ExitInstance();
    // Ended by a signal: say so in the exit status, as a shell expects, unless something was
    // lost on the way, which the status must not hide.
    return framework::StopSignal() != 0 && !pApp->DataLost() ? 128 + framework::StopSignal()
                                                             : exitCode;
}
