#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/HostEnd.h"

namespace {

using emu::Condition;
using emutest::Bytes;
using emutest::H;
using emutest::HostEnd;
using emutest::T;
using emutest::operator+;
using namespace std::chrono_literals;

// A virtual printer on a pty and on a TCP port chosen by the system, with its trace kept.
struct TcpFixture {
    std::mutex traceLock;  // before the printer and link: the link's thread writes the trace
    std::vector<std::string> trace;
    emu::VirtualPrinter printer;
    emu::Link link{printer};
    std::unique_ptr<HostEnd> line;

    explicit TcpFixture(std::size_t capacity = emu::PrinterCore::kDefaultInputCapacity,
                        bool traced = true,
                        std::chrono::milliseconds idle = emu::Link::kDefaultIdleTimeout)
        : printer(384, capacity) {
        link.SetIdleTimeout(idle);
        if (traced) {
            printer.SetTraceCallback([this](const std::string& text, const std::string&) {
                std::lock_guard guard(traceLock);
                trace.push_back(text);
            });
        }
        std::string error;
        EXPECT_TRUE(link.OpenPty(&error)) << error;
        EXPECT_TRUE(link.Listen({"127.0.0.1", 0}, &error)) << error;
        EXPECT_TRUE(link.Start(&error)) << error;
        line = std::make_unique<HostEnd>(link.DevicePath());
    }

    HostEnd Connect(int sendBuffer = 0) {
        HostEnd client = HostEnd::ConnectTcp(link.Listener().Port(), sendBuffer);
        EXPECT_TRUE(client.Ok());
        return client;
    }

    bool TraceHas(const std::string& text) {
        std::lock_guard guard(traceLock);
        for (const std::string& entry : trace)
            if (entry.find(text) != std::string::npos) return true;
        return false;
    }
};

TEST(CoreTcp, RepliesGoBackOnThePathThatAsked) {
    TcpFixture f;
    f.printer.SetCondition(Condition::Overheat, true);
    HostEnd client = f.Connect();
    for (int round = 0; round < 2; ++round) {  // the connection stays open; each waits its turn
        ASSERT_TRUE(client.Write(H("10 04 05")));
        EXPECT_EQ(client.Read(1), H("08"));
        ASSERT_TRUE(f.line->Write(H("10 04 05")));
        EXPECT_EQ(f.line->Read(1), H("08"));
    }
    EXPECT_TRUE(client.Read(1, 100ms).empty()) << "the connection got the line's answer";
}

TEST(CoreTcp, ALaterConnectionWaitsUntilTheFirstCloses) {
    TcpFixture f;
    auto first = std::make_unique<HostEnd>(f.Connect());
    ASSERT_TRUE(first->Write(T("first")));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.printer.Received() == 5; }));
    HostEnd second = f.Connect();
    ASSERT_TRUE(second.Write(H("10 04 05")));
    EXPECT_TRUE(second.Read(1, 200ms).empty()) << "answered while the first still prints";
    first.reset();
    EXPECT_EQ(second.Read(1).size(), 1u);
    EXPECT_EQ(f.link.Connections(), 2u);
}

TEST(CoreTcp, AnIdleConnectionIsClosedOnlyWhileAnotherWaits) {
    constexpr auto kIdle = 200ms;
    TcpFixture f(emu::PrinterCore::kDefaultInputCapacity, true, kIdle);
    HostEnd first = f.Connect();
    ASSERT_TRUE(first.Write(T("first")));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.printer.Received() == 5; }));
    std::this_thread::sleep_for(3 * kIdle);  // time passes with nobody waiting
    ASSERT_TRUE(first.Write(H("10 04 05")));
    EXPECT_EQ(first.Read(1).size(), 1u) << "alone, it keeps the printer";

    HostEnd second = f.Connect();
    ASSERT_TRUE(second.Write(H("10 04 05")));
    EXPECT_EQ(second.Read(1).size(), 1u) << "answered once the idle one is closed";
    EXPECT_TRUE(f.TraceHas("connection closed: it sent nothing for 0.2 s while 1 other waited"));
    EXPECT_TRUE(first.Read(1, 100ms).empty());
    EXPECT_EQ(f.link.Connections(), 2u);
}

