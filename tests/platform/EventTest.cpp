#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "tests/support/ThreadAsleep.h"

namespace {

struct EventCase {
    const char* name;
    BOOL manualReset;
    BOOL initialState;
    // Results of three waits in a row with no SetEvent in between.
    DWORD first, second, third;
};

}  // namespace

TEST(Event, WaitsFollowResetKind) {
    const EventCase cases[] = {
        {"manual, set", TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {"manual, clear", TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {"auto, set", FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {"auto, clear", FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE event = CreateEventW(nullptr, c.manualReset, c.initialState, nullptr);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.first);
        EXPECT_EQ(WaitForSingleObject(event, 10), c.second);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.third);
        EXPECT_TRUE(CloseHandle(event));
    }
}

TEST(Event, SetAndResetChangeTheState) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(manual && automatic);

    EXPECT_TRUE(SetEvent(manual));
    EXPECT_TRUE(SetEvent(manual)) << "setting twice is harmless";
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_TRUE(SetEvent(automatic)) << "an auto-reset event does not count";
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_TRUE(ResetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST(Event, SetFromAnotherThreadEndsAnInfiniteWait) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    std::atomic<pid_t> self{testsupport::KernelThreadId()};
    std::thread setter([event, &self] {
        EXPECT_TRUE(testsupport::WaitUntilAsleep(self));
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
    CloseHandle(event);
}

TEST(Event, TimeoutIsHonoured) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100))
        << "the wait never ends early";
    CloseHandle(event);
}

TEST(Event, ManualResetReleasesEveryWaiterAutoResetExactlyOne) {
    for (BOOL manual : {TRUE, FALSE}) {
        SCOPED_TRACE(manual ? "manual" : "auto");
        HANDLE event = CreateEventW(nullptr, manual, FALSE, nullptr);
        std::atomic<int> released{0};
        std::atomic<pid_t> tids[4] = {};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 4; ++i) {
            waiters.emplace_back([&, i] {
                tids[i] = testsupport::KernelThreadId();
                if (WaitForSingleObject(event, 1000) == WAIT_OBJECT_0) ++released;
            });
        }
        for (const auto& tid : tids) EXPECT_TRUE(testsupport::WaitUntilAsleep(tid));
        SetEvent(event);
        for (std::thread& t : waiters) t.join();
        EXPECT_EQ(released.load(), manual ? 4 : 1);
        CloseHandle(event);
    }
}

TEST(Event, BadHandlesAndNamesFail) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x12345)));
    EXPECT_FALSE(ResetEvent(INVALID_HANDLE_VALUE));

    HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED) << "a closed handle is stale";
    EXPECT_FALSE(SetEvent(closed));

    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, L"shared"), nullptr)
        << "a named event would silently not be shared";
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}
