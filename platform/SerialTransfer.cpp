// ReadFile, WriteFile and FlushFileBuffers on a serial port, timed by COMMTIMEOUTS.
//
// Every transfer moves what it can at once and waits in SerialWait for more, on deadlines of the
// monotonic clock. A time-out ends a transfer successfully with the bytes moved so far; a purge
// abort (or CloseHandle) on another thread ends it with ERROR_OPERATION_ABORTED and the count
// moved so far; a device that vanished ends it with ERROR_DEVICE_NOT_CONNECTED.
#include <sys/epoll.h>

#include <cerrno>

#include "platform/WireTrace.h"
#include "platform/WriteAbandon.h"
#include "platform/internal/SerialHandle.h"
#include "platform/internal/SerialWait.h"
#include "platform/internal/ThreadWake.h"
#include "platform/internal/TransferTimeouts.h"
#include "platform/internal/WriteAbandon.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

// How often a drain looks at the output queue: the kernel has no wake-up for "queue empty".
constexpr std::chrono::milliseconds kDrainStep(10);

// Ends a wait round: false (with the last error set) when the transfer must stop early.
bool StillGoing(SerialHandle& port, const SerialWait::Woken& woken, std::uint64_t aborts,
                std::uint64_t abortsNow, BOOL& result) {
    if (!woken.handle) return true;
    if (port.Closed() || abortsNow != aborts) {
        result = SerialHandle::FailAborted();
        return false;
    }
    if (!port.Usable()) {
        result = FALSE;
        return false;
    }
    return true;
}

BOOL ReadPort(SerialHandle& port, BYTE* buffer, DWORD count, DWORD& got) {
    COMMTIMEOUTS timeouts = port.WithState([](SerialHandle::State& s) { return s.timeouts; });
    ReadPlan plan = PlanRead(timeouts, count);
    std::uint64_t aborts = port.ReadAborts();
    Clock::time_point start = Clock::now();
    Deadline total = DeadlineAfter(plan.totalMs, start);
    Deadline interval;
    std::optional<SerialWait> wait;
    bool hungUp = false;
    for (;;) {
        ssize_t n = port.Device().Read(buffer + got, count - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
            if (got == count) return TRUE;
            interval = DeadlineAfter(plan.intervalMs);
            continue;
        }
        if (n == 0) return port.FailLost();
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return port.Fail(errno);
        // A hang-up that still reads as "nothing yet" must not turn into a busy loop.
        if (hungUp) return port.FailLost();

        if (plan.returnAtOnce || (plan.returnOnFirstBytes && got > 0)) return TRUE;
        Deadline until = Earlier(total, interval);
        if (Passed(until)) return TRUE;
        const std::uint32_t events = port.Device().WaitEvents(EPOLLIN);
        if (!wait) {
            wait.emplace(port, events);
            if (wait->Error()) return port.Fail(wait->Error());
        } else if (!wait->WatchDevice(events)) {
            return port.Fail(errno);
        }
        SerialWait::Woken woken;
        if (!wait->Wait(until, woken)) return port.Fail(errno);
        hungUp = (woken.device & (EPOLLHUP | EPOLLERR)) != 0;
        BOOL result = TRUE;
        if (!StillGoing(port, woken, aborts, port.ReadAborts(), result)) return result;
    }
}

