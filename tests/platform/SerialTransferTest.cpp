#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <numeric>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include "tests/platform/PortFixture.h"
#include "tests/support/ThreadAsleep.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Send {
    int atMs;
    std::string bytes;
};

struct TimingCase {
    const char* name;
    COMMTIMEOUTS timeouts;
    DWORD count;
    std::vector<Send> sends;  // from the peer, timed from the start of the read
    std::string expected;
    int minMs;
    int maxMs;
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.name; }

class ReadTiming : public PortTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(ReadTiming, ReturnsWhatArrivedWhenItShould) {
    const TimingCase& c = GetParam();
    COMMTIMEOUTS timeouts = c.timeouts;
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    Clock::time_point start = Clock::now();
    std::thread sender([&] {
        for (const Send& send : c.sends) {
            std::this_thread::sleep_until(start + Millis(send.atMs));
            peer.Write(send.bytes);
        }
    });
    std::string buffer(c.count, '\0');
    DWORD got = 12345;
    BOOL ok = ReadFile(port, buffer.data(), c.count, &got, nullptr);
    Millis took = Since(start);
    sender.join();
    EXPECT_TRUE(ok) << GetLastError();
    EXPECT_EQ(buffer.substr(0, got), c.expected);
    EXPECT_GE(took.count(), c.minMs);
    EXPECT_LE(took.count(), c.maxMs);
    std::printf("[ figures ] %s: %d bytes after %lld ms\n", c.name, static_cast<int>(got),
                static_cast<long long>(took.count()));
}

// Lower bounds are the time-out less a little clock slack; upper bounds are generous because
// the machine may be busy.
INSTANTIATE_TEST_SUITE_P(
    Timeouts, ReadTiming,
    ::testing::Values(
        TimingCase{"TotalConstant", {0, 0, 200, 0, 0}, 10, {}, "", 195, 900},
        TimingCase{"TotalMultiplierTimesCount", {0, 40, 100, 0, 0}, 5, {}, "", 295, 1000},
        TimingCase{"TotalKeepsPartialBytes", {0, 0, 250, 0, 0}, 10, {{50, "ab"}}, "ab", 245, 950},
        TimingCase{"IntervalEndsAfterSilence", {100, 0, 0, 0, 0}, 10, {{50, "ab"}}, "ab", 145, 850},
        // The interval timer starts with the first byte: a read waits for it beyond the interval.
        TimingCase{
            "IntervalStartsWithFirstByte", {100, 0, 0, 0, 0}, 10, {{300, "x"}}, "x", 395, 1100},
        TimingCase{"IntervalRestartsPerArrival",
                   {100, 0, 2000, 0, 0},
                   10,
                   {{0, "a"}, {60, "b"}, {120, "c"}, {180, "d"}},
                   "abcd",
                   275,
                   1000},
        TimingCase{"TotalCutsIntervalShort",
                   {150, 0, 200, 0, 0},
                   10,
                   {{0, "a"}, {100, "b"}, {190, "c"}, {280, "d"}},
                   "abc",
                   195,
                   900},
        TimingCase{"CountEndsEarly", {100, 0, 5000, 0, 0}, 3, {{50, "abcdef"}}, "abc", 45, 800},
        TimingCase{"ZeroZeroWaitsForCount",
                   {0, 0, 0, 0, 0},
                   5,
                   {{100, "abc"}, {250, "de"}},
                   "abcde",
                   245,
                   950},
        TimingCase{"MaxIntervalReturnsAtOnce", {MAXDWORD, 0, 0, 0, 0}, 10, {}, "", 0, 100},
        TimingCase{"FirstBytesEndsOnArrival",
                   {MAXDWORD, MAXDWORD, 2000, 0, 0},
                   10,
                   {{100, "q"}},
                   "q",
                   95,
                   800},
        TimingCase{"FirstBytesTimesOut", {MAXDWORD, MAXDWORD, 150, 0, 0}, 10, {}, "", 145, 850}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, MaxIntervalTakesWhatIsWaiting) {
    SetTimeouts(MAXDWORD, 0, 0);
    ASSERT_TRUE(peer.Write("xyz"));
    COMSTAT stat{};
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return ClearCommError(port, nullptr, &stat) && stat.cbInQue == 3; }));
    char buffer[10];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(port, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "xyz");
}

