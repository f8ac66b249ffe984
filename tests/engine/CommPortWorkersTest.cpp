#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/CommPort.h"
#include "tests/engine/PeerLink.h"
#include "tests/engine/RecordingPort.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/StderrCapture.h"

namespace {

using enginetest::PeerLink;
using enginetest::RecordingPort;
using enginetest::WaitUntil;

constexpr int kPort = 5;

std::string Pattern(std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
    return text;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Compares long byte strings without printing them whole.
::testing::AssertionResult SameBytes(const std::string& got, const std::string& expected) {
    if (got == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "got " << got.size() << " bytes, expected "
                                         << expected.size() << ", first difference at " << at;
}

std::vector<MSG> TakeThreadMessages() {
    std::vector<MSG> messages;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) messages.push_back(msg);
    return messages;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST(CommPortEventThread, ModeOneRunsOneWorkerThatCallsOnReceiveWithTheBytes) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_EVENT_THREAD | COMM_MODE_OVERLAPPED);
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    EXPECT_EQ(port.Mode(), COMM_MODE_EVENT_THREAD);
    EXPECT_NE(port.EventWorker().m_hThread, nullptr);
    EXPECT_EQ(port.PollWorker().m_hThread, nullptr);
    EXPECT_EQ(port.SendWorker().m_hThread, nullptr);

    peer.Send("status");
    ASSERT_TRUE(WaitUntil([&] { return port.Received().size() == 6; }));
    EXPECT_EQ(AsText(port.Received()), "status");
    for (const auto& call : port.CallsOf("OnReceive"))
        EXPECT_EQ(call.threadId, port.EventWorker().m_dwThreadId);

    EXPECT_EQ(port.Write("command", 7), 7u) << "direct writes return what the port took";
    EXPECT_EQ(peer.Receive(7), "command");
}

TEST(CommPortEventThread, WithoutAnOwnerNothingIsPosted) {
    PeerLink peer(kPort);
    testsupport::RecordingWindow bystander;
    TakeThreadMessages();
    RecordingPort port(COMM_MODE_EVENT_THREAD);
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    peer.Send("x");
    ASSERT_TRUE(WaitUntil([&] { return !port.CallsOf("OnReceive").empty(); }));
    EXPECT_EQ(port.Notify(WM_COMM_CTS, 1, true), 0);
    port.Close(500);
    EXPECT_TRUE(TakeThreadMessages().empty());
    EXPECT_TRUE(bystander.Messages().empty());
}

TEST(CommPortEventThread, NotificationsReachTheOwnerWithThePortNumber) {
    struct Case {
        const char* name;
        bool window;
    };
    for (const Case& c : {Case{"owner window", true}, Case{"owner thread", false}}) {
        SCOPED_TRACE(c.name);
        PeerLink peer(kPort);
        testsupport::RecordingWindow window;
        TakeThreadMessages();
        RecordingPort port(COMM_MODE_EVENT_THREAD);
        if (c.window)
            port.m_hOwnerWnd = window.Handle();
        else
            port.m_dwOwnerThreadId = GetCurrentThreadId();
        ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
        peer.Send("x");
        std::vector<MSG> seen;
        ASSERT_TRUE(WaitUntil([&] {
            if (c.window) {
                seen.clear();
                for (const auto& m : window.Messages())
                    seen.push_back(MSG{nullptr, m.message, m.wParam, m.lParam});
            } else {
                for (const MSG& msg : TakeThreadMessages()) seen.push_back(msg);
            }
            return !seen.empty();
        }));
        EXPECT_EQ(seen.front().message, WM_COMM_RXCHAR);
        EXPECT_EQ(seen.front().wParam, static_cast<WPARAM>(kPort));
        EXPECT_EQ(seen.front().lParam, 0);
    }
}

// Each event bit reaches its hook, which notifies with its own message number.
TEST(CommPortDispatch, EachEventCallsItsHookAndNotifies) {
    struct Case {
        DWORD event;
        const char* hook;
        UINT message;
    };
    const Case cases[] = {
        {EV_TXEMPTY, "OnTxEmpty", WM_COMM_TXEMPTY}, {EV_RXFLAG, "OnRxFlag", WM_COMM_RXFLAG},
        {EV_CTS, "OnCtsChange", WM_COMM_CTS},       {EV_DSR, "OnDsrChange", WM_COMM_DSR},
        {EV_RING, "OnRing", WM_COMM_RING},          {EV_RLSD, "OnCarrierChange", WM_COMM_RLSD},
        {EV_BREAK, "OnBreak", WM_COMM_BREAK},       {EV_ERR, "OnLineError", WM_COMM_ERR},
        {EV_POWER, "OnPowerEvent", WM_COMM_POWER},
    };
    PeerLink peer(kPort);
    RecordingPort port(0);
    port.m_dwOwnerThreadId = GetCurrentThreadId();
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    TakeThreadMessages();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hook);
        const std::size_t before = port.Calls().size();
        port.DispatchEvents(c.event);
        const auto calls = port.Calls();
        ASSERT_EQ(calls.size(), before + 1);
        EXPECT_EQ(calls.back().name, c.hook);
        const auto messages = TakeThreadMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].message, c.message);
        EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(kPort));
    }
}

