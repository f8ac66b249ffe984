#include <gtest/gtest.h>

#include <atomic>

#include "platform/win32.h"

namespace {

DWORD NeverRuns(LPVOID) { return 0; }

struct Blocked {
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE neverEnds = CreateThread(nullptr, 0, NeverRuns, nullptr, CREATE_SUSPENDED, nullptr);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HANDLE> self{nullptr};
    std::atomic<bool> blocking{false};
    std::atomic<bool> unwound{false};
    std::atomic<bool> returned{false};
    std::atomic<bool> stopSpinning{false};
    ~Blocked() {
        CloseHandle(never);
        CloseHandle(neverEnds);
        CloseHandle(go);
    }
};

// Sets a flag when the stack is unwound past it.
struct UnwindProbe {
    std::atomic<bool>& flag;
    ~UnwindProbe() { flag = true; }
};

DWORD SleepForever(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    UnwindProbe probe{b->unwound};
    b->blocking = true;
    Sleep(INFINITE);
    b->returned = true;
    return 1;
}

DWORD WaitForever(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    UnwindProbe probe{b->unwound};
    b->blocking = true;
    WaitForSingleObject(b->never, INFINITE);
    b->returned = true;
    return 1;
}

DWORD WaitForAnotherThread(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    UnwindProbe probe{b->unwound};
    b->blocking = true;
    WaitForSingleObject(b->neverEnds, INFINITE);
    b->returned = true;
    return 1;
}

DWORD PeekForever(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    UnwindProbe probe{b->unwound};
    b->blocking = true;
    MSG msg;
    while (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    b->returned = true;
    return 1;
}

DWORD SpinWithoutPlatformCalls(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    b->blocking = true;
    while (!b->stopSpinning.load()) {
    }
    Sleep(0);  // the first platform call after spinning: a pending termination ends it here
    b->returned = true;
    return 1;
}

DWORD TerminateSelf(LPVOID parameter) {
    auto* b = static_cast<Blocked*>(parameter);
    UnwindProbe probe{b->unwound};
    WaitForSingleObject(b->go, INFINITE);
    TerminateThread(b->self.load(), 33);
    b->returned = true;
    return 1;
}

void WaitUntilBlocking(const Blocked& b) {
    for (int i = 0; i < 500 && !b.blocking; ++i) Sleep(10);
    Sleep(20);  // let it get into the wait itself
}

struct TerminateCase {
    const char* name;
    LPTHREAD_START_ROUTINE body;
};

}  // namespace

TEST(TerminateThread, WakesABlockedThreadWhichEndsWithTheGivenCode) {
    const TerminateCase cases[] = {
        {"Sleep(INFINITE)", SleepForever},
        {"WaitForSingleObject(event, INFINITE)", WaitForever},
        {"WaitForSingleObject(thread, INFINITE)", WaitForAnotherThread},
        {"PeekMessageW loop", PeekForever},
    };
    for (const TerminateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Blocked b;
        HANDLE thread = CreateThread(nullptr, 0, c.body, &b, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitUntilBlocking(b);
        ASSERT_TRUE(b.blocking);

        EXPECT_TRUE(TerminateThread(thread, 0xBEEF));
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0)
            << "ended when TerminateThread returns";
        DWORD exitCode = 0;
        EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
        EXPECT_EQ(exitCode, 0xBEEFu);
        EXPECT_TRUE(b.unwound) << "destructors on the thread's stack ran";
        EXPECT_FALSE(b.returned) << "the wait never returned into the body";

        EXPECT_TRUE(TerminateThread(thread, 1)) << "terminating an ended thread succeeds";
        EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
        EXPECT_EQ(exitCode, 0xBEEFu) << "and keeps its exit code";
        CloseHandle(thread);
    }
}

TEST(TerminateThread, ThreadMayTerminateItself) {
    Blocked b;
    HANDLE thread = CreateThread(nullptr, 0, TerminateSelf, &b, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    b.self = thread;
    SetEvent(b.go);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 33u);
    EXPECT_TRUE(b.unwound);
    EXPECT_FALSE(b.returned) << "TerminateThread on itself does not return";
    CloseHandle(thread);
}

TEST(TerminateThread, SpinningThreadFailsAfterTheBoundAndEndsLater) {
    Blocked b;
    HANDLE thread = CreateThread(nullptr, 0, SpinWithoutPlatformCalls, &b, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitUntilBlocking(b);

    EXPECT_FALSE(TerminateThread(thread, 77));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);

    b.stopSpinning = true;
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0)
        << "the mark stays: the thread ends at its next platform call";
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 77u);
    EXPECT_FALSE(b.returned);
    CloseHandle(thread);
}
