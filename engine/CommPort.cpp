// CCommPort: construction, opening and closing, settings and direct transfers.
#include "engine/CommPort.h"

#include <cstring>

#include "engine/QueueLock.h"

namespace {

constexpr DWORD kCloseWaitMs = 500;
constexpr DWORD kDriverQueueBytes = 4096;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kStartingModes =
    COMM_MODE_EVENT_THREAD | COMM_MODE_POLL_THREAD | COMM_MODE_SEND_THREAD;

}  // namespace

CCommPort::CCommPort(DWORD dwMode) : m_rxQueue(1024), m_txQueue(1024) {
    CCommPort::InitMembers();
    // Overlapped operation comes back only through StartThreads' extra flags.
    m_dwMode = dwMode & ~COMM_MODE_OVERLAPPED;
}

CCommPort::~CCommPort() {
    CCommPort::Close(kCloseWaitMs);
    CCommPort::ReleaseMembers();
}

void CCommPort::InitMembers() {
    std::memset(m_szPortName, 0, sizeof m_szPortName);
    std::memset(&m_dcb, 0, sizeof m_dcb);
    m_dcb.DCBlength = sizeof(DCB);
    std::memset(&m_timeouts, 0, sizeof m_timeouts);
    m_dwEventMask =
        EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING | EV_POWER;
    m_hPort = INVALID_HANDLE_VALUE;
    m_nPort = -1;
    for (CommWorker* worker : {&m_eventWorker, &m_pollWorker, &m_sendWorker}) {
        worker->m_hThread = nullptr;
        worker->m_dwThreadId = 0;
        worker->m_hWakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    m_hOwnerWnd = nullptr;
    m_dwOwnerThreadId = 0;
    m_nReceiveThreshold = 0;
}

void CCommPort::ReleaseMembers() {
    for (CommWorker* worker : {&m_eventWorker, &m_pollWorker, &m_sendWorker}) {
        if (worker->m_hWakeEvent != nullptr) {
            CloseHandle(worker->m_hWakeEvent);
            worker->m_hWakeEvent = nullptr;
        }
    }
}

bool CCommPort::Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byByteSize, BYTE byStopBits) {
    if (static_cast<unsigned>(nPort) - 1u >= 1024u) return false;
    m_nPort = nPort;
    wsprintfW(m_szPortName, L"COM%d:", nPort);
    if (!OpenPort()) return false;
    if (!SetLineFormat(dwBaudRate, byParity, byByteSize, byStopBits)) {
        Close(kCloseWaitMs);
        return false;
    }
    if (!ConfigurePort()) {
        Close(kCloseWaitMs);
        return false;
    }
    if ((m_dwMode & kStartingModes) != 0 && !StartThreads(0)) {
        Close(kCloseWaitMs);
        return false;
    }
    return true;
}

bool CCommPort::OpenPort() {
    if (IsOpen()) Close(kCloseWaitMs);
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (m_dwMode & COMM_MODE_OVERLAPPED) attributes |= FILE_FLAG_OVERLAPPED;
    m_hPort = CreateFileW(m_szPortName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          attributes, nullptr);
    return IsOpen();
}

bool CCommPort::SetLineFormat(DWORD dwBaudRate, BYTE byParity, BYTE byByteSize, BYTE byStopBits) {
    if (!IsOpen()) return false;
    if (GetCommState(m_hPort, &m_dcb) != TRUE) return false;
    // Only the line format changes; flow control and the rest stay as the driver holds them.
    m_dcb.BaudRate = dwBaudRate;
    m_dcb.fParity = byParity != NOPARITY ? 1 : 0;
    m_dcb.ByteSize = byByteSize;
    m_dcb.Parity = byParity;
    m_dcb.StopBits = byStopBits;
    return SetCommState(m_hPort, &m_dcb) == TRUE;
}

bool CCommPort::ConfigurePort() {
    if (!IsOpen()) return false;
    SetupComm(m_hPort, kDriverQueueBytes, kDriverQueueBytes);
    if (GetCommTimeouts(m_hPort, &m_timeouts) != TRUE) return false;
    const bool overlapped = (m_dwMode & COMM_MODE_OVERLAPPED) != 0;
    m_timeouts.ReadIntervalTimeout = 100;
    m_timeouts.ReadTotalTimeoutMultiplier = 0;
    m_timeouts.ReadTotalTimeoutConstant = overlapped ? 500 : 250;
    m_timeouts.WriteTotalTimeoutMultiplier = overlapped ? 1 : 0;
    m_timeouts.WriteTotalTimeoutConstant = overlapped ? 10000 : 250;
    if (SetCommTimeouts(m_hPort, &m_timeouts) != TRUE) return false;
    return PurgeComm(m_hPort, kPurgeAll) == TRUE;
}

