#include "platform/internal/TerminableWait.h"

#include <poll.h>

#include <cerrno>

#include "platform/internal/ThreadWake.h"

namespace platform::detail {

WaitResult WaitReadable(int fd, const Deadline& deadline) {
    const int wakeFd = CurrentThreadWakeFd();
    for (;;) {
        EndThreadIfTerminated();
        const int timeout = PollTimeoutMs(deadline);
        // poll() ignores negative descriptors, so both slots can always be passed.
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        EndThreadIfTerminated();
        if (fds[0].revents & POLLIN) return WaitResult::Readable;
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
            errno = EBADF;
            return WaitResult::Failed;
        }
        if (timeout == 0) return WaitResult::TimedOut;
    }
}

}  // namespace platform::detail
