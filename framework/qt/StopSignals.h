// SIGINT, SIGTERM and SIGHUP end the program as closing its main window does, so that what the
// program holds (an unfinished receipt, an open port) is put away before it exits: the signal is
// noted from the handler and acted on in the event loop, which cancels the main dialog. A second
// signal, while the program ends, ends it at once.
#pragma once

namespace framework {

// After the QApplication exists.
void InstallStopSignals();
// The signal that ended the program, or 0.
int StopSignal();

}  // namespace framework
