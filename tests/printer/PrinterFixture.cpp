#include "tests/printer/PrinterFixture.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

#include "tests/support/PtyPeer.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/WaitUntil.h"

namespace printertest {

namespace {

// Any number serves: the port map belongs to this test process.
constexpr int kTestPort = 7;

}  // namespace

BYTE ObservedPrinterPort::Latches() const {
    return static_cast<BYTE>((m_bOverVoltage ? 0x01 : 0) | (m_bPlaten ? 0x02 : 0) |
                             (m_bPaperOut ? 0x04 : 0) | (m_bOverheat ? 0x08 : 0) |
                             (m_bCutter ? 0x20 : 0));
}

struct PrinterOnPty::Impl {
    testsupport::PtyPeer peer;
};

PrinterOnPty::PrinterOnPty(CCommPort& port) : m_port(port), m_impl(std::make_unique<Impl>()) {
    if (!m_impl->peer.Ok()) return;
    platform::MapPort(kTestPort, m_impl->peer.SlavePath());
    m_port.Open(kTestPort, 9600, NOPARITY, 8, ONESTOPBIT);
}

PrinterOnPty::~PrinterOnPty() {
    m_port.Close(500);
    platform::MapPort(kTestPort, "");
}

bool PrinterOnPty::IsOpen() const { return m_impl->peer.Ok() && m_port.IsOpen(); }

Bytes PrinterOnPty::ReadFromHost(std::size_t count, int timeoutMs) {
    return m_impl->peer.Read(count, std::chrono::milliseconds(timeoutMs));
}

bool PrinterOnPty::NothingMoreFromHost(int timeoutMs) {
    pollfd fd{m_impl->peer.MasterFd(), POLLIN, 0};
    return poll(&fd, 1, timeoutMs) == 0;
}

bool PrinterOnPty::SendToHost(const Bytes& bytes) { return m_impl->peer.Write(bytes); }

bool PrinterOnPty::WaitForPending(DWORD count, int timeoutMs) {
    return testsupport::WaitUntil(
        [&] {
            const DWORD pending = m_port.GetPendingCount(true);
            return pending != 0xFFFFFFFFu && pending >= count;
        },
        timeoutMs);
}

// Messages wait in the window's queue until the test's own thread takes them, so a test sees
// exactly what was posted up to that moment.
struct StatusWindow::Impl {
    testsupport::RecordingWindow window{testsupport::RecordingWindow::Delivery::OnDemand};
};

StatusWindow::StatusWindow() : m_impl(std::make_unique<Impl>()) {}
StatusWindow::~StatusWindow() = default;

HWND StatusWindow::Handle() const { return m_impl->window.Handle(); }

std::vector<UINT> StatusWindow::Messages() const {
    m_impl->window.DeliverPending();
    std::vector<UINT> numbers;
    for (const auto& m : m_impl->window.Messages()) numbers.push_back(m.message);
    return numbers;
}

bool StatusWindow::AllParametersZero() const {
    m_impl->window.DeliverPending();
    const auto messages = m_impl->window.Messages();
    return std::all_of(messages.begin(), messages.end(),
                       [](const auto& m) { return m.wParam == 0 && m.lParam == 0 && !m.sent; });
}

bool StatusWindow::WaitForMessages(std::size_t count, int timeoutMs) const {
    return m_impl->window.WaitForMessages(count, std::chrono::milliseconds(timeoutMs));
}

}  // namespace printertest