TEST_F(PortTest, EveryByteValueBothWays) {
    SetTimeouts(0, 0, 2000, 0, 2000);
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, all.data(), 256, &put, nullptr));
    EXPECT_EQ(put, 256u);
    EXPECT_EQ(peer.Read(256, Millis(2000)), all);

    ASSERT_TRUE(peer.Write(all));
    std::vector<std::uint8_t> back(256);
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(port, back.data(), 256, &got, nullptr));
    EXPECT_EQ(got, 256u);
    EXPECT_EQ(back, all);
}

TEST_F(PortTest, LargeWriteArrivesWhole) {
    std::vector<std::uint8_t> data(300000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    std::vector<std::uint8_t> received;
    std::thread reader([&] { received = peer.Read(data.size(), Millis(10000)); });
    DWORD put = 0;
    EXPECT_TRUE(WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
    reader.join();
    EXPECT_EQ(put, data.size());
    EXPECT_TRUE(received == data);
}

TEST_F(PortTest, WriteTimeOutCountsWhatWentOut) {
    SetTimeouts(0, 0, 0, 0, 200);
    std::vector<std::uint8_t> data(1 << 20, 0x5A);
    DWORD put = 0;
    Clock::time_point start = Clock::now();
    EXPECT_TRUE(WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
    EXPECT_GE(Since(start).count(), 195);
    EXPECT_GT(put, 0u);
    EXPECT_LT(put, data.size());
    EXPECT_EQ(peer.Read(data.size(), Millis(1000)).size(), put);
}

// A transfer blocked on one thread and what ends it from another.
struct ReleaseCase {
    const char* name;
    bool write;
    void (*release)(PortTest&);
    DWORD error;
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const ReleaseCase& c, std::ostream* os) { *os << c.name; }

class TransferRelease : public PortTest, public ::testing::WithParamInterface<ReleaseCase> {
  public:
    HANDLE Port() const { return port; }
    testsupport::PtyPeer& Peer() { return peer; }
};

TEST_P(TransferRelease, EndsPromptly) {
    const ReleaseCase& c = GetParam();
    SetTimeouts(0, 0, 0, 0, 0);
    std::vector<std::uint8_t> buffer(c.write ? (1 << 20) : 16, 0x33);
    DWORD moved = 0;
    BOOL ok = TRUE;
    DWORD error = 0;
    Clock::time_point start = Clock::now();
    std::atomic<pid_t> tid{0};
    std::thread blocked([&] {
        tid = testsupport::KernelThreadId();
        ok =
            c.write
                ? WriteFile(port, buffer.data(), static_cast<DWORD>(buffer.size()), &moved, nullptr)
                : ReadFile(port, buffer.data(), static_cast<DWORD>(buffer.size()), &moved, nullptr);
        error = GetLastError();
    });
    EXPECT_TRUE(testsupport::WaitUntilAsleepOnDescriptors(tid));
    c.release(*this);
    blocked.join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, c.error);
    EXPECT_LT(Since(start).count(), 1500);
    if (c.write) {
        EXPECT_GT(moved, 0u);
        EXPECT_LT(moved, buffer.size());
    } else {
        EXPECT_EQ(moved, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Releases, TransferRelease,
    ::testing::Values(
        ReleaseCase{
            "ReadByRxAbort", false,
            [](PortTest& t) { PurgeComm(static_cast<TransferRelease&>(t).Port(), PURGE_RXABORT); },
            ERROR_OPERATION_ABORTED},
        ReleaseCase{
            "WriteByTxAbort", true,
            [](PortTest& t) { PurgeComm(static_cast<TransferRelease&>(t).Port(), PURGE_TXABORT); },
            ERROR_OPERATION_ABORTED},
        ReleaseCase{"ReadByPeerVanishing", false,
                    [](PortTest& t) { static_cast<TransferRelease&>(t).Peer().Vanish(); },
                    ERROR_DEVICE_NOT_CONNECTED},
        ReleaseCase{"WriteByPeerVanishing", true,
                    [](PortTest& t) { static_cast<TransferRelease&>(t).Peer().Vanish(); },
                    ERROR_DEVICE_NOT_CONNECTED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, AbortEndsOnlyTheTransferInProgress) {
    SetTimeouts(0, 0, 0);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXABORT | PURGE_TXABORT));
    SetTimeouts(0, 0, 1000);
    ASSERT_TRUE(peer.Write("ab"));
    char buffer[2];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(port, buffer, 2, &got, nullptr));
    EXPECT_EQ(got, 2u);
}

TEST_F(PortTest, ReadIsNotReleasedByAWriteAbort) {
    SetTimeouts(0, 0, 400);
    char buffer[4];
    DWORD got = 0;
    BOOL ok = FALSE;
    std::atomic<pid_t> tid{0};
    std::thread reader([&] {
        tid = testsupport::KernelThreadId();
        ok = ReadFile(port, buffer, 4, &got, nullptr);
    });
    EXPECT_TRUE(testsupport::WaitUntilAsleepOnDescriptors(tid));
    ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT));
    ASSERT_TRUE(peer.Write("wxyz"));
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, 4u);
}