TEST(CommPortDispatch, HandlesEventsInTheFixedOrder) {
    PeerLink peer(kPort);
    RecordingPort port(0);
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    peer.Send("r");
    ASSERT_TRUE(WaitUntil([&] { return port.GetPendingCount(true) == 1; }));
    port.DispatchEvents(EV_POWER | EV_ERR | EV_BREAK | EV_RLSD | EV_RING | EV_DSR | EV_CTS |
                        EV_RXFLAG | EV_TXEMPTY | EV_RXCHAR);
    std::vector<std::string> order;
    for (const auto& call : port.Calls()) order.push_back(call.name);
    EXPECT_EQ(order, (std::vector<std::string>{"OnReceive", "OnTxEmpty", "OnRxFlag", "OnCtsChange",
                                               "OnDsrChange", "OnRing", "OnCarrierChange",
                                               "OnBreak", "OnLineError", "OnPowerEvent"}));
    EXPECT_EQ(AsText(port.Received()), "r");
}

TEST(CommPortDispatch, ReceiveThresholdHoldsOnReceiveBackUntilEnoughBytesWait) {
    PeerLink peer(kPort);
    RecordingPort port(0);
    port.m_nReceiveThreshold = 10;
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    peer.Send("123456789");
    ASSERT_TRUE(WaitUntil([&] { return port.GetPendingCount(true) == 9; }));
    port.DispatchEvents(EV_RXCHAR);
    EXPECT_TRUE(port.CallsOf("OnReceive").empty());
    peer.Send("0");
    ASSERT_TRUE(WaitUntil([&] { return port.GetPendingCount(true) == 10; }));
    port.DispatchEvents(EV_RXCHAR);
    EXPECT_EQ(port.CallsOf("OnReceive").size(), 1u);
    EXPECT_EQ(AsText(port.Received()), "1234567890");
}

TEST(CommPortQueuedWrite, WriteQueuesAndReturnsZero) {
    RecordingPort port(COMM_MODE_QUEUED_WRITE);
    EXPECT_EQ(port.Write("0123456789", 10), 0u);
    EXPECT_EQ(port.SendQueueCount(), 10u);
    EXPECT_EQ(port.Write("x", 0), 0u);
    EXPECT_EQ(port.SendQueueCount(), 10u);
}

TEST(CommPortQueuedWrite, TheEventThreadSendsInBitesOfAtMost1024InOrder) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_WRITE);
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    const std::string text = Pattern(3000);
    EXPECT_EQ(port.Write(text.data(), 3000), 0u);
    EXPECT_TRUE(SameBytes(peer.Receive(3000), text));
    // The hook that follows the last bite sees the queue empty.
    ASSERT_TRUE(WaitUntil([&] {
        const auto calls = port.CallsOf("OnTxEmpty");
        return !calls.empty() && calls.back().sendQueueCount == 0;
    }));
    // The release sends the first bite; each EV_TXEMPTY then sends one more before its hook runs.
    std::vector<DWORD> seen;
    for (const auto& call : port.CallsOf("OnTxEmpty"))
        if (seen.empty() || seen.back() != call.sendQueueCount) seen.push_back(call.sendQueueCount);
    EXPECT_EQ(seen, (std::vector<DWORD>{3000 - 2048, 0}));
}

