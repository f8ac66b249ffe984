#include "tests/printer/PrinterFixture.h"

#include <chrono>
#include <thread>

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

}  // namespace printertest
