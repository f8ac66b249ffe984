// Internal to platform/: how a blocking call learns that TerminateThread marked its thread.
// A POSIX thread cannot be killed safely, so TerminateThread marks the thread and wakes it; the
// thread ends at its next platform call.
#pragma once

#include <atomic>

#include "platform/win32.h"

namespace platform::detail {

// Per-thread record of a thread made by CreateThread.
struct ThreadControl {
    int wakeFd = -1;  // eventfd, made readable by TerminateThread
    std::atomic<bool> terminated{false};
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

// Called by a new thread's entry before its body runs; the record outlives the thread.
void BindCurrentThread(ThreadControl* control);

// Descriptor that becomes readable once the calling thread has been marked for termination, or
// -1 when the calling thread was not made by CreateThread. Every blocking platform call (serial
// waits and transfers, Sleep, WaitForSingleObject) polls it beside its own descriptors.
int CurrentThreadWakeFd();

// Ends the calling thread, with the exit code TerminateThread gave, when the thread has been
// marked; returns at once otherwise. Blocking platform calls call it before they block and
// whenever they wake.
void EndThreadIfTerminated();

}  // namespace platform::detail
