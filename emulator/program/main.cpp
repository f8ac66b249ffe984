// printer-emulator without the window: the virtual printer module on a pty, a serial device,
// a TCP port or a captured stream.
#include "emulator/program/Program.h"

int main(int argc, char** argv) {
    int code = 0;
    std::optional<emutool::ProgramOptions> options = emutool::ParseCommandLine(argc, argv, &code);
    if (!options) return code;
    if (options->window) {
        return emutool::ExitWithUsageError(
            "--window: this build has no window (it was built without Qt); run without it");
    }
    return emutool::RunHeadless(*options);
}
