#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <ostream>
#include <thread>

#include "platform/internal/ThreadWake.h"
#include "tests/platform/PortFixture.h"
#include "tests/support/ThreadAsleep.h"

namespace {

using Clock = std::chrono::steady_clock;

// A thread marked for termination must leave a blocking serial call, which must not return.
struct BlockingCase {
    const char* name;
    BOOL (*call)(HANDLE);
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const BlockingCase& c, std::ostream* os) { *os << c.name; }

class TerminatedThread : public PortTest, public ::testing::WithParamInterface<BlockingCase> {};

TEST_P(TerminatedThread, LeavesTheBlockingCall) {
    SetTimeouts(0, 0, 0);
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    platform::detail::ThreadControl control;
    control.wakeFd = eventfd(0, EFD_CLOEXEC);
    ASSERT_GE(control.wakeFd, 0);
    bool returned = false;
    std::atomic<pid_t> tid{0};
    std::thread worker([&] {
        platform::detail::BindCurrentThread(&control);
        tid = testsupport::KernelThreadId();
        GetParam().call(port);
        returned = true;
    });
    EXPECT_TRUE(testsupport::WaitUntilAsleepOnDescriptors(tid));
    Clock::time_point marked = Clock::now();
    control.terminated.store(true, std::memory_order_release);
    std::uint64_t one = 1;
    ASSERT_EQ(write(control.wakeFd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    worker.join();
    EXPECT_FALSE(returned);
    EXPECT_LT(Since(marked).count(), 500);
    close(control.wakeFd);
}

INSTANTIATE_TEST_SUITE_P(Calls, TerminatedThread,
                         ::testing::Values(BlockingCase{"ReadFile",
                                                        [](HANDLE port) {
                                                            char buffer[4];
                                                            DWORD got = 0;
                                                            return ReadFile(port, buffer, 4, &got,
                                                                            nullptr);
                                                        }},
                                           BlockingCase{"WaitCommEvent",
                                                        [](HANDLE port) {
                                                            DWORD events = 0;
                                                            return WaitCommEvent(port, &events,
                                                                                 nullptr);
                                                        }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
