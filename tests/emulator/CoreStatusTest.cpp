#include <gtest/gtest.h>

#include <chrono>

#include "emulator/device/PrinterCore.h"
#include "tests/emulator/RecordingSink.h"
#include "tests/emulator/StreamBytes.h"

namespace {

using emu::Condition;
using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;
using namespace std::chrono_literals;

const Bytes kStatusRequest = H("10 04 05");
const Bytes kEnterSleep = H("10 14 02 01 08");
const Bytes kLeaveSleep = H("10 14 02 02 08");
const Bytes kClearBuffers = H("10 14 08 01 03 14 01 06 02 08");

// A printer core on a recording sink with a clock the test moves.
struct Fixture {
    emutest::RecordingSink sink;
    emu::PrinterCore core;
    emu::PrinterCore::Clock::time_point now{};
    std::vector<std::string> trace;

    explicit Fixture(std::size_t capacity = emu::PrinterCore::kDefaultInputCapacity)
        : core(sink, capacity) {
        core.SetClock([this] { return now; });
        core.SetTrace([this](const std::string& line) { trace.push_back(line); });
    }
    std::size_t Feed(const Bytes& bytes) { return core.Feed(bytes.data(), bytes.size()); }
    Bytes Replies() { return core.TakeReplies(); }
    std::vector<std::string> Printed() {
        std::vector<std::string> printed;
        for (const std::string& call : sink.calls) {
            if (call.rfind("Text", 0) == 0 || call == "LineFeed" || call == "ClearBuffer")
                printed.push_back(call);
        }
        return printed;
    }
};

TEST(CoreStatus, StatusRequestIsAnsweredWithTheConditionBits) {
    struct Row {
        const char* name;
        std::vector<Condition> conditions;
        std::uint8_t expected;
    };
    const Row rows[] = {
        {"none", {}, 0x00},
        {"over-voltage is bit 0", {Condition::OverVoltage}, 0x01},
        {"platen is bit 1", {Condition::Platen}, 0x02},
        {"paper out is bit 2", {Condition::PaperOut}, 0x04},
        {"overheat is bit 3", {Condition::Overheat}, 0x08},
        {"cutter is bit 5, bit 4 stays clear", {Condition::Cutter}, 0x20},
        {"all five",
         {Condition::OverVoltage, Condition::Platen, Condition::PaperOut, Condition::Overheat,
          Condition::Cutter},
         0x2F},
    };
    for (const Row& row : rows) {
        Fixture f;
        for (Condition c : row.conditions) f.core.SetCondition(c, true);
        EXPECT_TRUE(f.Replies().empty()) << row.name << ": no report before GS a";
        f.Feed(kStatusRequest);
        EXPECT_EQ(f.Replies(), Bytes{row.expected}) << row.name;
    }
}

TEST(CoreStatus, AutomaticReportsFollowEnabledConditions) {
    struct Row {
        const char* name;
        Bytes setup;
        Condition condition;
        Bytes onReply, offReply;
    };
    const Row rows[] = {
        {"all enabled", H("1D 61 2F"), Condition::PaperOut, H("04"), H("00")},
        {"bit 4 in n is ignored", H("1D 61 FF"), Condition::Cutter, H("20"), H("00")},
        {"condition not enabled", H("1D 61 01"), Condition::PaperOut, {}, {}},
        {"reports off again", H("1D 61 2F 1D 61 00"), Condition::Overheat, {}, {}},
        {"ESC @ keeps them", H("1D 61 2F 1B 40"), Condition::Platen, H("02"), H("00")},
    };
    for (const Row& row : rows) {
        Fixture f;
        f.Feed(row.setup);
        f.core.SetCondition(row.condition, true);
        EXPECT_EQ(f.Replies(), row.onReply) << row.name;
        f.core.SetCondition(row.condition, true);
        EXPECT_TRUE(f.Replies().empty()) << row.name << ": no change, no report";
        f.core.SetCondition(row.condition, false);
        EXPECT_EQ(f.Replies(), row.offReply) << row.name;
    }
}

TEST(CoreStatus, ReportCarriesEveryStandingCondition) {
    Fixture f;
    f.core.SetCondition(Condition::Overheat, true);
    f.Feed(H("1D 61 04"));
    f.core.SetCondition(Condition::PaperOut, true);
    EXPECT_EQ(f.Replies(), H("0C")) << "overheat still stands, so its bit stays set";
}

TEST(CoreStatus, SleepRepliesAndTheHalfSecondRule) {
    struct Step {
        int atMs;
        const Bytes* command;
        char reply;
        bool asleepAfter;
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
    };
    const Row rows[] = {
        {"enter then leave after 600 ms",
         {{0, &kEnterSleep, '1', true}, {600, &kLeaveSleep, '1', false}}},
        {"leave at exactly 500 ms",
         {{0, &kEnterSleep, '1', true}, {500, &kLeaveSleep, '1', false}}},
        {"leave too soon is refused and stays asleep",
         {{0, &kEnterSleep, '1', true},
          {499, &kLeaveSleep, '0', true},
          {700, &kLeaveSleep, '1', false}}},
        {"enter twice: the second is refused and does not restart the time",
         {{0, &kEnterSleep, '1', true},
          {400, &kEnterSleep, '0', true},
          {550, &kLeaveSleep, '1', false}}},
        {"leave while awake is refused", {{0, &kLeaveSleep, '0', false}}},
        {"clear buffers first, as the tool sends it",
         {{0, &kClearBuffers, 0, false},
          {0, &kEnterSleep, '1', true},
          {10, &kClearBuffers, 0, true},
          {900, &kLeaveSleep, '1', false}}},
    };
    for (const Row& row : rows) {
        Fixture f;
        for (const Step& step : row.steps) {
            f.now = emu::PrinterCore::Clock::time_point{} + std::chrono::milliseconds(step.atMs);
            f.Feed(*step.command);
            Bytes expected = step.reply ? Bytes{static_cast<std::uint8_t>(step.reply)} : Bytes{};
            EXPECT_EQ(f.Replies(), expected) << row.name << " at " << step.atMs << " ms";
            EXPECT_EQ(f.core.Asleep(), step.asleepAfter)
                << row.name << " at " << step.atMs << " ms";
        }
    }
}

TEST(CoreStatus, AsleepOnlyRealTimeCommandsActAndTheRestIsDiscarded) {
    Fixture f;
    // The bytes after "enter sleep" in the same write are already discarded.
    f.Feed(T("A") + kEnterSleep + T("B") + H("1B 4A 10") + kStatusRequest + T("C"));
    EXPECT_EQ(f.Replies(), H("31 00"));
    EXPECT_EQ(f.Printed(), std::vector<std::string>{"Text 41"});
    f.now += 600ms;
    f.Feed(T("D") + kLeaveSleep + T("E"));
    EXPECT_EQ(f.Replies(), H("31"));
    EXPECT_EQ(f.Printed(), (std::vector<std::string>{"Text 41", "Text 45"}));
    bool noted = false;
    for (const std::string& line : f.trace)
        noted |= line.find("discarded while asleep") != std::string::npos;
    EXPECT_TRUE(noted);
}

TEST(CoreStatus, PaperOutHoldsDataAndPrintsItWhenPaperReturns) {
    Fixture f;
    f.Feed(H("1D 61 2F"));
    f.core.SetCondition(Condition::PaperOut, true);
    EXPECT_EQ(f.Replies(), H("04"));
    EXPECT_EQ(f.Feed(T("AB") + kStatusRequest + T("C") + H("0A")), 7u);
    EXPECT_EQ(f.Replies(), H("04")) << "the status request is answered while the data waits";
    EXPECT_TRUE(f.Printed().empty()) << "nothing prints without paper";
    EXPECT_EQ(f.core.Waiting(), 7u);

    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.Replies(), H("00")) << "only the report; the request is not answered twice";
    EXPECT_EQ(f.Printed(), (std::vector<std::string>{"Text 41", "Text 42", "Text 43", "LineFeed"}));
    EXPECT_EQ(f.core.Waiting(), 0u);
}