// A Write whose release comes while the event thread is busy in a hook must still go out.
class SlowReceivePort : public RecordingPort {
  public:
    SlowReceivePort() : RecordingPort(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_WRITE) {}
    ~SlowReceivePort() override { Close(500); }
    // Stays in the hook until the test has written.
    int OnReceive() override {
        m_inHook = true;
        WaitUntil([&] { return m_written.load(); });
        return RecordingPort::OnReceive();
    }
    std::atomic<bool> m_inHook{false};
    std::atomic<bool> m_written{false};
};

TEST(CommPortQueuedWrite, AWriteDuringAHookIsNotLeftInTheQueue) {
    PeerLink peer(kPort);
    SlowReceivePort port;
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    peer.Send("?");
    ASSERT_TRUE(WaitUntil([&] { return port.m_inHook.load(); }));
    port.Write("reply", 5);
    port.m_written = true;
    EXPECT_EQ(peer.Receive(5, 3000), "reply");
}

TEST(CommPortQueuedWrite, TheSendThreadDeliversWithinOnePass) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_SEND_THREAD | COMM_MODE_QUEUED_WRITE);
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    EXPECT_EQ(port.EventWorker().m_hThread, nullptr);
    ASSERT_NE(port.SendWorker().m_hThread, nullptr);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string text = Pattern(1500 + round);
        const auto start = std::chrono::steady_clock::now();
        port.Write(text.data(), static_cast<DWORD>(text.size()));
        EXPECT_TRUE(SameBytes(peer.Receive(text.size(), 2000), text));
        EXPECT_LT(MillisecondsSince(start), 1000) << "one 200 ms pass and a wide margin";
    }
}

TEST(CommPortQueuedRead, BytesGoThroughTheReceiveQueue) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_READ);
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    std::uint8_t none[4];
    EXPECT_EQ(port.Read(none, 4), 0u) << "an empty queue does not wait";
    const std::string text = Pattern(5000);
    peer.Send(text);
    ASSERT_TRUE(WaitUntil([&] { return port.Received().size() >= text.size(); }, 5000));
    EXPECT_TRUE(SameBytes(AsText(port.Received()), text));
    EXPECT_EQ(port.GetPendingCount(true), 0u);
}

TEST(CommPortPollThread, ThePollThreadReadsAndTheEventThreadLeavesReceivingToIt) {
    struct Case {
        const char* name;
        DWORD mode;
    };
    const Case cases[] = {
        {"poll only", COMM_MODE_POLL_THREAD},
        {"poll beside events", COMM_MODE_POLL_THREAD | COMM_MODE_EVENT_THREAD},
        {"poll into the queue", COMM_MODE_POLL_THREAD | COMM_MODE_QUEUED_READ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PeerLink peer(kPort);
        RecordingPort port(c.mode);
        ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
        ASSERT_NE(port.PollWorker().m_hThread, nullptr);
        const std::string text = Pattern(300);
        peer.Send(text);
        ASSERT_TRUE(WaitUntil([&] { return port.Received().size() >= text.size(); }));
        EXPECT_TRUE(SameBytes(AsText(port.Received()), text));
        for (const auto& call : port.CallsOf("OnReceive"))
            EXPECT_EQ(call.threadId, port.PollWorker().m_dwThreadId);
    }
}

// No mode starts the combined loop; a derived class runs it in place of the event thread.
class ServiceLoopPort : public RecordingPort {
  public:
    ServiceLoopPort()
        : RecordingPort(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_READ | COMM_MODE_QUEUED_WRITE) {}
    ~ServiceLoopPort() override { Close(500); }
    DWORD EventThread() override { return ServiceLoop(); }
};

TEST(CommPortServiceLoop, PollsForInputAndSendsQueuedBytes) {
    PeerLink peer(kPort);
    ServiceLoopPort port;
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    const std::string text = Pattern(2500);
    peer.Send(text);
    ASSERT_TRUE(WaitUntil([&] { return port.Received().size() >= text.size(); }));
    EXPECT_TRUE(SameBytes(AsText(port.Received()), text));

    const std::string reply = Pattern(3000);
    port.Write(reply.data(), static_cast<DWORD>(reply.size()));
    EXPECT_TRUE(SameBytes(peer.Receive(reply.size(), 3000), reply));
    const auto start = std::chrono::steady_clock::now();
    port.Close(500);
    EXPECT_LT(MillisecondsSince(start), 3000);
}

TEST(CommPortStop, SuspendedWorkersNeverRunAndAreTerminatedAfterTheWait) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_SUSPENDED | COMM_MODE_EVENT_THREAD | COMM_MODE_POLL_THREAD |
                       COMM_MODE_SEND_THREAD);
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    ASSERT_NE(port.EventWorker().m_hThread, nullptr);
    ASSERT_NE(port.PollWorker().m_hThread, nullptr);
    ASSERT_NE(port.SendWorker().m_hThread, nullptr);
    peer.Send("ignored");
    Sleep(150);
    EXPECT_TRUE(port.Calls().empty());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(port.StopThreads(100));
    EXPECT_LT(MillisecondsSince(start), 3000);
    EXPECT_EQ(port.EventWorker().m_hThread, nullptr);
    EXPECT_EQ(port.PollWorker().m_hThread, nullptr);
    EXPECT_EQ(port.SendWorker().m_hThread, nullptr);
}