TEST(CoreTcp, AClientLeavingMidCommandHasThatCommandDropped) {
    TcpFixture f;
    {
        HostEnd client = f.Connect();
        ASSERT_TRUE(client.Write(H("1D 76 30 00 01 00 C8 00 FF")));  // raster: 199 rows unsent
    }
    HostEnd next = f.Connect();
    ASSERT_TRUE(next.Write(H("10 04 05")));
    ASSERT_EQ(next.Read(1).size(), 1u);
    EXPECT_TRUE(f.TraceHas("incomplete")) << "the cut-off raster would swallow the next job";
}

TEST(CoreTcp, AFloodIsHeldBackWhileThePrinterCannotTakeIt) {
    TcpFixture f(1024, false);
    f.printer.SetCondition(Condition::PaperOut, true);
    HostEnd client = f.Connect(64 * 1024);
    // More than the kernel buffers on either side hold.
    const Bytes data(3 * emu::TcpListener::kReceiveBuffer, 0x00);
    const std::size_t written = client.WriteUntilFull(data);
    ASSERT_LT(written, data.size()) << "the socket never filled";
    EXPECT_EQ(f.printer.Waiting(), 1024u);
    f.printer.SetCondition(Condition::PaperOut, false);
    ASSERT_TRUE(
        client.Write(Bytes(data.begin() + static_cast<std::ptrdiff_t>(written), data.end())));
    // Generous: under the thread sanitizer the printer takes megabytes slowly.
    EXPECT_TRUE(emutest::WaitUntil([&] { return f.printer.Received() == data.size(); },
                                   std::chrono::seconds(60)))
        << "received " << f.printer.Received() << " of " << data.size();
}

TEST(CoreTcp, AClientThatDoesNotReadItsRepliesIsHeldBackUntilItReads) {
    TcpFixture f(emu::PrinterCore::kDefaultInputCapacity, false);
    HostEnd client = f.Connect(64 * 1024);
    int small = 16 * 1024;
    setsockopt(client.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    // Status requests, one reply byte each: far more replies than the buffers on the way hold.
    Bytes requests;
    for (int i = 0; i < 1000000; ++i) requests.insert(requests.end(), {0x10, 0x04, 0x05});
    const std::size_t written = client.WriteUntilFull(requests);
    EXPECT_LT(written, requests.size()) << "the printer read every request";
    EXPECT_LE(f.link.RepliesHeld(), emu::Link::kReplyBound + 4096);
    // Once the client reads, the printer goes on.
    const std::uint64_t before = f.printer.Received();
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        while (reading) client.Read(4096, 50ms);
    });
    EXPECT_TRUE(
        emutest::WaitUntil([&] { return f.printer.Received() > before + emu::Link::kReplyBound; },
                           std::chrono::seconds(20)));
    reading = false;
    reader.join();
}

TEST(CoreTcp, APortInUseIsReportedAsSuch) {
    TcpFixture f;
    emu::TcpListener second;
    std::string error;
    bool inUse = false;
    EXPECT_FALSE(second.Open({"127.0.0.1", f.link.Listener().Port()}, &error, &inUse));
    EXPECT_TRUE(inUse) << error;
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
}

TEST(CoreTcp, ListenAddressesParse) {
    struct Row {
        const char* text;
        const char* host;  // nullptr: refused
        int port;
    };
    const Row rows[] = {
        {"9100", "127.0.0.1", 9100},
        {"0.0.0.0:9100", "0.0.0.0", 9100},
        {"[::1]:9101", "::1", 9101},
        {"localhost:0", "localhost", 0},
        {"65536", nullptr, 0},
        {"printer", nullptr, 0},
        {":9100", nullptr, 0},
        {"9100x", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const Row& row : rows) {
        std::string error;
        std::optional<emu::ListenAddress> got = emu::ParseListenAddress(row.text, &error);
        ASSERT_EQ(got.has_value(), row.host != nullptr) << row.text << ": " << error;
        if (!got) continue;
        EXPECT_EQ(got->host, row.host) << row.text;
        EXPECT_EQ(got->port, row.port) << row.text;
    }
}

}  // namespace
