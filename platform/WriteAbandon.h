// Ending a program while its interface thread may be blocked writing to a printer that stopped
// reading: a stop abandons every serial write in progress, as PurgeComm with PURGE_TXABORT does
// (what the device already holds still goes out), and every later write fails at once with
// ERROR_OPERATION_ABORTED, so that the program's own path to its end (closing the dialog,
// saving what it holds) runs without waiting on the line.
#pragma once

#include <cstdint>

namespace platform {

// Any thread, once or more; there is no going back.
void AbandonWrites();
bool WritesAbandoned();
// Bytes the program asked to write since AbandonWrites that were not sent.
std::uint64_t UnsentBytes();

}  // namespace platform
