// Line settings, time-outs and driver queue sizes of a serial port.
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <string>

#include "platform/WireTrace.h"
#include "platform/internal/DcbTermios.h"
#include "platform/internal/SerialHandle.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

// Raises or lowers one modem line; a device without modem lines has nothing to drive.
int DriveLine(const SerialHandle& port, int line, bool on) {
    if (!port.Caps().modemLines) return 0;
    if (ioctl(port.Fd(), on ? TIOCMBIS : TIOCMBIC, &line) == 0) return 0;
    return errno == ENOTTY || errno == EINVAL ? 0 : errno;
}

int DriveModemLines(const SerialHandle& port, const DCB& dcb) {
    if (int err = DriveLine(port, TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE)) return err;
    // With RTS handshake the kernel drives RTS from here on; raising it starts the line ready.
    return DriveLine(port, TIOCM_RTS, dcb.fRtsControl != RTS_CONTROL_DISABLE);
}

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
    DeviceTermios device;
    if (int err = ReadDeviceTermios(port->Fd(), device)) return port->Fail(err);

    DCB set = port->WithState([](SerialHandle::State& s) { return s.dcb; });
    DeviceTermios asked = device;
    if (DcbToTermios(set, asked) == ERROR_SUCCESS &&
        CompareTaken(asked, device, port->Caps().framingHeld) == ERROR_SUCCESS) {
        *lpDCB = set;
    } else {
        // Someone changed the device behind this handle: report what it holds now.
        DCB reported = DcbFromTermios(device);
        KeepUnmappedFields(reported, set);
        *lpDCB = reported;
    }
    lpDCB->DCBlength = sizeof(DCB);
    return TRUE;
}

BOOL SetCommState(HANDLE hFile, DCB* lpDCB) {
    auto port = UsablePort(hFile, lpDCB != nullptr);
    if (!port) return FALSE;
    DeviceTermios before;
    if (int err = ReadDeviceTermios(port->Fd(), before)) return port->Fail(err);
    DeviceTermios asked = before;
    if (DWORD code = DcbToTermios(*lpDCB, asked)) {
        SetLastError(code);
        return FALSE;
    }
    if (int err = WriteDeviceTermios(port->Fd(), asked)) return port->Fail(err);

    // tcsetattr succeeds when any part of the request took; only the read-back tells.
    DeviceTermios got;
    if (int err = ReadDeviceTermios(port->Fd(), got)) return port->Fail(err);
    if (DWORD code = CompareTaken(asked, got, port->Caps().framingHeld)) {
        WriteDeviceTermios(port->Fd(), before);
        SetLastError(code);
        return FALSE;
    }
    if (int err = DriveModemLines(*port, *lpDCB)) return port->Fail(err);

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
