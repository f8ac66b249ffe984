// The CE core-library calls the engine, the printer channel and the application are written
// against, provided on POSIX. Names, signatures, type sizes and constant values are those of the
// original platform so that the code above reads as it would there.
//
// Every call that fails sets a last-error code (GetLastError) and, where the failure came from the
// operating system, keeps its errno text (platform::LastErrorText) for diagnostics. Nothing here
// throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------------------
// Basic types

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using BOOL = int;
using LONG = std::int32_t;
using UINT = unsigned int;
using WCHAR = wchar_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using HANDLE = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
struct HWND__;
using HWND = HWND__*;
using LPVOID = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// ---------------------------------------------------------------------------------------------
// Last error

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_DEVICE = 1117;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
// The path names something that is not a serial device (a regular file, /dev/null).
constexpr DWORD ERROR_BAD_DEVICE = 1200;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;

// The last-error code of the calling thread.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// ---------------------------------------------------------------------------------------------
// Serial device

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_TOGGLE = 3;

// Device control block: 28 bytes, flag word bit fields in the original order (bit 0 first).
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;            // bit 0
    DWORD fParity : 1;            // bit 1
    DWORD fOutxCtsFlow : 1;       // bit 2
    DWORD fOutxDsrFlow : 1;       // bit 3
    DWORD fDtrControl : 2;        // bits 4-5
    DWORD fDsrSensitivity : 1;    // bit 6
    DWORD fTXContinueOnXoff : 1;  // bit 7
    DWORD fOutX : 1;              // bit 8
    DWORD fInX : 1;               // bit 9
    DWORD fErrorChar : 1;         // bit 10
    DWORD fNull : 1;              // bit 11
    DWORD fRtsControl : 2;        // bits 12-13
    DWORD fAbortOnError : 1;      // bit 14
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB must keep the original layout");

// The flag word as one DWORD, for mask edits such as AND 0xFFFFCCC3.
inline DWORD DcbFlags(const DCB& dcb) {
    DWORD flags;
    std::memcpy(&flags, reinterpret_cast<const BYTE*>(&dcb) + 8, sizeof flags);
    return flags;
}
inline void SetDcbFlags(DCB& dcb, DWORD flags) {
    std::memcpy(reinterpret_cast<BYTE*>(&dcb) + 8, &flags, sizeof flags);
}

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};

// Event mask bits (SetCommMask / WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_POWER = 0x2000;

// PurgeComm flags.
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// GetCommModemStatus bits.
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// ClearCommError error bits.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_TXFULL = 0x0100;

// Serial devices open exclusively, and while open hold a UUCP lock file (LCK..<device> in
// /var/lock, or in the folder CE_MOLV_LOCK_DIR names), as other serial programs expect. A device
// another program holds fails with ERROR_SHARING_VIOLATION; when a lock file shows that, the
// error text reads "in use by process <pid> (lock file <path>)".
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPVOID lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL CloseHandle(HANDLE hObject);
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, DWORD* lpNumberOfBytesRead,
              LPVOID lpOverlapped);
BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
               DWORD* lpNumberOfBytesWritten, LPVOID lpOverlapped);
BOOL FlushFileBuffers(HANDLE hFile);
BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue);
BOOL GetCommState(HANDLE hFile, DCB* lpDCB);
BOOL SetCommState(HANDLE hFile, DCB* lpDCB);
BOOL GetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts);
BOOL SetCommTimeouts(HANDLE hFile, COMMTIMEOUTS* lpCommTimeouts);
BOOL PurgeComm(HANDLE hFile, DWORD dwFlags);
BOOL ClearCommError(HANDLE hFile, DWORD* lpErrors, COMSTAT* lpStat);
BOOL GetCommModemStatus(HANDLE hFile, DWORD* lpModemStat);
BOOL ClearCommBreak(HANDLE hFile);
BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask);
BOOL GetCommMask(HANDLE hFile, DWORD* lpEvtMask);
BOOL WaitCommEvent(HANDLE hFile, DWORD* lpEvtMask, LPVOID lpOverlapped);

// ---------------------------------------------------------------------------------------------
// Threads and synchronisation

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID lpParameter);

constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD STILL_ACTIVE = 259;

