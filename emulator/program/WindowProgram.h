// --window: the printer's window is a program of its own, so that only it loads the window's
// libraries and every headless run starts without them.
#pragma once

namespace emutool {

// Replaces this process with the window program, given the same command line. Returns only when
// it cannot be run, with the exit code; the reason is said on standard error.
int RunWindowProgram(char** argv);

}  // namespace emutool
