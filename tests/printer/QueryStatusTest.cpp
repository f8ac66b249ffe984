// The status request over a line whose other end plays the printer.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <ostream>
#include <string>

#include "tests/printer/PrinterFixture.h"
#include "tests/support/WaitUntil.h"

namespace printertest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const Bytes kRequest = {0x10, 0x04, 0x05};
constexpr BYTE kUntouched = 0xA5;
// The request gives up after 50 polls of at least 10 ms.
constexpr milliseconds kFullWait{500};
constexpr milliseconds kGenerousBound{5000};

struct AnswerCase {
    const char* name;
    Bytes answer;  // what the printer sends once it has read the request
    bool answered;
    BYTE status;                 // the byte QueryStatus hands back when answered
    std::vector<UINT> messages;  // posted once the answer is decoded
};

const AnswerCase kAnswerCases[] = {
    {"PaperOut", {0x04}, true, 0x04, {WM_PRINTER_PAPEROUT_ON}},
    {"NoCondition", {0x40}, true, 0x40, {}},
    {"ReplyThenStatus", {0x30, 0x1F, 0x08}, true, 0x08, {WM_PRINTER_OVERHEAT_ON}},
    {"OnlyAReply", {0x31}, false, kUntouched, {}},
    {"OnlyAnIgnoredByte", {0x1F}, false, kUntouched, {}},
    {"RepliesAndIgnoredBytes", {0x30, 0x90, 0x31, 0xFF}, false, kUntouched, {}},
};

// Failure messages name the row.
void PrintTo(const AnswerCase& row, std::ostream* out) { *out << row.name; }

class QueryStatusTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(QueryStatusTest, WaitsForTheNextStatusByte) {
    const AnswerCase& row = GetParam();
    StatusWindow window;
    ObservedPrinterPort port;
    port.m_hNotifyWnd = window.Handle();
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());

    // The printer answers as soon as it has read the whole request.
    auto printer = std::async(std::launch::async, [&] {
        const Bytes request = line.ReadFromHost(kRequest.size(), 2000);
        return request == kRequest && line.SendToHost(row.answer);
    });

    BYTE status = kUntouched;
    const auto start = Clock::now();
    const bool answered = port.QueryStatus(&status);
    const auto elapsed = Clock::now() - start;

    EXPECT_TRUE(printer.get());
    EXPECT_EQ(answered, row.answered);
    EXPECT_EQ(status, row.status);
    EXPECT_LT(elapsed, kGenerousBound);
    if (!row.answered) {
        EXPECT_GE(elapsed, kFullWait);
    }
    EXPECT_TRUE(window.WaitForMessages(row.messages.size(), 2000));
    EXPECT_EQ(window.Messages(), row.messages);
}

INSTANTIATE_TEST_SUITE_P(Answers, QueryStatusTest, ::testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A status byte that came before the request does not answer it.
TEST(QueryStatus, ClearsAnEarlierAnswerBeforeAsking) {
    ObservedPrinterPort port;
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());
    ASSERT_TRUE(line.SendToHost({0x02}));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return port.StatusReceived(); }, 2000));

    BYTE status = kUntouched;
    const auto start = Clock::now();
    EXPECT_FALSE(port.QueryStatus(&status));
    EXPECT_GE(Clock::now() - start, kFullWait);
    EXPECT_EQ(status, kUntouched);
}

// On a closed port the request cannot go out; the caller still waits the full time.
TEST(QueryStatus, ClosedPortWaitsAndFails) {
    ObservedPrinterPort port;
    BYTE status = kUntouched;
    const auto start = Clock::now();
    EXPECT_FALSE(port.QueryStatus(&status));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, kFullWait);
    EXPECT_LT(elapsed, kGenerousBound);
    EXPECT_EQ(status, kUntouched);
}

}  // namespace
}  // namespace printertest
