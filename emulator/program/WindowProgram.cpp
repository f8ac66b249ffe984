#include "emulator/program/WindowProgram.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "emulator/program/Program.h"

namespace emutool {

int RunWindowProgram(char** argv) {
#ifdef CE_MOLV_WINDOW_PROGRAM
    // Found from this program's own file, so a copy elsewhere or a link to it finds its window.
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path window =
        (self.parent_path() / CE_MOLV_WINDOW_PROGRAM).lexically_normal();
    ::execv(window.c_str(), argv);
    const int error = errno;
    Say(stderr,
        "printer-emulator: --window: cannot run the window program " + window.string() + ": " +
            std::strerror(error) +
            (error == ENOENT ? "; reinstall printer-emulator, or run without --window" : ""));
    return kExitFailure;
#else
    (void)argv;
    return ExitWithUsageError(
        "--window: this build has no window (it was built without Qt); run without it");
#endif
}

}  // namespace emutool
