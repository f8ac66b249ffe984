// PurgeComm, ClearCommError, GetCommModemStatus and ClearCommBreak.
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

#include "platform/internal/LinePeer.h"
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
        if (int err = port->DiscardOutput()) return port->Fail(err);
    }
    if ((dwFlags & PURGE_RXCLEAR) && tcflush(port->Fd(), TCIFLUSH) != 0) return port->Fail(errno);
    return TRUE;
}

// Error bits are those counted by the UART since the last call; a device without counters
// (a pseudo-terminal) never reports any.
BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat) {
    if (lpErrors) *lpErrors = 0;
    auto port = UsablePort(hFile);
    if (!port) return FALSE;

    if (lpStat) {
        int waiting = 0;
        int queued = 0;
        if (ioctl(port->Fd(), FIONREAD, &waiting) != 0) return port->Fail(errno);
        if (int err = QueuedOutput(port->Fd(), port->Path(), queued)) return port->Fail(err);
        COMSTAT stat{};
        stat.cbInQue = static_cast<DWORD>(waiting);
        stat.cbOutQue = static_cast<DWORD>(queued);
        int lines = 0;
        DCB dcb = port->WithState([](SerialHandle::State& s) { return s.dcb; });
        if (dcb.fOutxCtsFlow && queued > 0 && port->Caps().modemLines &&
            ioctl(port->Fd(), TIOCMGET, &lines) == 0 && !(lines & TIOCM_CTS)) {
            stat.fCtsHold = 1;
        }
        *lpStat = stat;
    }

    LineCounters now;
    if (port->ReadCounters(now)) {
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
    *lpModemStat = 0;
    int lines = 0;
    if (ioctl(port->Fd(), TIOCMGET, &lines) != 0) {
        return NoSuchLine(errno) ? TRUE : port->Fail(errno);
    }
    if (lines & TIOCM_CTS) *lpModemStat |= MS_CTS_ON;
    if (lines & TIOCM_DSR) *lpModemStat |= MS_DSR_ON;
    if (lines & TIOCM_RI) *lpModemStat |= MS_RING_ON;
    if (lines & TIOCM_CD) *lpModemStat |= MS_RLSD_ON;
    return TRUE;
}

BOOL ClearCommBreak(HANDLE hFile) {
    auto port = UsablePort(hFile);
    if (!port) return FALSE;
    if (ioctl(port->Fd(), TIOCCBRK) != 0 && !NoSuchLine(errno)) return port->Fail(errno);
    return TRUE;
}
