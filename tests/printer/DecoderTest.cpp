// Classifying received bytes: replies, ignored bytes and status bytes with their latches and
// posted messages.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/printer/PrinterFixture.h"
#include "tests/support/StderrCapture.h"

namespace printertest {
namespace {

constexpr UINT OV_ON = WM_PRINTER_OVERVOLTAGE_ON, OV_OFF = WM_PRINTER_OVERVOLTAGE_OFF;
constexpr UINT PL_ON = WM_PRINTER_PLATEN_ON, PL_OFF = WM_PRINTER_PLATEN_OFF;
constexpr UINT PO_ON = WM_PRINTER_PAPEROUT_ON, PO_OFF = WM_PRINTER_PAPEROUT_OFF;
constexpr UINT OH_ON = WM_PRINTER_OVERHEAT_ON, OH_OFF = WM_PRINTER_OVERHEAT_OFF;
constexpr UINT CU_ON = WM_PRINTER_CUTTER_ON, CU_OFF = WM_PRINTER_CUTTER_OFF;

struct DecoderCase {
    const char* name;
    Bytes received;              // decoded in order after construction
    std::vector<UINT> messages;  // posted to the status window, in order
    BYTE latches;                // the latches afterwards, in their status-bit positions
    bool statusReceived;
    BYTE status;
    bool replyReceived;
    BYTE reply;
};

const DecoderCase kDecoderCases[] = {
    {"ReplyZero", {0x30}, {}, 0x00, false, 0x00, true, 0x30},
    {"ReplyOne", {0x31}, {}, 0x00, false, 0x00, true, 0x31},
    {"ReplyLeavesStandingCondition", {0x01, 0x30}, {OV_ON}, 0x01, true, 0x01, true, 0x30},
    {"Bit4BytesIgnored", {0x10, 0x1F, 0x50, 0x90, 0xFF}, {}, 0x00, false, 0x00, false, 0x00},
    {"Bit4ByteLeavesLatches",
     {0x2F, 0xFF},
     {OV_ON, PL_ON, OH_ON, PO_ON, CU_ON},
     0x2F,
     true,
     0x2F,
     false,
     0x00},
    {"AllConditionsInOrder",
     {0x2F},
     {OV_ON, PL_ON, OH_ON, PO_ON, CU_ON},
     0x2F,
     true,
     0x2F,
     false,
     0x00},
    {"StandingConditionReportedAgain",
     {0x01, 0x01, 0x00, 0x00},
     {OV_ON, OV_ON, OV_OFF},
     0x00,
     true,
     0x00,
     false,
     0x00},
    {"NoConditionAfterConstructionPostsNothing", {0x80}, {}, 0x00, true, 0x80, false, 0x00},
    {"Bits6And7ClearEveryLatch",
     {0x2F, 0x40},
     {OV_ON, PL_ON, OH_ON, PO_ON, CU_ON, OV_OFF, PL_OFF, OH_OFF, PO_OFF, CU_OFF},
     0x00,
     true,
     0x40,
     false,
     0x00},
    {"HighBitsClearEveryLatch", {0x08, 0xC0}, {OH_ON, OH_OFF}, 0x00, true, 0xC0, false, 0x00},
    {"PlatenAndOverheatThenIgnored", {0x0A, 0xFF}, {PL_ON, OH_ON}, 0x0A, true, 0x0A, false, 0x00},
    {"OffBeforeOnInBitOrder", {0x01, 0x04}, {OV_ON, OV_OFF, PO_ON}, 0x04, true, 0x04, false, 0x00},
};

// Failure messages name the row.
void PrintTo(const DecoderCase& row, std::ostream* out) { *out << row.name; }

class DecoderTest : public ::testing::TestWithParam<DecoderCase> {
  protected:
    static void ExpectState(const ObservedPrinterPort& port, const DecoderCase& row) {
        EXPECT_EQ(port.Latches(), row.latches);
        EXPECT_EQ(port.StatusReceived(), row.statusReceived);
        EXPECT_EQ(port.Status(), row.status);
        EXPECT_EQ(port.ReplyReceived(), row.replyReceived);
        EXPECT_EQ(port.Reply(), row.reply);
    }
};

TEST_P(DecoderTest, PostsToTheStatusWindow) {
    const DecoderCase& row = GetParam();
    StatusWindow window;
    ObservedPrinterPort port;
    port.m_hNotifyWnd = window.Handle();
    for (BYTE b : row.received) port.DecodeStatusByte(b);
    ExpectState(port, row);
    EXPECT_EQ(window.Messages(), row.messages);
    EXPECT_TRUE(window.AllParametersZero());
}

// Without a window the latches still follow the status bytes.
TEST_P(DecoderTest, LatchesWithoutAWindow) {
    const DecoderCase& row = GetParam();
    ObservedPrinterPort port;
    for (BYTE b : row.received) port.DecodeStatusByte(b);
    ExpectState(port, row);
}

INSTANTIATE_TEST_SUITE_P(Bytes, DecoderTest, ::testing::ValuesIn(kDecoderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The sleep commands clear the reply flag before they send, so a later reply reads as new.
TEST(SleepCommands, ClearTheReplyFlag) {
    for (void (CPrinterPort::*command)() : {&CPrinterPort::EnterSleep, &CPrinterPort::ExitSleep}) {
        ObservedPrinterPort port;
        port.DecodeStatusByte('1');
        ASSERT_TRUE(port.ReplyReceived());
        (port.*command)();
        EXPECT_FALSE(port.ReplyReceived());
        EXPECT_EQ(port.Reply(), '1');
    }
}

// What one read delivers is written to the debug output byte by byte and decoded in order.
TEST(ReceiveHandler, PrintsAndDecodesEachByteOfOneRead) {
    StatusWindow window;
    ManualReceivePort port;
    port.m_hNotifyWnd = window.Handle();
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());
    ASSERT_TRUE(line.SendToHost({0x0A, 0xFF, 0x00, 0x31}));
    ASSERT_TRUE(line.WaitForPending(4, 2000));

    testsupport::StderrCapture capture;
    port.OnReceive();
    const std::string debugOutput = capture.Take();

    EXPECT_EQ(debugOutput, "AFF031");
    EXPECT_EQ(window.Messages(), (std::vector<UINT>{PL_ON, OH_ON, PL_OFF, OH_OFF}));
    EXPECT_EQ(port.Status(), 0x00);
    EXPECT_EQ(port.Reply(), 0x31);
    EXPECT_EQ(port.GetPendingCount(true), 0u);
}

// With nothing waiting, or no port, there is nothing to read or print.
TEST(ReceiveHandler, DoesNothingWithoutBytes) {
    ManualReceivePort port;
    testsupport::StderrCapture capture;
    port.OnReceive();  // closed: the count fails
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());
    port.OnReceive();  // open, nothing waiting
    EXPECT_EQ(capture.Take(), "");
    EXPECT_FALSE(port.StatusReceived());
}

}  // namespace
}  // namespace printertest
