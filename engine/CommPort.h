// CCommPort: one serial port, its settings, its two byte queues and up to three worker threads
// whose line events reach virtual hooks that a derived class replaces.
#pragma once

#include <atomic>

#include "engine/ByteQueue.h"
#include "platform/win32.h"

// Mode flags (m_dwMode).
constexpr DWORD COMM_MODE_EVENT_THREAD = 0x01;
constexpr DWORD COMM_MODE_OVERLAPPED = 0x02;
constexpr DWORD COMM_MODE_QUEUED_READ = 0x04;
constexpr DWORD COMM_MODE_QUEUED_WRITE = 0x08;
constexpr DWORD COMM_MODE_POLL_THREAD = 0x10;
constexpr DWORD COMM_MODE_SEND_THREAD = 0x20;
constexpr DWORD COMM_MODE_SUSPENDED = 0x40;
constexpr DWORD COMM_MODE_HIGH_PRIORITY = 0x80;
constexpr DWORD COMM_MODE_FLUSH_ON_CLOSE = 0x100;
constexpr DWORD COMM_MODE_DRAIN_ON_CLOSE = 0x200;

// Engine notifications: wParam = port number, lParam = the event's value.
constexpr UINT WM_COMM_RXCHAR = WM_USER + 618;
constexpr UINT WM_COMM_CTS = WM_USER + 619;
constexpr UINT WM_COMM_DSR = WM_USER + 620;
constexpr UINT WM_COMM_RING = WM_USER + 621;
constexpr UINT WM_COMM_BREAK = WM_USER + 623;
constexpr UINT WM_COMM_TXEMPTY = WM_USER + 624;
constexpr UINT WM_COMM_ERR = WM_USER + 625;
constexpr UINT WM_COMM_RXFLAG = WM_USER + 626;
constexpr UINT WM_COMM_POWER = WM_USER + 627;
constexpr UINT WM_COMM_AUX2 = WM_USER + 628;
constexpr UINT WM_COMM_AUX3 = WM_USER + 629;
constexpr UINT WM_COMM_AUX1 = WM_USER + 630;
constexpr UINT WM_COMM_AUX4 = WM_USER + 631;
// Carrier detect: just past the block the other notifications occupy, so that it collides with
// none of them.
constexpr UINT WM_COMM_RLSD = WM_USER + 632;

// One worker thread's record.
struct CommWorker {
    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadId = 0;
    HANDLE m_hWakeEvent = nullptr;
};

class CCommPort {
  public:
    explicit CCommPort(DWORD dwMode);
    CCommPort(const CCommPort&) = delete;
    CCommPort& operator=(const CCommPort&) = delete;

    // Virtual operations, in the order of the table.
    virtual ~CCommPort();
    virtual void Close(DWORD dwWaitMs);
    virtual void InitMembers();
    virtual void ReleaseMembers();
    virtual bool OpenPort();
    virtual bool ConfigurePort();
    virtual int Notify(UINT message, DWORD dwValue, bool bPost);
    virtual int OnReceive();
    virtual int OnDsrChange();
    virtual int OnCtsChange();
    virtual int OnBreak();
    virtual int OnTxEmpty();
    virtual int OnLineError();
    virtual int OnRing();
    virtual int OnCarrierChange();
    virtual int OnRxFlag();
    virtual int OnPowerEvent();
    virtual int OnAuxEvent1();
    virtual int OnAuxEvent2();
    virtual int OnAuxEvent3();
    virtual int OnAuxEvent4();
    virtual int DispatchEvents(DWORD dwEvents);
    virtual DWORD ServiceLoop();
    virtual DWORD EventThread();
    virtual DWORD PollThread();
    virtual DWORD SendThread();

    // Opens "COM<nPort>:" (1..1024) with the given line format (DCB codes) and starts the
    // workers the mode asks for. False leaves the port closed.
    bool Open(int nPort, DWORD dwBaudRate, BYTE byParity, BYTE byByteSize, BYTE byStopBits);
    bool SetLineFormat(DWORD dwBaudRate, BYTE byParity, BYTE byByteSize, BYTE byStopBits);

    DWORD Read(void* pBuffer, DWORD dwLength);
    DWORD Write(const void* pData, DWORD dwLength);
    DWORD ReadPort(void* pBuffer, DWORD dwLength);
    DWORD WritePort(const void* pData, DWORD dwLength);

    DCB* GetState(DCB* pDcb = nullptr);
    bool SetState(DCB* pDcb = nullptr);
    COMMTIMEOUTS* GetTimeouts(COMMTIMEOUTS* pTimeouts = nullptr);
    bool SetTimeouts(COMMTIMEOUTS* pTimeouts = nullptr);
    bool SetQueueSizes(DWORD dwInput, DWORD dwOutput);
    bool Purge(DWORD dwFlags);
    DWORD GetModemStatus();
    DWORD GetLineErrors();
    DWORD GetPendingCount(bool bInput);

    bool StartThreads(DWORD dwExtraMode);
    bool StopThreads(DWORD dwWaitMs);
    DWORD ReceiveToQueue(DWORD dwRequest);
    DWORD SendFromQueue(DWORD dwLimit);

    bool IsOpen() const { return m_hPort != INVALID_HANDLE_VALUE; }

  protected:
    DWORD m_dwMode;
    HANDLE m_hPort;
    int m_nPort;
    WCHAR m_szPortName[64];
    DCB m_dcb;
    COMMTIMEOUTS m_timeouts;
    CByteQueue m_rxQueue;
    CByteQueue m_txQueue;
    // Written by the owner's thread, read by the workers at their next check.
    std::atomic<bool> m_bRunning{false};
    DWORD m_dwEventMask;
    CommWorker m_eventWorker;
    CommWorker m_pollWorker;
    CommWorker m_sendWorker;

  public:
    HWND m_hOwnerWnd;
    DWORD m_dwOwnerThreadId;
    DWORD m_nReceiveThreshold;

  private:
    // Thread entries: the parameter is the port; the body is reached through the virtual table.
    static DWORD EventThreadEntry(LPVOID pPort);
    static DWORD PollThreadEntry(LPVOID pPort);
    static DWORD SendThreadEntry(LPVOID pPort);

    bool AnyThread() const;
    DWORD QueueCount(CByteQueue& queue);
    // Hands n waiting bytes to OnReceive, through the receive queue when reads are queued.
    int ReceiveStep(DWORD dwWaiting, DWORD dwRequest);
    // Sends one bite of at most 1024 queued bytes when writes are queued and any are waiting.
    void QueuedSendCheck();
    // Sends queued bytes while the workers run and the port takes them.
    void DrainSendQueue();
    // True when the last failure on the port was its device going away: says so and waits for
    // the stop. False otherwise, at once.
    bool DeviceVanished();
    // Closes the port under a worker that could not be ended and waits until it has ended.
    void WaitOutStuckWorker(const CommWorker& worker, bool& portClosed);
    // Waits until the send queue is empty or has not shrunk for dwStallMs.
    void WaitForSendQueueDrain(DWORD dwStallMs);
};
