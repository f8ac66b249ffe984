#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <thread>

#include "tests/platform/PortFixture.h"
#include "tests/support/ThreadAsleep.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kEngineMask = 0x21FD;

Millis ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return Millis(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

// Runs WaitCommEvent on another thread, as the engine's event thread does.
struct Waiter {
    explicit Waiter(HANDLE port) {
        thread = std::thread([this, port] {
            Millis cpu = ThreadCpu();
            tid = testsupport::KernelThreadId();
            ok = WaitCommEvent(port, &events, nullptr);
            error = GetLastError();
            cpuMs = (ThreadCpu() - cpu).count();
            done = Clock::now();
        });
    }
    void Join() { thread.join(); }
    // True once the thread sleeps in its wait.
    bool Asleep() const { return testsupport::WaitUntilAsleepOnDescriptors(tid); }
    BOOL ok = FALSE;
    DWORD events = 0xDEAD;
    DWORD error = 0;
    long cpuMs = 0;
    std::atomic<pid_t> tid{0};
    Clock::time_point done;
    std::thread thread;  // last, so the results exist before it starts
};

TEST_F(PortTest, ReportsInputWaitingOnlyWhenAsked) {
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_CTS));
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(port, &mask));
    EXPECT_EQ(mask, EV_RXCHAR | EV_CTS);
    Waiter waiter(port);
    EXPECT_TRUE(waiter.Asleep());
    ASSERT_TRUE(peer.Write("\x2F"));
    waiter.Join();
    EXPECT_TRUE(waiter.ok);
    EXPECT_EQ(waiter.events, EV_RXCHAR);
}

TEST_F(PortTest, InputIsNotAnEventOutsideTheMask) {
    ASSERT_TRUE(SetCommMask(port, EV_CTS | EV_DSR));
    ASSERT_TRUE(peer.Write("abc"));
    Waiter waiter(port);
    std::this_thread::sleep_for(Millis(200));
    Clock::time_point released = Clock::now();
    ASSERT_TRUE(SetCommMask(port, kEngineMask));
    waiter.Join();
    EXPECT_TRUE(waiter.ok);
    EXPECT_EQ(waiter.events, 0u);
    EXPECT_GE(waiter.done, released);
    EXPECT_LT(waiter.cpuMs, 100) << "waiting must not spin on input it does not report";
}

TEST_F(PortTest, SetCommMaskReleasesAnIdleWaitWithoutBurningCpu) {
    ASSERT_TRUE(SetCommMask(port, kEngineMask));
    Waiter waiter(port);
    std::this_thread::sleep_for(Millis(1000));
    Clock::time_point released = Clock::now();
    ASSERT_TRUE(SetCommMask(port, 0));
    waiter.Join();
    EXPECT_TRUE(waiter.ok);
    EXPECT_EQ(waiter.events, 0u);
    EXPECT_GE(waiter.done, released);
    EXPECT_LT(Since(released).count(), 500);
    EXPECT_LT(waiter.cpuMs, 50);
    std::printf("[ figures ] CPU of a 1 s idle WaitCommEvent: %ld ms\n", waiter.cpuMs);
}

TEST_F(PortTest, TxEmptyOnceAfterAWrite) {
    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY));
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "abc", 3, &put, nullptr));
    DWORD events = 0;
    ASSERT_TRUE(WaitCommEvent(port, &events, nullptr));
    EXPECT_EQ(events, EV_TXEMPTY);

    Waiter waiter(port);  // nothing written since: no second report
    EXPECT_TRUE(waiter.Asleep());
    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY));
    waiter.Join();
    EXPECT_EQ(waiter.events, 0u);
}

TEST_F(PortTest, TxEmptyWakesAPendingWait) {
    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY | EV_CTS));
    Waiter waiter(port);
    EXPECT_TRUE(waiter.Asleep());
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "abc", 3, &put, nullptr));
    waiter.Join();
    EXPECT_TRUE(waiter.ok);
    EXPECT_EQ(waiter.events, EV_TXEMPTY);
}

TEST_F(PortTest, EmptyMaskIsRefusedAtOnce) {
    ASSERT_TRUE(SetCommMask(port, 0));
    DWORD events = 7;
    EXPECT_FALSE(WaitCommEvent(port, &events, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(events, 0u);
    EXPECT_FALSE(SetCommMask(port, 0x10000));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PortTest, PeerVanishingEndsAWaitAndEveryLaterOne) {
    ASSERT_TRUE(SetCommMask(port, kEngineMask));
    Waiter waiter(port);
    EXPECT_TRUE(waiter.Asleep());
    Clock::time_point vanished = Clock::now();
    peer.Vanish();
    waiter.Join();
    EXPECT_FALSE(waiter.ok);
    EXPECT_EQ(waiter.error, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_LT(std::chrono::duration_cast<Millis>(waiter.done - vanished).count(), 500);
    DWORD events = 0;
    Clock::time_point again = Clock::now();
    EXPECT_FALSE(WaitCommEvent(port, &events, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_LT(Since(again).count(), 100);
    EXPECT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
}

TEST_F(PortTest, CloseHandleEndsAWait) {
    ASSERT_TRUE(SetCommMask(port, kEngineMask));
    Waiter waiter(port);
    EXPECT_TRUE(waiter.Asleep());
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    waiter.Join();
    EXPECT_FALSE(waiter.ok);
    EXPECT_EQ(waiter.error, ERROR_OPERATION_ABORTED);
}

TEST_F(PortTest, PseudoTerminalHasNoModemLinesOrLineErrors) {
    DWORD lines = 0xFF;
    EXPECT_TRUE(GetCommModemStatus(port, &lines));
    EXPECT_EQ(lines, 0u);
    EXPECT_TRUE(ClearCommBreak(port));
    DWORD errors = 0xFF;
    COMSTAT stat{};
    EXPECT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(stat.cbOutQue, 0u);
    EXPECT_TRUE(SetupComm(port, 256, 262144));
}

}  // namespace
