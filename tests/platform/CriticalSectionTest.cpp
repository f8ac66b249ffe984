#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32.h"
#include "tests/support/ThreadAsleep.h"

TEST(CriticalSection, OwnerMayEnterAgain) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);

    std::atomic<bool> entered{false};
    std::atomic<pid_t> tid{0};
    std::thread other([&] {
        tid = testsupport::KernelThreadId();
        EnterCriticalSection(&section);
        entered = true;
        LeaveCriticalSection(&section);
    });
    EXPECT_TRUE(testsupport::WaitUntilAsleep(tid));
    EXPECT_FALSE(entered) << "one Leave of two Enters still holds the section";
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(entered);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, ExcludesOtherThreads) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    long counter = 0;  // plain on purpose: only the section protects it
    int inside = 0;
    bool overlapped = false;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&section);
                if (++inside != 1) overlapped = true;
                ++counter;
                --inside;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(counter, 80000);
    EXPECT_FALSE(overlapped);
    DeleteCriticalSection(&section);
}