TEST(CoreStatus, RequestBegunBeforePaperRanOutIsAnsweredOnce) {
    Fixture f;
    f.Feed(H("10 04"));
    f.core.SetCondition(Condition::PaperOut, true);
    f.Feed(H("05"));
    EXPECT_EQ(f.Replies(), H("04"));
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_TRUE(f.Replies().empty());
}

TEST(CoreStatus, FullInputBufferTakesNoMoreAndLosesNothing) {
    Fixture f(64);
    f.core.SetCondition(Condition::PaperOut, true);
    Bytes data;
    for (int k = 0; k < 100; ++k) data.push_back(static_cast<std::uint8_t>('a' + k % 26));
    std::size_t taken = f.Feed(data);
    EXPECT_EQ(taken, 64u);
    EXPECT_EQ(f.core.Feed(data.data() + taken, data.size() - taken), 0u) << "still full";
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.core.Feed(data.data() + taken, data.size() - taken), data.size() - taken);
    std::vector<std::string> printed = f.Printed();
    ASSERT_EQ(printed.size(), data.size());
    for (std::size_t k = 0; k < data.size(); ++k) {
        EXPECT_EQ(printed[k], "Text " + emutest::HexBytes(&data[k], 1)) << "byte " << k;
    }
}

TEST(CoreStatus, SoftwareHandshakeSendsXoffWhenTheBufferFillsAndXonWhenItDrains) {
    Fixture f(64);
    f.Feed(H("1D 28 45 03 00 0B 03 31"));
    f.core.SetCondition(Condition::PaperOut, true);
    f.Feed(Bytes(47, 'x'));
    EXPECT_TRUE(f.Replies().empty()) << "below three quarters";
    f.Feed(Bytes(1, 'x'));
    EXPECT_EQ(f.Replies(), H("13"));
    f.Feed(Bytes(10, 'x'));
    EXPECT_TRUE(f.Replies().empty()) << "XOFF is sent once";
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.Replies(), H("11"));
}