TEST_F(PortTest, CloseHandleReleasesARead) {
    SetTimeouts(0, 0, 0);
    char buffer[4];
    DWORD got = 0;
    BOOL ok = TRUE;
    std::atomic<pid_t> tid{0};
    std::thread reader([&] {
        tid = testsupport::KernelThreadId();
        ok = ReadFile(port, buffer, 4, &got, nullptr);
    });
    EXPECT_TRUE(testsupport::WaitUntilAsleepOnDescriptors(tid));
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    reader.join();
    EXPECT_FALSE(ok);
    HANDLE again = OpenPty(peer);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the device must be free once the read has ended";
    CloseHandle(again);
}

TEST_F(PortTest, EveryCallFailsOnceTheDeviceHasGone) {
    peer.Vanish();
    char buffer[4];
    DWORD n = 0;
    DCB dcb{};
    COMSTAT stat{};
    DWORD value = 0;
    struct Call {
        const char* name;
        std::function<BOOL()> call;
    } calls[] = {
        {"ReadFile", [&] { return ReadFile(port, buffer, 4, &n, nullptr); }},
        {"WriteFile", [&] { return WriteFile(port, "abcd", 4, &n, nullptr); }},
        {"WaitCommEvent", [&] { return WaitCommEvent(port, &value, nullptr); }},
        {"GetCommState", [&] { return GetCommState(port, &dcb); }},
        {"ClearCommError", [&] { return ClearCommError(port, &value, &stat); }},
        {"GetCommModemStatus", [&] { return GetCommModemStatus(port, &value); }},
        {"FlushFileBuffers", [&] { return FlushFileBuffers(port); }},
    };
    SetCommMask(port, EV_RXCHAR);
    Clock::time_point start = Clock::now();
    for (const Call& c : calls) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    }
    EXPECT_LT(Since(start).count(), 500);
    EXPECT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
}

TEST_F(PortTest, PurgeClearDiscardsInput) {
    ASSERT_TRUE(peer.Write("abc"));
    COMSTAT stat{};
    for (int i = 0; i < 100 && stat.cbInQue < 3; ++i) {
        ASSERT_TRUE(ClearCommError(port, nullptr, &stat));
        std::this_thread::sleep_for(Millis(5));
    }
    EXPECT_EQ(stat.cbInQue, 3u);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR));
    ASSERT_TRUE(ClearCommError(port, nullptr, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
    EXPECT_FALSE(PurgeComm(port, 0x10));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PortTest, BytesThePeerHoldsSurvivePurgeAndClose) {
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "\x1b@", 2, &put, nullptr));
    ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    auto got = peer.Read(2, Millis(1000));
    EXPECT_EQ(std::string(got.begin(), got.end()), "\x1b@");
}

TEST_F(PortTest, FlushReturnsOnceOutputHasGone) {
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "abc", 3, &put, nullptr));
    EXPECT_TRUE(FlushFileBuffers(port));
}

// The far end of an in-process line takes bytes as a UART would send them.
TEST_F(PortTest, OutputThePeerHasNotTakenCountsAsQueued) {
    std::atomic<std::uint64_t> taken{7};  // the peer's count from before it was attached
    platform::AttachLinePeer(peer.SlavePath(), [&] { return taken.load(); });
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "abcde", 5, &put, nullptr));
    for (auto [took, queued] : {std::pair<int, DWORD>{0, 5}, {3, 2}, {5, 0}}) {
        taken = 7 + took;
        COMSTAT stat{};
        ASSERT_TRUE(ClearCommError(port, nullptr, &stat));
        EXPECT_EQ(stat.cbOutQue, queued) << took << " taken";
    }
    platform::AttachLinePeer(peer.SlavePath(), nullptr);
}

TEST(SerialCalls, RefuseHandlesThatAreNotPorts) {
    char buffer[4];
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(WriteFile(nullptr, buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
