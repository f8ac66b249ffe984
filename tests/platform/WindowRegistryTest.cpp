#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/WindowRegistry.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/ThreadAsleep.h"

using testsupport::RecordingWindow;
using namespace std::chrono_literals;

TEST(WindowRegistry, PostFromAnotherThreadArrivesOnTheWindowsThread) {
    RecordingWindow window;
    ASSERT_TRUE(IsWindow(window.Handle()));
    std::thread poster([&] {
        EXPECT_TRUE(PostMessageW(window.Handle(), WM_USER + 700, 3, -4));
        EXPECT_TRUE(PostMessageW(window.Handle(), WM_USER + 701, 0, 0));
    });
    poster.join();
    ASSERT_TRUE(window.WaitForMessages(2, 5s));
    const auto messages = window.Messages();
    EXPECT_EQ(messages[0].message, WM_USER + 700u);
    EXPECT_EQ(messages[0].wParam, 3u);
    EXPECT_EQ(messages[0].lParam, -4);
    EXPECT_FALSE(messages[0].sent);
    EXPECT_EQ(messages[1].message, WM_USER + 701u) << "posts arrive in order";
    for (const auto& m : messages) EXPECT_EQ(m.threadId, window.ThreadId());
    EXPECT_NE(window.ThreadId(), GetCurrentThreadId());
}

TEST(WindowRegistry, SendRunsOnTheWindowsThreadAndReturnsItsResult) {
    RecordingWindow window;
    window.SetHandler(
        [](const RecordingWindow::Message& m) { return static_cast<LRESULT>(m.wParam * 2); });
    EXPECT_EQ(SendMessageW(window.Handle(), BM_GETCHECK, 21, 0), 42);
    const auto messages = window.Messages();
    ASSERT_EQ(messages.size(), 1u) << "a send has been delivered when it returns";
    EXPECT_TRUE(messages[0].sent);
    EXPECT_EQ(messages[0].threadId, window.ThreadId());
}

TEST(WindowRegistry, OnDemandWindowDeliversOnTheCallingThread) {
    RecordingWindow window(RecordingWindow::Delivery::OnDemand);
    std::thread([&] { PostMessageW(window.Handle(), WM_COMMAND, 1, 2); }).join();
    EXPECT_TRUE(window.Messages().empty()) << "nothing is delivered until asked";
    EXPECT_EQ(window.DeliverPending(), 1u);
    EXPECT_EQ(SendMessageW(window.Handle(), WM_NULL, 0, 0), 0)
        << "a send on its own thread runs at once";
    ASSERT_TRUE(window.WaitForMessages(2, 1s));
    for (const auto& m : window.Messages()) EXPECT_EQ(m.threadId, GetCurrentThreadId());
    EXPECT_EQ(window.Count(WM_COMMAND), 1u);
}

TEST(WindowRegistry, UnregisteredAndUnknownHandlesAreInvalid) {
    HWND stale;
    {
        RecordingWindow window;
        stale = window.Handle();
        window.Destroy();
        EXPECT_FALSE(IsWindow(stale));
        EXPECT_FALSE(PostMessageW(stale, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_EQ(SendMessageW(stale, WM_USER, 0, 0), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_TRUE(window.Messages().empty());
    }
    RecordingWindow newer;
    EXPECT_NE(newer.Handle(), stale) << "handles are never reused";
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(0x7777)));
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0));
}

namespace {

// Counts sink calls that run or start once UnregisterWindow has returned.
class WatchedSink : public platform::IWindowSink {
  public:
    bool Post(UINT, WPARAM, LPARAM) override {
        Enter();
        std::this_thread::yield();
        Leave();
        return true;
    }
    LRESULT Send(UINT, WPARAM, LPARAM) override {
        Enter();
        Leave();
        return 1;
    }
    void MarkUnregistered() {
        if (running.load() != 0) ++lateCalls;
        unregistered = true;
    }
    std::atomic<int> running{0};
    std::atomic<int> calls{0};
    std::atomic<int> lateCalls{0};
    std::atomic<bool> unregistered{false};

  private:
    void Enter() {
        ++running;
        ++calls;
        if (unregistered) ++lateCalls;
    }
    void Leave() { --running; }
};

// Unregisters its own window from inside a call, as a dialog handling WM_CLOSE might.
class SelfClosingSink : public platform::IWindowSink {
  public:
    HWND handle = nullptr;
    bool Post(UINT, WPARAM, LPARAM) override { return true; }
    LRESULT Send(UINT, WPARAM, LPARAM) override {
        platform::UnregisterWindow(handle);
        return IsWindow(handle) ? 0 : 1;
    }
};

}  // namespace

TEST(WindowRegistry, NoSinkCallAfterUnregisterReturnsUnderConcurrentPosting) {
    for (int round = 0; round < 20; ++round) {
        WatchedSink sink;
        HWND window = platform::RegisterWindow(&sink);
        std::atomic<bool> stop{false};
        std::vector<std::thread> posters;
        for (int t = 0; t < 3; ++t) {
            posters.emplace_back([&, t] {
                while (!stop) {
                    if (t == 0)
                        SendMessageW(window, WM_USER, 0, 0);
                    else
                        PostMessageW(window, WM_USER, 0, 0);
                }
            });
        }
        while (sink.calls < 50) std::this_thread::yield();
        platform::UnregisterWindow(window);
        sink.MarkUnregistered();
        std::this_thread::sleep_for(1ms);
        stop = true;
        for (std::thread& p : posters) p.join();
        EXPECT_EQ(sink.lateCalls.load(), 0) << "round " << round;
    }
}

TEST(WindowRegistry, SinkMayUnregisterItsOwnWindow) {
    SelfClosingSink sink;
    sink.handle = platform::RegisterWindow(&sink);
    EXPECT_EQ(SendMessageW(sink.handle, WM_CLOSE, 0, 0), 1)
        << "returns instead of waiting for itself";
    EXPECT_FALSE(IsWindow(sink.handle));
    EXPECT_EQ(platform::RegisterWindow(nullptr), nullptr);
}

TEST(WindowRegistry, PostToADestroyedRecordingWindowFailsAndPendingSendsReturn) {
    RecordingWindow window(RecordingWindow::Delivery::OnDemand);
    std::atomic<LRESULT> result{-1};
    std::atomic<pid_t> tid{0};
    std::thread sender([&] {
        tid = testsupport::KernelThreadId();
        result = SendMessageW(window.Handle(), WM_USER, 0, 0);
    });
    // The send waits for the window's thread, which is this one and does not pump.
    EXPECT_TRUE(testsupport::WaitUntilAsleep(tid));
    window.Destroy();
    sender.join();
    EXPECT_EQ(result.load(), 0) << "a send to a window being destroyed returns";
    EXPECT_FALSE(PostMessageW(window.Handle(), WM_USER, 0, 0));
}
