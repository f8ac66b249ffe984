// CPrinterPort: construction, the receive handler and the status decoding, and the status request
// that waits for the decoder's answer.
#include <memory>
#include <new>

#include "printer/PrinterPort.h"

namespace {

// One condition of the status byte: its bit, its latch and its two messages.
struct StatusCondition {
    BYTE mask;
    bool CPrinterPort::*latch;
    UINT onMessage;
    UINT offMessage;
};

// Status request: DLE EOT 5.
constexpr BYTE kStatusRequest[] = {0x10, 0x04, 0x05};
constexpr int kStatusPolls = 50;
constexpr DWORD kStatusPollMs = 10;

}  // namespace

// Mode 3 asks for the event thread; the engine drops the overlapped flag, so reads and writes go
// straight to the port.
CPrinterPort::CPrinterPort()
    : CCommPort(COMM_MODE_EVENT_THREAD | COMM_MODE_OVERLAPPED),
      m_hNotifyWnd(nullptr),
      m_bOverVoltage(false),
      m_bPlaten(false),
      m_bOverheat(false),
      m_bPaperOut(false),
      m_bCutter(false),
      m_bReplyReceived(false),
      m_byReply(0),
      m_bStatusReceived(false),
      m_byStatus(0) {}

// The event thread runs OnReceive on this object, so it must have stopped before the derived part
// goes away; the engine's destructor would close the port only after that.
CPrinterPort::~CPrinterPort() { CCommPort::Close(500); }

int CPrinterPort::OnReceive() {
    const DWORD pending = GetPendingCount(true);
    if (pending == 0 || pending == 0xFFFFFFFFu) return 0;

    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[pending]);
    if (!buffer) return 0;

    const DWORD received = Read(buffer.get(), pending);
    for (DWORD i = 0; i < received && i < pending; ++i) {
        NKDbgPrintfW(L"%X", static_cast<unsigned>(buffer[i]));
        DecodeStatusByte(buffer[i]);
    }
    return 0;
}

void CPrinterPort::DecodeStatusByte(BYTE byte) {
    if (byte == '0' || byte == '1') {
        m_byReply.store(byte, std::memory_order_relaxed);
        m_bReplyReceived.store(true, std::memory_order_release);
        return;
    }
    if (byte & 0x10) return;

    m_byStatus.store(byte, std::memory_order_relaxed);
    m_bStatusReceived.store(true, std::memory_order_release);

    // The order in which the messages of one status byte go out.
    static constexpr StatusCondition kConditions[] = {
        {0x01, &CPrinterPort::m_bOverVoltage, WM_PRINTER_OVERVOLTAGE_ON,
         WM_PRINTER_OVERVOLTAGE_OFF},
        {0x02, &CPrinterPort::m_bPlaten, WM_PRINTER_PLATEN_ON, WM_PRINTER_PLATEN_OFF},
        {0x08, &CPrinterPort::m_bOverheat, WM_PRINTER_OVERHEAT_ON, WM_PRINTER_OVERHEAT_OFF},
        {0x04, &CPrinterPort::m_bPaperOut, WM_PRINTER_PAPEROUT_ON, WM_PRINTER_PAPEROUT_OFF},
        {0x20, &CPrinterPort::m_bCutter, WM_PRINTER_CUTTER_ON, WM_PRINTER_CUTTER_OFF},
    };
    for (const StatusCondition& condition : kConditions) {
        bool& latch = this->*condition.latch;
        UINT message;
        if (byte & condition.mask) {
            // A standing condition is reported again with every status byte.
            latch = true;
            message = condition.onMessage;
        } else if (latch) {
            latch = false;
            message = condition.offMessage;
        } else {
            continue;
        }
        if (IsWindow(m_hNotifyWnd)) PostMessageW(m_hNotifyWnd, message, 0, 0);
    }
}

bool CPrinterPort::QueryStatus(BYTE* pStatus) {
    // Cleared before the request leaves, so that only an answer after it counts.
    m_bStatusReceived.store(false);
    Write(kStatusRequest, sizeof kStatusRequest);
    for (int poll = 0; poll < kStatusPolls; ++poll) {
        if (m_bStatusReceived.load(std::memory_order_acquire)) {
            // A caller that passes no byte still learns that the printer answered.
            if (pStatus) *pStatus = m_byStatus.load(std::memory_order_relaxed);
            return true;
        }
        Sleep(kStatusPollMs);
    }
    return false;
}