// A worker is terminated wherever it stands, also inside a read into the receive queue; the
// queue's lock must not stay with it, or the owner's next Read waits for ever.
TEST(CommPortStop, AWorkerTerminatedInAQueuedReadLeavesTheQueueUnlocked) {
    PeerLink peer(kPort);
    // Left alive if the reader below never returns: it would still be using the port.
    auto* port = new RecordingPort(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_READ, false);
    ASSERT_TRUE(port->Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    COMMTIMEOUTS none{};  // no time-outs: the event thread's read waits for all it asked for
    ASSERT_TRUE(port->SetTimeouts(&none));
    peer.Send("x");
    Sleep(200);  // the event thread is now in its read, under the receive queue's lock
    const auto start = std::chrono::steady_clock::now();
    port->Close(500);
    EXPECT_LT(MillisecondsSince(start), 3000);

    auto returned = std::make_shared<std::promise<void>>();
    std::future<void> done = returned->get_future();
    std::thread reader([port, returned] {
        BYTE buffer[8];
        port->Read(buffer, sizeof buffer);
        returned->set_value();
    });
    if (done.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
        reader.detach();
        FAIL() << "Read is still waiting for the receive queue's lock";
    }
    reader.join();
    delete port;
}

TEST(CommPortStop, DrainOnCloseSendsEveryQueuedByteBeforeStopping) {
    PeerLink peer(kPort);
    RecordingPort port(COMM_MODE_EVENT_THREAD | COMM_MODE_QUEUED_WRITE | COMM_MODE_DRAIN_ON_CLOSE);
    ASSERT_TRUE(port.Open(kPort, 115200, NOPARITY, 8, ONESTOPBIT));
    const std::string text = Pattern(6000);
    // Each bite after the first waits for the line to drain, so the peer reads meanwhile.
    std::string received;
    std::thread reader([&] { received = peer.Receive(text.size(), 5000); });
    port.Write(text.data(), static_cast<DWORD>(text.size()));
    port.Close(5000);  // returns once drained; the time is for a slow machine (qemu-user)
    EXPECT_EQ(port.SendQueueCount(), 0u);
    reader.join();
    EXPECT_TRUE(SameBytes(received, text));
}

TEST(CommPortStop, DrainOnCloseGivesUpWhenNothingSends) {
    PeerLink peer(kPort);
    // No worker sends in this mode, so the queue never shrinks.
    RecordingPort port(COMM_MODE_POLL_THREAD | COMM_MODE_QUEUED_WRITE | COMM_MODE_DRAIN_ON_CLOSE);
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    port.Write("stuck", 5);
    const auto start = std::chrono::steady_clock::now();
    port.Close(200);
    EXPECT_LT(MillisecondsSince(start), 3000);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.SendQueueCount(), 5u) << "closing keeps the queues";
}

