// Destroying the channel while the printer keeps sending.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "printer/PrinterPort.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/WaitUntil.h"

namespace {

constexpr int kLifetimePort = 9;

// The event thread must be stopped while the whole channel still stands: it runs OnReceive on
// it. Under TSan a late stop shows as a race on the object's virtual table.
TEST(PrinterChannelLifetime, DestroyedWhileBytesArrive) {
    testsupport::PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    ASSERT_TRUE(platform::MapPort(kLifetimePort, peer.SlavePath()));
    auto port = std::make_unique<CPrinterPort>();
    ASSERT_TRUE(port->Open(kLifetimePort, 9600, NOPARITY, 8, ONESTOPBIT));

    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread printer([&] {
        while (!stop.load() && peer.Write(std::vector<std::uint8_t>{0x2F, 0x00})) {
            ++sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    // The channel has been taking bytes for a while when it goes.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return sent.load() >= 50; }));
    port.reset();
    stop.store(true);
    printer.join();
    platform::MapPort(kLifetimePort, "");
}

}  // namespace
