#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/win32.h"
#include "tests/support/WaitUntil.h"

namespace {

DWORD ReturnParameter(LPVOID parameter) {
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

struct Gate {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> ran{false};
    std::atomic<DWORD> seenId{0};
    std::atomic<int> nice{-100};
    ~Gate() { CloseHandle(release); }
};

DWORD WaitForGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->ran = true;
    gate->seenId = GetCurrentThreadId();
    WaitForSingleObject(gate->release, INFINITE);
    gate->nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return 7;
}

DWORD MarkRan(LPVOID parameter) {
    static_cast<Gate*>(parameter)->ran = true;
    return 1;
}

}  // namespace

TEST(Thread, ExitCodeIsTheBodysResult) {
    for (DWORD code : {DWORD{0}, DWORD{1}, DWORD{42}, DWORD{0xFFFFFFFEu}}) {
        SCOPED_TRACE(code);
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, 0, ReturnParameter,
                                     reinterpret_cast<LPVOID>(std::uintptr_t{code}), 0, &id);
        ASSERT_NE(thread, nullptr);
        EXPECT_NE(id, 0u);
        EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0)
            << "an ended thread stays signalled";
        DWORD exitCode = 0;
        EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
        EXPECT_EQ(exitCode, code);
        EXPECT_TRUE(CloseHandle(thread));
    }
}

TEST(Thread, StillActiveWhileRunningAndIdsAreItsOwn) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 64 * 1024, WaitForGate, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);

    SetEvent(gate.release);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gate.seenId.load(), id) << "the body sees the id CreateThread handed out";
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 7u);
    CloseHandle(thread);
}

TEST(Thread, IdsAreUniqueNonzeroAndStable) {
    std::set<DWORD> ids;
    const DWORD self = GetCurrentThreadId();
    EXPECT_NE(self, 0u);
    EXPECT_EQ(GetCurrentThreadId(), self);
    ids.insert(self);
    for (int i = 0; i < 8; ++i) {
        DWORD id = 0;
        std::thread([&] { id = GetCurrentThreadId(); }).join();
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " handed out twice";
        HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, &id);
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " handed out twice";
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    EXPECT_EQ(ids.count(0), 0u);
}

TEST(Thread, SuspendedThreadNeverRunsAndTerminatesAtOnce) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, MarkRan, &gate, CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(thread, 100), WAIT_TIMEOUT);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL));

    EXPECT_TRUE(TerminateThread(thread, 5));
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 5u);
    EXPECT_FALSE(gate.ran) << "the body of a suspended thread never runs";
    EXPECT_FALSE(PostThreadMessageW(id, WM_USER, 0, 0)) << "its queue went with it";
    CloseHandle(thread);
}

TEST(Thread, ClosingTheHandleLeavesTheThreadRunning) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, WaitForGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(GetExitCodeThread(thread, nullptr));
    SetEvent(gate.release);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return gate.nice != -100; }))
        << "the thread ran on to its end";
}

TEST(Thread, PriorityIsCheckedAndApplied) {
    Gate gate;
    HANDLE thread = CreateThread(nullptr, 0, WaitForGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL))
        << "lack of privilege to raise a thread is not a failure";
    EXPECT_TRUE(SetThreadPriority(thread, -5));
    EXPECT_FALSE(SetThreadPriority(thread, 99));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetEvent(gate.release);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_GE(gate.nice.load(), 5) << "a lower priority is always allowed";
    CloseHandle(thread);
    EXPECT_FALSE(SetThreadPriority(thread, THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Thread, BadArgumentsFail) {
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, 0x80000000u, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD exitCode = 0;
    EXPECT_FALSE(GetExitCodeThread(event, &exitCode)) << "an event is not a thread";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(TerminateThread(event, 0));
    CloseHandle(event);
}