TEST(CommPortStop, StartAndStopReportWhetherThereWasAnythingToDo) {
    PeerLink peer(kPort);
    RecordingPort port(0);
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    EXPECT_FALSE(port.Running());
    EXPECT_TRUE(port.StartThreads(0)) << "nothing requested, nothing failed";
    EXPECT_TRUE(port.Running());
    EXPECT_FALSE(port.StopThreads(100)) << "no thread to stop";
    EXPECT_TRUE(port.Running()) << "a refused stop leaves the flag alone";

    EXPECT_TRUE(port.StartThreads(COMM_MODE_EVENT_THREAD));
    EXPECT_EQ(port.Mode(), COMM_MODE_EVENT_THREAD);
    const HANDLE thread = port.EventWorker().m_hThread;
    ASSERT_NE(thread, nullptr);
    EXPECT_FALSE(port.StartThreads(COMM_MODE_POLL_THREAD)) << "threads exist already";
    EXPECT_EQ(port.EventWorker().m_hThread, thread);
    EXPECT_EQ(port.PollWorker().m_hThread, nullptr);
    EXPECT_TRUE(port.StopThreads(500));
    EXPECT_FALSE(port.Running());
    EXPECT_EQ(port.EventWorker().m_hThread, nullptr);
    EXPECT_FALSE(port.StopThreads(500));
}

// A receive hook that blocks outside any platform call until the test releases it, so neither
// the stop nor the forced termination can end the worker.
class StuckReceivePort : public RecordingPort {
  public:
    StuckReceivePort() : RecordingPort(COMM_MODE_EVENT_THREAD) {}
    ~StuckReceivePort() override { Close(500); }
    int OnReceive() override {
        {
            std::unique_lock<std::mutex> hold(m_lock);
            m_stuck = true;
            m_release.wait(hold, [this] { return m_released; });
        }
        return RecordingPort::OnReceive();
    }
    bool Stuck() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_stuck;
    }
    void Release() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_released = true;
        m_release.notify_all();
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_release;
    bool m_stuck = false;
    bool m_released = false;
};

TEST(CommPortStop, AWorkerThatCannotBeEndedIsWaitedOutAndTheNextOpenWorks) {
    PeerLink peer(kPort);
    testsupport::StderrCapture capture;
    auto port = std::make_unique<StuckReceivePort>();
    ASSERT_TRUE(port->Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    peer.Send("x");
    ASSERT_TRUE(WaitUntil([&] { return port->Stuck(); }));

    std::atomic<bool> returned{false};
    bool stopped = true;
    const auto start = std::chrono::steady_clock::now();
    long long stopMs = 0;
    std::thread owner([&] {
        stopped = port->StopThreads(100);
        port->Close(100);
        stopMs = MillisecondsSince(start);
        returned = true;
    });
    std::string said;
    ASSERT_TRUE(WaitUntil(
        [&] {
            said += capture.ReadAvailable();
            return said.find("COM5: worker thread") != std::string::npos;
        },
        10000));
    EXPECT_FALSE(returned.load()) << "returned while the worker still ran inside the port";
    port->Release();
    owner.join();
    std::printf("stop with a stuck worker, released when announced: %lld ms\n", stopMs);
    EXPECT_FALSE(stopped) << "the stop had to force";
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->EventWorker().m_hThread, nullptr);

    ASSERT_TRUE(port->Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    peer.Send("y");
    EXPECT_TRUE(WaitUntil([&] {
        const auto got = port->Received();
        return !got.empty() && got.back() == 'y';
    }));
    port.reset();  // a worker still inside would now use freed memory
}

// A derived class replaces a thread body; the engine must reach it through the virtual table.
class CustomPollPort : public RecordingPort {
  public:
    CustomPollPort() : RecordingPort(COMM_MODE_POLL_THREAD) {}
    ~CustomPollPort() override { Close(500); }
    DWORD PollThread() override {
        m_ran = true;
        while (Running()) Sleep(5);
        return 0;
    }
    std::atomic<bool> m_ran{false};
};

TEST(CommPortStop, ThreadBodiesAreReachedThroughTheVirtualTable) {
    PeerLink peer(kPort);
    CustomPollPort port;
    ASSERT_TRUE(port.Open(kPort, 9600, NOPARITY, 8, ONESTOPBIT));
    EXPECT_TRUE(WaitUntil([&] { return port.m_ran.load(); }));
    port.Close(500);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
