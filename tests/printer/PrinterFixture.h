// What the printer-channel tests share: the channel with its state readable, the channel opened
// on a pty whose other end the test plays as the printer, and a status window that records what
// is posted to it.
#pragma once

#include <memory>
#include <vector>

#include "printer/PrinterPort.h"

namespace printertest {

using Bytes = std::vector<BYTE>;

class ObservedPrinterPort : public CPrinterPort {
  public:
    // The five latches in the bit positions of the status byte.
    BYTE Latches() const;
    bool StatusReceived() const { return m_bStatusReceived.load(std::memory_order_acquire); }
    BYTE Status() const { return m_byStatus.load(); }
    bool ReplyReceived() const { return m_bReplyReceived.load(std::memory_order_acquire); }
    BYTE Reply() const { return m_byReply.load(); }
};

// Its event thread ends at once, so the test runs OnReceive itself, on its own thread.
class ManualReceivePort : public ObservedPrinterPort {
  public:
    DWORD EventThread() override { return 0; }
};

class PrinterOnPty {
  public:
    // Maps a port number to a fresh pty and opens the channel on it.
    explicit PrinterOnPty(CCommPort& port);
    ~PrinterOnPty();
    PrinterOnPty(const PrinterOnPty&) = delete;
    PrinterOnPty& operator=(const PrinterOnPty&) = delete;

    bool IsOpen() const;
    // Up to count bytes the channel sent, read until count arrived or the time is up.
    Bytes ReadFromHost(std::size_t count, int timeoutMs);
    // True when the channel sends nothing more within the time.
    bool NothingMoreFromHost(int timeoutMs);
    // Sends bytes to the channel, as the printer would.
    bool SendToHost(const Bytes& bytes);
    // Waits until the channel's input holds at least count bytes.
    bool WaitForPending(DWORD count, int timeoutMs);

  private:
    struct Impl;
    CCommPort& m_port;
    std::unique_ptr<Impl> m_impl;
};

// A registered window that records the messages posted to it.
class StatusWindow {
  public:
    StatusWindow();
    ~StatusWindow();
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    HWND Handle() const;
    std::vector<UINT> Messages() const;
    bool AllParametersZero() const;
    bool WaitForMessages(std::size_t count, int timeoutMs) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace printertest
