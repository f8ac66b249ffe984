// SetCommMask, GetCommMask and WaitCommEvent.
//
// A wait sleeps in epoll on the device and the handle's eventfd. Input is watched by the device
// itself; EV_TXEMPTY only while written bytes are still queued (sampled, as the kernel has no
// wake-up for an empty queue); modem-line and line-error events by sampling where the device has
// them (a pseudo-terminal has neither, so a wait there sleeps until something happens), or as a
// network device announces them when its server reports a change.
#include <sys/epoll.h>

#include <cerrno>

#include "platform/internal/SerialHandle.h"
#include "platform/internal/SerialWait.h"
#include "platform/internal/ThreadWake.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

constexpr DWORD kKnownEvents = 0x3FFF;
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD kCounterEvents = EV_ERR | EV_BREAK;
constexpr std::chrono::milliseconds kLineSample(50);
constexpr std::chrono::milliseconds kTxSample(10);

struct Observed {
    int waiting = 0;  // bytes in the input queue
    int queued = 0;   // bytes in the output queue
    LineCounters counters;
    bool haveCounters = false;
    DWORD lines = 0;
    bool haveLines = false;
};

// Reads what the mask asks about; errno, or 0.
int Observe(const SerialHandle& port, DWORD mask, Observed& seen) {
    SerialDevice& device = port.Device();
    // Even for a mask without input events: a device whose peer sends it messages in band must
    // take them in whenever its descriptor wakes the wait.
    device.TakeIn();
    if (int err = device.InputWaiting(seen.waiting)) return err;
    if (mask & EV_TXEMPTY) {
        if (int err = device.OutputQueued(seen.queued)) return err;
    }
    if (mask & kCounterEvents) seen.haveCounters = device.ReadCounters(seen.counters);
    if ((mask & kModemEvents) && device.Caps().modemLines) {
        if (int err = device.ModemStatus(seen.lines)) return err;
        seen.haveLines = true;
    }
    return 0;
}

// The events in the mask that happened, moving the baselines past what is reported. Sets
// txQueued when written bytes are still on their way out.
DWORD TakeEvents(SerialHandle::State& s, DWORD mask, const Observed& seen, bool& txQueued) {
    DWORD events = 0;
    if (seen.waiting > 0) events |= EV_RXCHAR;
    if ((mask & EV_TXEMPTY) && s.txPending) {
        if (seen.queued == 0) {
            events |= EV_TXEMPTY;
            s.txPending = false;
        } else {
            txQueued = true;
        }
    }
    if (seen.haveCounters) {
        const LineCounters& now = seen.counters;
        const LineCounters& base = s.eventBase;
        if (now.frame != base.frame || now.overrun != base.overrun || now.parity != base.parity ||
            now.bufOverrun != base.bufOverrun) {
            events |= EV_ERR;
        }
        if (now.brk != base.brk) events |= EV_BREAK;
        s.eventBase = now;
    }
    if (seen.haveLines) {
        DWORD changed = seen.lines ^ s.modemBase;
        if (changed & MS_CTS_ON) events |= EV_CTS;
        if (changed & MS_DSR_ON) events |= EV_DSR;
        if (changed & MS_RLSD_ON) events |= EV_RLSD;
        if (changed & MS_RING_ON) events |= EV_RING;
        s.modemBase = seen.lines;
    }
    return events & mask;
}

bool Samples(const SerialHandle& port, DWORD mask) {
    const SerialDevice::Capabilities caps = port.Device().Caps();
    if (caps.announces) return false;
    return (caps.modemLines && (mask & kModemEvents)) ||
           (caps.lineCounters && (mask & kCounterEvents));
}

}  // namespace

BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
    auto port = UsablePort(hFile, (dwEvtMask & ~kKnownEvents) == 0);
    if (!port) return FALSE;
    port->SetMask(dwEvtMask);
    return TRUE;
}

BOOL GetCommMask(HANDLE hFile, DWORD* lpEvtMask) {
    auto port = UsablePort(hFile, lpEvtMask != nullptr);
    if (!port) return FALSE;
    *lpEvtMask = port->WithState([](SerialHandle::State& s) { return s.mask; });
    return TRUE;
}

// Returns TRUE with the events that happened, or TRUE with 0 when SetCommMask on another thread
// released the wait. With an empty mask there is nothing to wait for: ERROR_INVALID_PARAMETER at
// once. On a device that has gone it fails at once, every time: a caller that loops on it must
// pause between tries.
BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, LPVOID /*lpOverlapped*/) {
    if (lpEvtMask) *lpEvtMask = 0;
    auto port = UsablePort(hFile, lpEvtMask != nullptr);
    if (!port) return FALSE;
    std::uint64_t generation = port->MaskGeneration();
    DWORD mask = port->WithState([](SerialHandle::State& s) { return s.mask; });
    if (mask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    EndThreadIfTerminated();

    std::optional<SerialWait> wait;
    for (;;) {
        Observed seen;
        if (int err = Observe(*port, mask, seen)) return port->Fail(err);
        bool txQueued = false;
        DWORD events = port->WithState(
            [&](SerialHandle::State& s) { return TakeEvents(s, mask, seen, txQueued); });
        if (events) {
            *lpEvtMask = events;
            return TRUE;
        }

        if (!wait) {
            wait.emplace(*port, port->Device().WaitEvents((mask & EV_RXCHAR) ? EPOLLIN : 0u));
            if (wait->Error()) return port->Fail(wait->Error());
        }
        Deadline sample;
        if (Samples(*port, mask)) sample = Clock::now() + kLineSample;
        if (txQueued) sample = Earlier(sample, Clock::now() + kTxSample);
        SerialWait::Woken woken;
        if (!wait->Wait(sample, woken)) return port->Fail(errno);
        if (woken.device & (EPOLLHUP | EPOLLERR)) return port->FailLost();
        if (woken.handle) {
            if (port->Closed()) return SerialHandle::FailAborted();
            if (port->MaskGeneration() != generation) return TRUE;
            if (!port->Usable()) return FALSE;
        }
    }
}
