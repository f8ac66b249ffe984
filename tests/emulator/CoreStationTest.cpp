// The printer station both programs hold: receipts saved and told to every view as typed events,
// with the bytes that made each, and the drawer, buzzer, conditions and connections as events.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "emulator/TurnLock.h"
#include "emulator/station/PrinterStation.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/HostEnd.h"
#include "tests/support/TempDir.h"
#include "tests/support/ThreadAsleep.h"
#include "tests/support/WaitUntil.h"

namespace {

using emutest::Bytes;
using emutest::H;
using emutest::HostEnd;
using emutest::T;
using emutest::operator+;
using testsupport::WaitUntil;

const Bytes kFullCut = H("1D 56 00");

// Every event a view is told, in order.
struct RecordingView : emu::StationView {
    void OnStationEvent(const emu::StationEvent& event) override {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back(event);
    }
    template <typename Event>
    std::vector<Event> All() const {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<Event> found;
        for (const emu::StationEvent& e : events)
            if (const auto* p = std::get_if<Event>(&e)) found.push_back(*p);
        return found;
    }
    mutable std::mutex lock;
    std::vector<emu::StationEvent> events;
};

struct StationTest : testing::Test {
    void Start(bool pty, bool tcp) {
        std::string error;
        ASSERT_TRUE(station.PrepareReceipts(dir / "receipts", &error)) << error;
        ASSERT_TRUE(!pty || station.OpenPty(&error)) << error;
        ASSERT_TRUE(!tcp || station.Listen({"127.0.0.1", 0}, &error)) << error;
        station.Subscribe(&view);
        ASSERT_TRUE(station.Start(&error)) << error;
    }
    void TearDown() override {
        station.Stop();
        station.Unsubscribe(&view);
    }
    std::uint16_t Port() { return station.GetLink().Listener().Port(); }

    testsupport::TempDir dir;
    emu::PrinterStation station;
    RecordingView view;
};

TEST_F(StationTest, EachCutIsSavedWithItsOwnBytesAndToldToTheViews) {
    Start(true, false);
    RecordingView second;
    station.Subscribe(&second);
    HostEnd host(station.GetLink().DevicePath());
    const Bytes first = T("one\n") + kFullCut;
    const Bytes next = T("two\n") + kFullCut;
    ASSERT_TRUE(host.Write(first + next + T("left\n")));  // one chunk, two receipts in it
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::ReceiptFinished>().size() == 2; }));
    station.Flush();
    station.Unsubscribe(&second);

    const std::vector<emu::Receipt> receipts = station.Receipts();
    ASSERT_EQ(receipts.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(receipts[k].number, static_cast<int>(k) + 1);
        EXPECT_EQ(receipts[k].png,
                  (dir / "receipts" / (k ? "receipt-002.png" : "receipt-001.png")).string());
        EXPECT_TRUE(std::filesystem::exists(receipts[k].png));
        EXPECT_EQ(receipts[k].source, "pty");
        // The views have the picture; the list does not hold every receipt's dots for the run.
        EXPECT_TRUE(view.All<emu::ReceiptFinished>()[k].receipt.image);
        EXPECT_FALSE(receipts[k].image);
    }
    EXPECT_EQ(receipts[0].bytes, first.size());
    EXPECT_EQ(receipts[1].bytes, next.size());
    EXPECT_EQ(receipts[1].bin, (dir / "receipts" / "receipt-002.bin").string());
    EXPECT_EQ(std::filesystem::file_size(receipts[1].bin), next.size());
    const std::vector<std::string> trace = station.ReceiptTrace(2);
    ASSERT_EQ(trace.size(), 3u);  // text, LF, cut: the second receipt's own commands only
    EXPECT_NE(trace[0].find("\"two\""), std::string::npos) << trace[0];
    EXPECT_NE(trace[2].find("GS V"), std::string::npos) << trace[2];
    EXPECT_EQ(second.All<emu::ReceiptFinished>().size(), 2u) << "every view hears of it";
    ASSERT_TRUE(station.FindReceipt(2));
    EXPECT_FALSE(station.FindReceipt(3));

    // The paper left over is a receipt when the station stops, and only then.
    station.Stop();
    EXPECT_EQ(station.Receipts().size(), 3u);
    EXPECT_EQ(second.All<emu::ReceiptFinished>().size(), 2u) << "not told after unsubscribing";
}

