// Hostile peers: floods, a device that vanishes, a peer that reads nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <random>
#include <string>
#include <thread>

#include "engine/CommPort.h"
#include "tests/engine/PeerLink.h"
#include "tests/engine/RecordingPort.h"
#include "tests/support/StderrCapture.h"

namespace {

using enginetest::PeerLink;
using enginetest::RecordingPort;
using enginetest::WaitUntil;

constexpr int kPort = 3;

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Share of one core the whole process used over the period.
double ProcessCpuShare(int periodMs) {
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(periodMs));
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return cpu / wall;
}

std::string RandomBytes(std::size_t length, unsigned seed) {
    std::mt19937 rng(seed);
    std::string bytes(length, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    return bytes;
}

TEST(CommPortBadInput, AFloodOfRandomBytesArrivesWhole) {
    struct Case {
        const char* name;
        DWORD mode;
    };
    const Case cases[] = {
        {"direct reads", COMM_MODE_EVENT_THREAD},
        {"queued reads", COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_READ},
        {"polled queued reads", COMM_MODE_POLL_THREAD | COMM_MODE_QUEUED_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeerLink peer(kPort);
        RecordingPort port(c.mode);
        ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
        const std::string flood = RandomBytes(256 * 1024, 7);
        std::thread sender([&] {
            for (std::size_t at = 0; at < flood.size(); at += 4096)
                peer.Send(flood.substr(at, 4096));
        });
        sender.join();
        ASSERT_TRUE(WaitUntil([&] { return port.Received().size() >= flood.size(); }, 20000));
        EXPECT_TRUE(port.Received() == std::vector<std::uint8_t>(flood.begin(), flood.end()));
        const auto start = std::chrono::steady_clock::now();
        port.Close(500);
        EXPECT_LT(MillisecondsSince(start), 3000);
    }
}

TEST(CommPortBadInput, AVanishedDeviceCostsNoCpuAndAFreshOneOpens) {
    struct Case {
        const char* name;
        DWORD mode;
    };
    const Case cases[] = {
        {"event thread", COMM_MODE_EVENT_THREAD},
        {"queued both ways",
         COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_READ | COMM_MODE_QUEUED_WRITE},
        {"all workers", COMM_MODE_EVENT_THREAD | COMM_MODE_POLL_THREAD | COMM_MODE_SEND_THREAD |
                            COMM_MODE_QUEUED_WRITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto peer = std::make_unique<PeerLink>(kPort);
        RecordingPort port(c.mode);
        ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
        peer->Send("before");
        ASSERT_TRUE(WaitUntil([&] { return port.Received().size() == 6; }));

        testsupport::StderrCapture capture;
        const std::size_t receivesBefore = port.CallsOf("OnReceive").size();
        const std::string device = peer->Peer().SlavePath();
        peer->Vanish();
        const std::string pending = RandomBytes(3000, 3);
        port.Write(pending.data(), static_cast<DWORD>(pending.size()));
        Sleep(100);
        EXPECT_LT(ProcessCpuShare(1000), 0.25) << "the workers must not spin on a dead device";
        EXPECT_LE(port.CallsOf("OnReceive").size(), receivesBefore + 1)
            << "the event thread keeps polling the dead device";

        const auto start = std::chrono::steady_clock::now();
        port.Close(500);
        EXPECT_LT(MillisecondsSince(start), 3000);
        EXPECT_FALSE(port.IsOpen());
        const std::string said = capture.Take();
        const std::size_t at = said.find("COM3: the device has gone (" + device);
        EXPECT_NE(at, std::string::npos) << said;
        EXPECT_EQ(said.find("COM3: the device", at + 1), std::string::npos) << "said once";

        peer.reset();  // its mapping goes with it
        peer = std::make_unique<PeerLink>(kPort);
        ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
        peer->Send("after");
        EXPECT_TRUE(WaitUntil([&] {
            const auto got = port.Received();
            return got.size() >= 11 && std::string(got.end() - 5, got.end()) == "after";
        }));
    }
}

TEST(CommPortBadInput, CloseReturnsWhileASendWorkerIsStuckOnAPeerThatReadsNothing) {
    struct Case {
        const char* name;
        DWORD mode;
    };
    const Case cases[] = {
        {"send thread", COMM_MODE_SEND_THREAD | COMM_MODE_QUEUED_WRITE},
        {"event thread", COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_WRITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeerLink peer(kPort);
        RecordingPort port(c.mode);
        ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
        const std::string bulk = RandomBytes(1 << 20, 5);
        port.Write(bulk.data(), static_cast<DWORD>(bulk.size()));
        // Wait until the pty is full: the queue stops shrinking.
        DWORD last = port.SendQueueCount();
        for (int i = 0; i < 100; ++i) {
            Sleep(300);
            const DWORD now = port.SendQueueCount();
            if (now == last) break;
            last = now;
        }
        ASSERT_GT(port.SendQueueCount(), 0u);
        const auto start = std::chrono::steady_clock::now();
        port.Close(500);
        EXPECT_LT(MillisecondsSince(start), 500 + 1500);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.SendWorker().m_hThread, nullptr);
        EXPECT_EQ(port.EventWorker().m_hThread, nullptr);
    }
}

}  // namespace
