// SIGINT, SIGTERM and SIGHUP end the program as closing its main window does, so that what the
// program holds (an unfinished receipt, an open port) is put away before it exits: the first
// signal is noted from the handler, serial writes in progress are abandoned (the interface thread
// may be blocked in one) and the event loop cancels the main dialog. Repeats are ignored while the
// program ends; the third signal, 5 s or more after the first, ends it at once.
#pragma once

namespace framework {

// After the QApplication exists.
void InstallStopSignals();
// The signal that ended the program, or 0.
int StopSignal();

}  // namespace framework
