#include <gtest/gtest.h>

#include "app/FlowControl.h"

namespace {

DCB StartingDcb(bool allFlags) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 9600;
    SetDcbFlags(dcb, allFlags ? 0xFFFFFFFFu : 0x1u);  // fBinary alone, or every flag
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x22;
    dcb.ByteSize = 8;
    return dcb;
}

TEST(FlowControl, ModesDriveTheHostAsTheListSays) {
    struct Case {
        const char* name;
        int index;
        bool allFlagsBefore;
        DWORD cts, dsr, dtr, outX, inX, rts;
        char xon, xoff;
    } const cases[] = {
        {"none from all set", 0, true, 0, 0, 0, 0, 0, 0, 0x21, 0x22},
        {"hardware from all set", 1, true, 1, 0, 0, 0, 0, 0, 0x21, 0x22},
        {"software from all set", 2, true, 0, 0, 0, 1, 0, 0, 0x11, 0x13},
        {"none from none", 0, false, 0, 0, 0, 0, 0, 0, 0x21, 0x22},
        {"hardware from none", 1, false, 1, 0, 0, 0, 0, 0, 0x21, 0x22},
        {"software from none", 2, false, 0, 0, 0, 1, 0, 0, 0x11, 0x13},
    };
    for (const Case& c : cases) {
        const FlowControlMode* mode = FindFlowControlMode(c.index);
        ASSERT_NE(mode, nullptr) << c.name;
        DCB dcb = StartingDcb(c.allFlagsBefore);
        const DCB before = dcb;
        ApplyFlowControl(*mode, dcb);
        EXPECT_EQ(dcb.fOutxCtsFlow, c.cts) << c.name;
        EXPECT_EQ(dcb.fOutxDsrFlow, c.dsr) << c.name;
        EXPECT_EQ(dcb.fDtrControl, c.dtr) << c.name << ": DTR driven off";
        EXPECT_EQ(dcb.fOutX, c.outX) << c.name;
        EXPECT_EQ(dcb.fInX, c.inX) << c.name << ": the host never sends XOFF itself";
        EXPECT_EQ(dcb.fRtsControl, c.rts) << c.name << ": RTS driven off";
        EXPECT_EQ(dcb.XonChar, c.xon) << c.name;
        EXPECT_EQ(dcb.XoffChar, c.xoff) << c.name;
        // Everything outside the six fields keeps its value.
        const DWORD touched = 0x00003330u | 0x4u | 0x8u;
        EXPECT_EQ(DcbFlags(dcb) & ~touched, DcbFlags(before) & ~touched) << c.name;
        EXPECT_EQ(dcb.BaudRate, before.BaudRate) << c.name;
        EXPECT_EQ(dcb.ByteSize, before.ByteSize) << c.name;
    }
}

TEST(FlowControl, PrinterCommandsPerMode) {
    EXPECT_FALSE(FindFlowControlMode(0)->commandOnOpen)
        << "opening with none tells the printer nothing";
    EXPECT_EQ(FindFlowControlMode(0)->printerArgument, 0);
    EXPECT_EQ(FindFlowControlMode(1)->printerArgument, 48);
    EXPECT_EQ(FindFlowControlMode(2)->printerArgument, 49);
    EXPECT_EQ(FindFlowControlMode(-1), nullptr);
    EXPECT_EQ(FindFlowControlMode(3), nullptr);
}

}  // namespace