void CCommPort::Close(DWORD dwWaitMs) {
    if (!IsOpen()) return;
    StopThreads(dwWaitMs);
    // A worker that had to be waited out leaves the port closed already.
    if (!IsOpen()) return;
    if (m_dwMode & (COMM_MODE_FLUSH_ON_CLOSE | COMM_MODE_DRAIN_ON_CLOSE)) FlushFileBuffers(m_hPort);
    PurgeComm(m_hPort, kPurgeAll);
    CloseHandle(m_hPort);
    m_hPort = INVALID_HANDLE_VALUE;
}

DWORD CCommPort::Read(void* pBuffer, DWORD dwLength) {
    if (!(m_dwMode & COMM_MODE_QUEUED_READ)) return ReadPort(pBuffer, dwLength);
    CQueueLock hold(m_rxQueue);
    return m_rxQueue.Pop(pBuffer, dwLength);
}

DWORD CCommPort::ReadPort(void* pBuffer, DWORD dwLength) {
    if (!IsOpen() || dwLength == 0) return 0;
    DWORD errors = 0;
    COMSTAT stat{};
    // A line error pending from before aborts the read in progress; queued input is kept.
    if (ClearCommError(m_hPort, &errors, &stat) && errors != 0) PurgeComm(m_hPort, PURGE_RXABORT);
    DWORD read = 0;
    ReadFile(m_hPort, pBuffer, dwLength, &read, nullptr);
    return read;
}

DWORD CCommPort::Write(const void* pData, DWORD dwLength) {
    if (dwLength == 0 || !(m_dwMode & COMM_MODE_QUEUED_WRITE)) return WritePort(pData, dwLength);
    CQueueLock hold(m_txQueue);
    m_txQueue.Append(pData, dwLength);
    if (m_dwMode & COMM_MODE_SEND_THREAD) {
        SetEvent(m_eventWorker.m_hWakeEvent);
        // The send thread waits on its own event: setting it sends the bytes now rather than
        // at the end of the thread's 200 ms pass.
        SetEvent(m_sendWorker.m_hWakeEvent);
    } else {
        // Re-setting the mask releases the event thread's wait with no event bits; it then sends.
        // The event records the request for when the thread is busy elsewhere and misses that.
        SetEvent(m_eventWorker.m_hWakeEvent);
        SetCommMask(m_hPort, m_dwEventMask);
    }
    return 0;
}

DWORD CCommPort::WritePort(const void* pData, DWORD dwLength) {
    if (!IsOpen() || dwLength == 0) return 0;
    DWORD errors = 0;
    if (ClearCommError(m_hPort, &errors, nullptr) && errors != 0) PurgeComm(m_hPort, PURGE_TXABORT);
    DWORD written = 0;
    WriteFile(m_hPort, pData, dwLength, &written, nullptr);
    return written;
}

DCB* CCommPort::GetState(DCB* pDcb) {
    if (!IsOpen()) return nullptr;
    DCB* target = pDcb != nullptr ? pDcb : &m_dcb;
    return GetCommState(m_hPort, target) == TRUE ? target : nullptr;
}

bool CCommPort::SetState(DCB* pDcb) {
    if (!IsOpen()) return false;
    return SetCommState(m_hPort, pDcb != nullptr ? pDcb : &m_dcb) == TRUE;
}

COMMTIMEOUTS* CCommPort::GetTimeouts(COMMTIMEOUTS* pTimeouts) {
    if (!IsOpen()) return nullptr;
    COMMTIMEOUTS* target = pTimeouts != nullptr ? pTimeouts : &m_timeouts;
    return GetCommTimeouts(m_hPort, target) == TRUE ? target : nullptr;
}

bool CCommPort::SetTimeouts(COMMTIMEOUTS* pTimeouts) {
    if (!IsOpen()) return false;
    return SetCommTimeouts(m_hPort, pTimeouts != nullptr ? pTimeouts : &m_timeouts) == TRUE;
}

bool CCommPort::SetQueueSizes(DWORD dwInput, DWORD dwOutput) {
    if (!IsOpen()) return false;
    return SetupComm(m_hPort, dwInput, dwOutput) == TRUE;
}

bool CCommPort::Purge(DWORD dwFlags) {
    if (!IsOpen()) return false;
    return PurgeComm(m_hPort, dwFlags) == TRUE;
}

DWORD CCommPort::GetModemStatus() {
    if (!IsOpen()) return 0;
    DWORD status = 0;
    return GetCommModemStatus(m_hPort, &status) == TRUE ? status : 0;
}

DWORD CCommPort::GetLineErrors() {
    if (!IsOpen()) return 0;
    DWORD errors = 0;
    return ClearCommError(m_hPort, &errors, nullptr) == TRUE ? errors : 0;
}

DWORD CCommPort::GetPendingCount(bool bInput) {
    if (!IsOpen()) return 0xFFFFFFFFu;
    DWORD errors = 0;
    COMSTAT stat{};
    if (ClearCommError(m_hPort, &errors, &stat) != TRUE) return 0xFFFFFFFFu;
    return bInput ? stat.cbInQue : stat.cbOutQue;
}
