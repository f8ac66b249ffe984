// The command trace as the printer's window shows it: a command's mnemonic and meaning right after
// its offset and its bytes last, so what a command means stays in view in a narrow column (the
// trace file keeps the bytes first, in a column of their own).
#pragma once

#include <QString>

// One trace line for the window; a note line, or anything else, comes back as it was.
QString TraceLineForWindow(const QString& line);
