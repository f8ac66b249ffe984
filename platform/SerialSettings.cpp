// Line settings, time-outs and driver queue sizes of a serial port.
#include <string>

#include "platform/WireTrace.h"
#include "platform/internal/SerialHandle.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

std::string DescribeDcb(const DCB& dcb) {
    static const char kParity[] = "NOEMS";
    std::string text = std::to_string(dcb.BaudRate) + " baud " + std::to_string(dcb.ByteSize);
    text += dcb.Parity < 5 ? kParity[dcb.Parity] : '?';
    text += dcb.StopBits == ONESTOPBIT ? "1" : dcb.StopBits == ONE5STOPBITS ? "1.5" : "2";
    const bool hardware = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    return text + ", flow control " +
           (hardware                ? "RTS/CTS"
            : dcb.fOutX || dcb.fInX ? "XON/XOFF"
                                    : "none");
}

}  // namespace

BOOL GetCommState(HANDLE hFile, DCB* lpDCB) {
    auto port = UsablePort(hFile, lpDCB != nullptr);
    if (!port) return FALSE;
    DCB set = port->WithState([](SerialHandle::State& s) { return s.dcb; });
    port->Device().TakeIn();
    if (int err = port->Device().GetState(set, *lpDCB)) return port->Fail(err);
    lpDCB->DCBlength = sizeof(DCB);
    return TRUE;
}

BOOL SetCommState(HANDLE hFile, DCB* lpDCB) {
    auto port = UsablePort(hFile, lpDCB != nullptr);
    if (!port) return FALSE;
    DWORD refused = ERROR_SUCCESS;
    if (int err = port->Device().SetState(*lpDCB, refused)) return port->Fail(err);
    if (refused != ERROR_SUCCESS) {
        SetLastError(refused);
        return FALSE;
    }

    DCB kept = *lpDCB;
    kept.DCBlength = sizeof(DCB);
    const std::string previous =
        DescribeDcb(port->WithState([](SerialHandle::State& s) { return s.dcb; }));
    port->WithState([&](SerialHandle::State& s) { s.dcb = kept; });
    if (const std::string now = DescribeDcb(kept); now != previous) {
        platform::TraceLineEvent(port->Path(), "host line: " + now);
    }
    return TRUE;
}

BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    auto port = UsablePort(hFile, lpCommTimeouts != nullptr);
    if (!port) return FALSE;
    *lpCommTimeouts = port->WithState([](SerialHandle::State& s) { return s.timeouts; });
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts) {
    // All three read values MAXDWORD has no meaning; serial drivers refuse it.
    const bool valid =
        lpCommTimeouts != nullptr && !(lpCommTimeouts->ReadIntervalTimeout == MAXDWORD &&
                                       lpCommTimeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
                                       lpCommTimeouts->ReadTotalTimeoutConstant == MAXDWORD);
    auto port = UsablePort(hFile, valid);
    if (!port) return FALSE;
    COMMTIMEOUTS timeouts = *lpCommTimeouts;
    port->WithState([&](SerialHandle::State& s) { s.timeouts = timeouts; });
    return TRUE;
}

// The kernel sizes its tty buffers itself; the sizes are kept for the record only.
BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue) {
    auto port = UsablePort(hFile);
    if (!port) return FALSE;
    port->WithState([&](SerialHandle::State& s) {
        s.inQueue = dwInQueue;
        s.outQueue = dwOutQueue;
    });
    return TRUE;
}