BOOL WritePort(SerialHandle& port, const BYTE* data, DWORD count, DWORD& put) {
    COMMTIMEOUTS timeouts = port.WithState([](SerialHandle::State& s) { return s.timeouts; });
    Deadline total = DeadlineAfter(WriteLimitMs(timeouts, count));
    std::uint64_t aborts = port.WriteAborts();
    // After the abort count is read: an abandon from now on changes it, and one before is seen.
    if (platform::WritesAbandoned()) return SerialHandle::FailAborted();
    std::optional<SerialWait> wait;
    BOOL result = TRUE;
    for (;;) {
        ssize_t n = port.Device().Write(data + put, count - put);
        if (n > 0) {
            put += static_cast<DWORD>(n);
            if (put == count) break;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            result = port.Fail(errno);
            break;
        }
        if (Passed(total)) break;
        // A device may have to hold writing back until its peer says so (and not on room).
        const std::uint32_t events = port.Device().WaitEvents(EPOLLOUT);
        if (!wait) {
            wait.emplace(port, events);
            if (wait->Error()) {
                result = port.Fail(wait->Error());
                break;
            }
        } else if (!wait->WatchDevice(events)) {
            result = port.Fail(errno);
            break;
        }
        SerialWait::Woken woken;
        if (!wait->Wait(total, woken)) {
            result = port.Fail(errno);
            break;
        }
        if (woken.device & (EPOLLHUP | EPOLLERR)) {
            result = port.FailLost();
            break;
        }
        if (!StillGoing(port, woken, aborts, port.WriteAborts(), result)) break;
    }
    if (put > 0) {
        bool notify = port.WithState([](SerialHandle::State& s) {
            s.txPending = true;
            return (s.mask & EV_TXEMPTY) != 0;
        });
        if (notify) port.Wake();
    }
    return result;
}

}  // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              LPVOID /*lpOverlapped*/) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto port = UsablePort(hFile, lpBuffer != nullptr || nNumberOfBytesToRead == 0);
    if (!port) return FALSE;
    if (nNumberOfBytesToRead == 0) return TRUE;
    EndThreadIfTerminated();
    DWORD got = 0;
    BOOL ok = ReadPort(*port, static_cast<BYTE*>(lpBuffer), nNumberOfBytesToRead, got);
    TraceWire(WireDirection::Received, port->Path(), static_cast<const BYTE*>(lpBuffer), got);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = got;
    return ok;
}

BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, LPVOID /*lpOverlapped*/) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto port = UsablePort(hFile, lpBuffer != nullptr || nNumberOfBytesToWrite == 0);
    if (!port) return FALSE;
    if (nNumberOfBytesToWrite == 0) return TRUE;
    EndThreadIfTerminated();
    DWORD put = 0;
    BOOL ok = WritePort(*port, static_cast<const BYTE*>(lpBuffer), nNumberOfBytesToWrite, put);
    if (put < nNumberOfBytesToWrite && platform::WritesAbandoned()) {
        CountUnsent(nNumberOfBytesToWrite - put);
    }
    TraceWire(WireDirection::Sent, port->Path(), static_cast<const BYTE*>(lpBuffer), put);
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = put;
    return ok;
}

// Waits until the output queue has gone out, for no longer than writing what was queued may
// take by the write time-outs; fails with ERROR_TIMEOUT after that.
BOOL FlushFileBuffers(HANDLE hFile) {
    auto port = UsablePort(hFile);
    if (!port) return FALSE;
    COMMTIMEOUTS timeouts = port->WithState([](SerialHandle::State& s) { return s.timeouts; });
    std::uint64_t aborts = port->WriteAborts();
    Deadline until;
    std::optional<SerialWait> wait;
    for (bool first = true;; first = false) {
        int queued = 0;
        // Also takes in what woke the wait below (a device may watch for input always).
        port->Device().TakeIn();
        if (int err = port->Device().OutputQueued(queued)) return port->Fail(err);
        if (queued <= 0) break;
        if (first) until = DeadlineAfter(WriteLimitMs(timeouts, static_cast<DWORD>(queued)));
        if (Passed(until)) {
            SetLastError(ERROR_TIMEOUT);
            return FALSE;
        }
        if (!wait) {
            wait.emplace(*port, port->Device().WaitEvents(0));
            if (wait->Error()) return port->Fail(wait->Error());
        }
        SerialWait::Woken woken;
        if (!wait->Wait(Earlier(until, Clock::now() + kDrainStep), woken)) {
            return port->Fail(errno);
        }
        if (woken.device & (EPOLLHUP | EPOLLERR)) return port->FailLost();
        BOOL result = TRUE;
        if (!StillGoing(*port, woken, aborts, port->WriteAborts(), result)) return result;
    }
    if (int err = port->Device().Drain()) return port->Fail(err);
    return TRUE;
}
