// Knowing that a program is blocked writing to a line nobody reads: its event loop idles in epoll
// too, and it may pause between writes, so neither tells. It is blocked once the line holds bytes
// unread, the program waits for room on it (an epoll of its holds the line for writing), and it
// has written nothing more for a while.
#pragma once

#include <sys/types.h>

namespace testsupport {

// Waits at most timeoutMs for the program pid to block writing to the line whose other end is
// lineFd; true once it has.
bool WaitUntilBlockedWriting(pid_t pid, int lineFd, int timeoutMs);

}  // namespace testsupport
