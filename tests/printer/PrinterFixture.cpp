#include "tests/printer/PrinterFixture.h"

#include "tests/support/RecordingWindow.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

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
    int master = -1;
};

PrinterOnPty::PrinterOnPty(CCommPort& port) : m_port(port), m_impl(std::make_unique<Impl>()) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return;
    const char* slave = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (slave = ptsname(master)) == nullptr) {
        close(master);
        return;
    }
    m_impl->master = master;
    platform::MapPort(kTestPort, slave);
    m_port.Open(kTestPort, 9600, NOPARITY, 8, ONESTOPBIT);
}

PrinterOnPty::~PrinterOnPty() {
    m_port.Close(500);
    platform::MapPort(kTestPort, "");
    if (m_impl->master >= 0) close(m_impl->master);
}

bool PrinterOnPty::IsOpen() const { return m_impl->master >= 0 && m_port.IsOpen(); }

Bytes PrinterOnPty::ReadFromHost(std::size_t count, int timeoutMs) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{m_impl->master, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
        BYTE buffer[4096];
        const ssize_t n = read(m_impl->master, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

bool PrinterOnPty::NothingMoreFromHost(int timeoutMs) {
    pollfd fd{m_impl->master, POLLIN, 0};
    return poll(&fd, 1, timeoutMs) == 0;
}

bool PrinterOnPty::SendToHost(const Bytes& bytes) {
    // One write, so that the bytes reach the channel's input together.
    return write(m_impl->master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool PrinterOnPty::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool PrinterOnPty::WaitForPending(DWORD count, int timeoutMs) {
    return WaitFor(
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
