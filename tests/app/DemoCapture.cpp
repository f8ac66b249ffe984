#include "tests/app/DemoCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "printer/PrinterPort.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/WireRecorder.h"

namespace apptest {

namespace {

constexpr int kPort = 7;

}  // namespace

std::vector<std::uint8_t> SentBy(void (*print)(CPrinterPort&)) {
    testsupport::PtyPeer peer;
    EXPECT_TRUE(peer.Ok());
    EXPECT_TRUE(platform::MapPort(kPort, peer.SlavePath()));
    std::vector<testsupport::WireRecorder::Bytes> writes;
    {
        CPrinterPort printer;
        EXPECT_TRUE(printer.Open(kPort, 9600, 0, 8, 0));
        testsupport::WireRecorder recorder;
        EXPECT_TRUE(recorder.Ok()) << recorder.Error();
        // The peer keeps reading so that a long stream never waits on a full line.
        auto pressed = std::async(std::launch::async, [&] { print(printer); });
        while (pressed.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            peer.ReadAvailable();
        pressed.get();
        writes = recorder.Stop();
        printer.Close(500);
    }
    platform::MapPort(kPort, "");
    return testsupport::Joined(writes);
}

}  // namespace apptest