TEST(CoreStatus, NoFlowControlBytesWithoutSoftwareHandshake) {
    Fixture f(64);
    f.Feed(H("1D 28 45 03 00 0B 03 30"));
    f.core.SetCondition(Condition::PaperOut, true);
    f.Feed(Bytes(64, 'x'));
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_TRUE(f.Replies().empty());
    EXPECT_EQ(f.core.GetHandshake(), emu::Handshake::Hardware);
}

TEST(CoreStatus, ClearBuffersWhileDataWaitsDropsIt) {
    Fixture f;
    f.core.SetCondition(Condition::PaperOut, true);
    f.Feed(T("AB") + H("1B 4A") + kClearBuffers + T("C"));
    EXPECT_EQ(f.Printed(), std::vector<std::string>{"ClearBuffer"}) << "acted on arrival";
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.Printed(), (std::vector<std::string>{"ClearBuffer", "Text 43"}))
        << "the unfinished ESC J and the text before were dropped, what followed prints";
}

TEST(CoreStatus, EnteringSleepWhileDataWaitsDropsIt) {
    Fixture f;
    f.core.SetCondition(Condition::PaperOut, true);
    f.Feed(T("AB") + kEnterSleep + T("C"));
    EXPECT_EQ(f.Replies(), H("31"));
    f.now += 1s;
    f.Feed(kLeaveSleep + T("D"));
    bool noted = false;
    for (const std::string& line : f.trace)
        noted |= line.find("7  -- 1 bytes discarded while asleep") != std::string::npos;
    EXPECT_TRUE(noted) << "the C after entering sleep, at offset 7";
    EXPECT_EQ(f.Replies(), H("31"));
    f.core.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.Printed(), std::vector<std::string>{"Text 44"});
}

TEST(CoreStatus, BaudRateCommandIsRecorded) {
    Fixture f;
    f.core.SetLineBaudRate(9600);
    f.Feed(H("1D 28 45 08 00 0B 01 31 31 35 32 30 30"));
    EXPECT_EQ(f.core.BaudRate(), 115200u);
    f.Feed(H("1D 28 45 03 00 0B 01 39"));
    EXPECT_EQ(f.core.BaudRate(), 115200u) << "a malformed rate changes nothing";
}

}  // namespace
