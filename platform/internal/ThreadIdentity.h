// Internal to platform/: thread ids. Every thread gets a unique nonzero id, never reused: threads
// made by CreateThread when they are created, any other thread (the main thread, a toolkit's
// threads) on its first GetCurrentThreadId or PeekMessageW. A thread message queue exists for
// every id handed out, for as long as its thread lives.
#pragma once

#include "platform/win32.h"

namespace platform::detail {

// A fresh id with its message queue, for a thread about to be created.
DWORD ReserveThreadId();
// Called first thing on a thread made by CreateThread: the calling thread takes the reserved id.
void AdoptThreadId(DWORD id);
// The calling thread's id, handing one out (with its queue) on first use.
DWORD CurrentThreadId();

}  // namespace platform::detail
