// printer-emulator: the virtual printer module on a pty, a serial device, a TCP port or a
// captured stream; --window runs it with the printer's window instead.
#include "emulator/program/Program.h"
#include "emulator/program/WindowProgram.h"

int main(int argc, char** argv) {
    int code = 0;
    std::optional<emutool::ProgramOptions> options = emutool::ParseCommandLine(argc, argv, &code);
    if (!options) return code;
    if (options->window) return emutool::RunWindowProgram(argv);
    return emutool::RunHeadless(*options);
}
