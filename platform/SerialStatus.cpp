// PurgeComm, ClearCommError, GetCommModemStatus and ClearCommBreak.
#include <cerrno>

#include "platform/internal/SerialHandle.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

constexpr DWORD kPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

bool NoSuchLine(int err) { return err == ENOTTY || err == EINVAL; }

DWORD ErrorBits(const LineCounters& now, const LineCounters& base) {
    DWORD errors = 0;
    if (now.frame != base.frame) errors |= CE_FRAME;
    if (now.overrun != base.overrun) errors |= CE_OVERRUN;
    if (now.parity != base.parity) errors |= CE_RXPARITY;
    if (now.brk != base.brk) errors |= CE_BREAK;
    if (now.bufOverrun != base.bufOverrun) errors |= CE_RXOVER;
    return errors;
}

}  // namespace

// Aborts release a transfer in progress on another thread (it fails with
// ERROR_OPERATION_ABORTED); clears discard what the kernel holds and has not sent.
BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) {
    auto port = UsablePort(hFile, (dwFlags & ~kPurgeFlags) == 0);
    if (!port) return FALSE;
    if (dwFlags & PURGE_TXABORT) port->AbortWrites();
    if (dwFlags & PURGE_RXABORT) port->AbortReads();
    if (dwFlags & PURGE_TXCLEAR) {
        if (int err = port->Device().DiscardOutput()) return port->Fail(err);
    }
    if (dwFlags & PURGE_RXCLEAR) {
        if (int err = port->Device().DiscardInput()) return port->Fail(err);
    }
    return TRUE;
}

// Error bits are those counted by the UART since the last call; a device without counters
// (a pseudo-terminal) never reports any.
BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) {
    if (lpErrors) *lpErrors = 0;
    auto port = UsablePort(hFile);
    if (!port) return FALSE;
    port->Device().TakeIn();

    if (lpStat) {
        SerialDevice& device = port->Device();
        int waiting = 0;
        int queued = 0;
        if (int err = device.InputWaiting(waiting)) return port->Fail(err);
        if (int err = device.OutputQueued(queued)) return port->Fail(err);
        COMSTAT stat{};
        stat.cbInQue = static_cast<DWORD>(waiting);
        stat.cbOutQue = static_cast<DWORD>(queued);
        DWORD lines = 0;
        DCB dcb = port->WithState([](SerialHandle::State& s) { return s.dcb; });
        if (dcb.fOutxCtsFlow && queued > 0 && device.Caps().modemLines &&
            device.ModemStatus(lines) == 0 && !(lines & MS_CTS_ON)) {
            stat.fCtsHold = 1;
        }
        *lpStat = stat;
    }

    LineCounters now;
    if (port->Device().ReadCounters(now)) {
        DWORD errors = port->WithState([&](SerialHandle::State& s) {
            DWORD bits = ErrorBits(now, s.errorBase);
            s.errorBase = now;
            return bits;
        });
        if (lpErrors) *lpErrors = errors;
    }
    return TRUE;
}

BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat) {
    auto port = UsablePort(hFile, lpModemStat != nullptr);
    if (!port) return FALSE;
    DWORD lines = 0;
    port->Device().TakeIn();
    int err = port->Device().ModemStatus(lines);
    *lpModemStat = err == 0 ? lines : 0;
    return err == 0 || NoSuchLine(err) ? TRUE : port->Fail(err);
}

BOOL ClearCommBreak(HANDLE hFile) {
    auto port = UsablePort(hFile);
    if (!port) return FALSE;
    if (int err = port->Device().ClearBreak()) return port->Fail(err);
    return TRUE;
}