TEST_F(StationTest, DrawerBuzzerAndConditionsAreTypedEvents) {
    Start(true, false);
    HostEnd host(station.GetLink().DevicePath());
    ASSERT_TRUE(host.Write(H("1B 70 00 32 64") + H("1B 42 03 02") + H("07")));
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::BuzzerSounded>().size() == 2; }));
    const std::vector<emu::DrawerKicked> kicks = view.All<emu::DrawerKicked>();
    ASSERT_EQ(kicks.size(), 1u);
    EXPECT_EQ(kicks[0].kick.drawer, 1);
    EXPECT_EQ(kicks[0].kick.pulseMs, 100u);
    EXPECT_EQ(kicks[0].kick.offMs, 200u);
    EXPECT_EQ(kicks[0].source, "pty");
    const std::vector<emu::BuzzerSounded> beeps = view.All<emu::BuzzerSounded>();
    EXPECT_EQ(beeps[0].buzzer.beeps, 3u);
    EXPECT_EQ(beeps[0].buzzer.beepMs, 100u);

    station.SetCondition(emu::Condition::PaperOut, true);
    station.SetCondition(emu::Condition::PaperOut, true);  // no change: no event
    station.Flush();
    const std::vector<emu::ConditionChanged> changes = view.All<emu::ConditionChanged>();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].on);
    EXPECT_EQ(changes[0].conditions, station.Conditions());
}

TEST_F(StationTest, AConnectionWaitsItsTurnAndItsCloseEndsItsReceipt) {
    Start(false, true);
    HostEnd first = HostEnd::ConnectTcp(Port());
    ASSERT_TRUE(first.Write(T("job one\n")));
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::ConnectionOpened>().size() == 1; }));
    HostEnd second = HostEnd::ConnectTcp(Port());
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::ConnectionWaiting>().size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return station.Connections().size() == 2; }));
    EXPECT_TRUE(station.Connections()[0].printing);
    EXPECT_FALSE(station.Connections()[1].printing);
    EXPECT_NE(station.DescribeState().find("1 waiting"), std::string::npos)
        << station.DescribeState();

    const std::string peer = station.Connections()[0].peer;
    EXPECT_EQ(peer.rfind("TCP 127.0.0.1:", 0), 0u) << peer;
    { HostEnd closing = std::move(first); }
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::ReceiptFinished>().size() == 1; }))
        << "a job without a cut is a receipt when its connection closes";
    EXPECT_EQ(station.Receipts()[0].source, peer);
    ASSERT_TRUE(WaitUntil([&] { return view.All<emu::ConnectionOpened>().size() == 2; }));
    EXPECT_EQ(view.All<emu::ConnectionClosed>()[0].peer, peer);
}

TEST_F(StationTest, EndingTheReceiptInProgressSavesItOnce) {
    Start(false, false);
    const Bytes text = T("in progress\n");
    station.Feed(text.data(), text.size(), "input");
    station.EndReceipt();
    station.Stop();
    ASSERT_EQ(station.Receipts().size(), 1u);
    EXPECT_EQ(station.Receipts()[0].source, "input");
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "receipts"))
        files += entry.path().extension() == ".png";
    EXPECT_EQ(files, 1u);
}

}  // namespace

// The printer's lock: a thread that waits for it goes before the holder that lets it go and asks
// again at once, as the feeding thread does chunk after chunk.
TEST(TurnLock, AWaiterGoesBeforeTheHolderAsksAgain) {
    emu::TurnLock lock;
    std::vector<int> order;
    std::atomic<pid_t> waiter{0};
    lock.lock();
    std::thread other([&] {
        waiter = testsupport::KernelThreadId();
        lock.lock();
        order.push_back(2);
        lock.unlock();
    });
    ASSERT_TRUE(testsupport::WaitUntilAsleep(waiter));
    lock.unlock();
    lock.lock();
    order.push_back(1);
    lock.unlock();
    other.join();
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}