// The body's result is the thread's exit code. There is no ResumeThread, so a thread created with
// CREATE_SUSPENDED never runs its body; it ends when terminated or when its handle is closed.
// Closing the handle of a running thread does not stop it: whoever starts a thread must stop it
// before destroying anything the thread uses.
HANDLE CreateThread(LPVOID lpThreadAttributes, std::size_t dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, DWORD* lpThreadId);
// nPriority from -15 to 15, positive more urgent, one nice level per step. Raising a thread above
// normal needs privilege; without it the thread stays at normal priority and the call succeeds.
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
// A POSIX thread cannot be killed safely: the thread is marked, woken from any platform wait, and
// ends at its next platform call (its stack unwinds, destructors run). Returns once it has ended;
// fails with ERROR_TIMEOUT when it reaches no platform call within 2 s, and then stays marked.
BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode);
BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode);
DWORD GetCurrentThreadId();
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
HANDLE CreateEventW(LPVOID lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
void Sleep(DWORD dwMilliseconds);

// Recursive, as on the original platform. The storage holds the POSIX mutex in place.
struct CRITICAL_SECTION {
    alignas(16) unsigned char opaque[64];
};
void InitializeCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void DeleteCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void EnterCriticalSection(CRITICAL_SECTION* lpCriticalSection);
void LeaveCriticalSection(CRITICAL_SECTION* lpCriticalSection);

// ---------------------------------------------------------------------------------------------
// Window messages

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_USER = 0x0400;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT BN_CLICKED = 0;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr UINT MB_OK = 0x00000000;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

inline WORD LOWORD(WPARAM w) { return static_cast<WORD>(w & 0xFFFF); }
inline WORD HIWORD(WPARAM w) { return static_cast<WORD>((w >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16);
}

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

BOOL IsWindow(HWND hWnd);
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
// Takes (PM_REMOVE) or looks at (PM_NOREMOVE) the oldest thread message of the calling thread
// whose number lies in [wMsgFilterMin, wMsgFilterMax] (0, 0: any). hWnd must be null.
BOOL PeekMessageW(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);

// ---------------------------------------------------------------------------------------------
// Text and debug output

// As on the original platform: %s and %c take wide arguments; output is cut at 1024 characters.
int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
long _wtol(LPCWSTR str);
// Writes the formatted text to standard error exactly as formatted (no prefix, no added newline).
// It returns at once: a writer thread of its own writes the text, in order. While standard error
// is blocked, text beyond a bounded buffer is dropped, and once it flows again a line says how
// many calls were dropped.
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

// ---------------------------------------------------------------------------------------------
// Linux additions: what the original platform had no call for.
namespace platform {

// Text of the operating-system error behind the calling thread's last failure ("" when none),
// e.g. "/dev/ttyUSB0: Permission denied".
std::string LastErrorText();

// Waits until everything NKDbgPrintfW took has been written to standard error; false when that
// did not happen within the time-out. Programs need not call it: it runs at exit, for up to 1 s.
bool FlushDebugOutput(DWORD timeoutMs);

// Port map: "COMn:" (n = 1..1024) opens /dev/ttyS<n-1> unless the port was mapped to another
// path. Mapping applies to later CreateFileW calls; an empty path restores the default.
bool MapPort(int port, const std::string& path);
// Text conversions that do not depend on the locale. Code points that are not characters and
// malformed UTF-8 sequences become U+FFFD, so the result is always valid.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

// The device path "COMn:" resolves to now, or "" for a port number outside 1..1024.
std::string PortPath(int port);
// The ports mapped with MapPort and their paths, lowest number first.
std::map<int, std::string> MappedPorts();
// A port path may name a serial port on the network: "rfc2217://HOST:PORT" (a device server
// speaking RFC 2217) or "socket://HOST:PORT" (raw TCP, data only), IPv6 addresses in brackets.
// NetworkPortKind says which ("" for a device path); PortPathProblem says what is wrong with a
// network path ("" when nothing is).
std::string NetworkPortKind(const std::string& path);
std::string PortPathProblem(const std::string& path);

// Who may open a device: its owner and group by name and its permission bits, for a message
// about a refused open. known is false when the path cannot be looked at.
struct DeviceOwnership {
    bool known = false;
    std::string owner;
    std::string group;
    unsigned mode = 0;  // the permission bits, e.g. 0660
};
DeviceOwnership DescribeDeviceOwnership(const std::string& path);

}  // namespace platform
