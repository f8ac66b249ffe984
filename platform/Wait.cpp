#include <sched.h>

#include <cerrno>

#include "platform/internal/Deadline.h"
#include "platform/internal/LastError.h"
#include "platform/internal/TerminableWait.h"
#include "platform/internal/ThreadWake.h"
#include "platform/internal/Waitable.h"

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    using namespace platform::detail;
    std::shared_ptr<Waitable> object = HandleAs<Waitable>(hHandle);
    if (!object) return WAIT_FAILED;
    const Deadline deadline = WaitDeadline(dwMilliseconds);
    for (;;) {
        EndThreadIfTerminated();
        if (object->TryAcquire()) return WAIT_OBJECT_0;
        switch (WaitReadable(object->SignalFd(), deadline)) {
            case WaitResult::Readable:
                break;  // another waiter may have taken it: TryAcquire decides
            case WaitResult::TimedOut:
                // The object may have been signalled in the last instant.
                return object->TryAcquire() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
            case WaitResult::Failed:
                SetLastErrorFromErrno(ERROR_GEN_FAILURE, errno, "WaitForSingleObject");
                return WAIT_FAILED;
        }
    }
}

void Sleep(DWORD dwMilliseconds) {
    using namespace platform::detail;
    if (dwMilliseconds == 0) {
        EndThreadIfTerminated();
        sched_yield();
        return;
    }
    // Fails only on a broken wake descriptor; Sleep has no way to report it, and the time-out
    // still bounds the call.
    WaitReadable(-1, WaitDeadline(dwMilliseconds));
}
