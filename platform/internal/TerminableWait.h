// Internal to platform/: the one blocking primitive of Sleep, WaitForSingleObject and
// TerminateThread. It also watches the calling thread's wake descriptor, so a thread marked by
// TerminateThread ends here instead of sleeping on.
#pragma once

#include "platform/internal/Deadline.h"

namespace platform::detail {

enum class WaitResult { Readable, TimedOut, Failed };

// Waits until fd is readable or the deadline passes; fd -1 waits for the deadline alone. Ends
// the calling thread (EndThreadIfTerminated) before blocking and whenever it wakes. Failed
// leaves errno set.
WaitResult WaitReadable(int fd, const Deadline& deadline);

}  // namespace platform::detail
