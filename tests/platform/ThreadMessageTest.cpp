#include <gtest/gtest.h>

#include <thread>

#include "platform/win32.h"

namespace {

// Empties the calling thread's queue, so tests on the same thread do not see each other.
void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

DWORD PeekOneAndReturnIt(LPVOID) {
    MSG msg;
    for (int i = 0; i < 500; ++i) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return msg.message;
        Sleep(10);
    }
    return 0;
}

}  // namespace

TEST(ThreadMessages, PeekTakesOrLooksInOrderWithinTheFilter) {
    Drain();
    const DWORD self = GetCurrentThreadId();
    ASSERT_TRUE(PostThreadMessageW(self, WM_USER + 1, 10, 11));
    ASSERT_TRUE(PostThreadMessageW(self, WM_USER + 5, 50, 51));
    ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 2, 20, 21)) << "a null window posts to this thread";

    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 5u) << "the oldest message within the range";
    EXPECT_EQ(msg.wParam, 50u);
    EXPECT_EQ(msg.lParam, 51);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(ThreadMessages, FilterWithMinimumAboveMaximumTakesWhatLiesOutside) {
    Drain();
    const DWORD self = GetCurrentThreadId();
    for (UINT m : {WM_USER + 3, WM_USER + 1, WM_USER + 9}) PostThreadMessageW(self, m, 0, 0);
    MSG msg{};
    // Outside the gap (WM_USER + 2, WM_USER + 8): the +3 is skipped.
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 8, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 8, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 9u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 8, WM_USER + 2, PM_REMOVE));
    Drain();
}

TEST(ThreadMessages, ReachAThreadMadeByCreateThread) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, PeekOneAndReturnIt, nullptr, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(PostThreadMessageW(id, WM_USER + 9, 0, 0));
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    EXPECT_EQ(exitCode, WM_USER + 9u);
    CloseHandle(thread);
    EXPECT_FALSE(PostThreadMessageW(id, WM_USER, 0, 0)) << "an ended thread has no queue";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

TEST(ThreadMessages, UnknownAndEndedThreadsAreRefused) {
    EXPECT_FALSE(PostThreadMessageW(0, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    EXPECT_FALSE(PostThreadMessageW(0xFFFFFFF0u, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);

    DWORD foreign = 0;
    std::thread([&] { foreign = GetCurrentThreadId(); }).join();
    EXPECT_FALSE(PostThreadMessageW(foreign, WM_USER, 0, 0))
        << "a thread not made by CreateThread loses its queue when it ends";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

TEST(ThreadMessages, QueueIsBounded) {
    std::thread([] {
        const DWORD self = GetCurrentThreadId();
        int posted = 0;
        while (posted < 20000 && PostThreadMessageW(self, WM_USER, posted, 0)) ++posted;
        EXPECT_EQ(posted, 10000);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
        MSG msg;
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 0u);
        EXPECT_TRUE(PostThreadMessageW(self, WM_USER, 0, 0)) << "room again after one is taken";
    }).join();
}

TEST(ThreadMessages, PeekRefusesWindowsAndNullOutput) {
    MSG msg;
    EXPECT_FALSE(PeekMessageW(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(0x4444), 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}
