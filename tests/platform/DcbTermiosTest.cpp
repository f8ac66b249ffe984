#include <gtest/gtest.h>
#include <termios.h>

#include <ostream>

#include "platform/internal/DcbTermios.h"

namespace {

using namespace platform::detail;

DCB BaseDcb() {
    DeviceTermios t;
    MakeRaw(t);
    SetDeviceBaudRate(t, 9600);
    t.cc[VSTART] = 0x11;
    t.cc[VSTOP] = 0x13;
    return DcbFromTermios(t);
}

struct FormatCase {
    const char* name;
    BYTE byteSize;
    BYTE parity;
    BYTE stopBits;
    std::uint32_t cflag;  // expected among CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class DcbFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DcbFormat, MapsToTermiosAndBack) {
    const FormatCase& c = GetParam();
    DCB dcb = BaseDcb();
    dcb.ByteSize = c.byteSize;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stopBits;
    DeviceTermios t;
    MakeRaw(t);
    ASSERT_EQ(DcbToTermios(dcb, t), ERROR_SUCCESS);
    EXPECT_EQ(t.cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.cflag);
    DCB back = DcbFromTermios(t);
    EXPECT_EQ(back.ByteSize, c.byteSize);
    EXPECT_EQ(back.Parity, c.parity);
    EXPECT_EQ(back.StopBits, c.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DcbFormat,
    ::testing::Values(FormatCase{"8N1", 8, NOPARITY, ONESTOPBIT, CS8},
                      FormatCase{"7E1", 7, EVENPARITY, ONESTOPBIT, CS7 | PARENB},
                      FormatCase{"7O2", 7, ODDPARITY, TWOSTOPBITS, CS7 | PARENB | PARODD | CSTOPB},
                      FormatCase{"8M1", 8, MARKPARITY, ONESTOPBIT, CS8 | PARENB | PARODD | CMSPAR},
                      FormatCase{"8S1", 8, SPACEPARITY, ONESTOPBIT, CS8 | PARENB | CMSPAR},
                      FormatCase{"6N2", 6, NOPARITY, TWOSTOPBITS, CS6 | CSTOPB},
                      FormatCase{"5N1_5", 5, NOPARITY, ONE5STOPBITS, CS5 | CSTOPB}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    void (*edit)(DCB&);
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class DcbRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DcbRefused, LeavesTermiosUntouched) {
    DCB dcb = BaseDcb();
    GetParam().edit(dcb);
    DeviceTermios t;
    MakeRaw(t);
    DeviceTermios before = t;
    EXPECT_EQ(DcbToTermios(dcb, t), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(t.cflag, before.cflag);
    EXPECT_EQ(t.iflag, before.iflag);
}

INSTANTIATE_TEST_SUITE_P(
    Invalid, DcbRefused,
    ::testing::Values(RefusedCase{"BaudZero", [](DCB& d) { d.BaudRate = 0; }},
                      RefusedCase{"FourDataBits", [](DCB& d) { d.ByteSize = 4; }},
                      RefusedCase{"NineDataBits", [](DCB& d) { d.ByteSize = 9; }},
                      RefusedCase{"UnknownParity", [](DCB& d) { d.Parity = 5; }},
                      RefusedCase{"UnknownStopBits", [](DCB& d) { d.StopBits = 3; }},
                      RefusedCase{"OneAndHalfWithEightBits",
                                  [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
                      RefusedCase{"TwoWithFiveBits",
                                  [](DCB& d) {
                                      d.ByteSize = 5;
                                      d.StopBits = TWOSTOPBITS;
                                  }},
                      RefusedCase{"XonEqualsXoff",
                                  [](DCB& d) {
                                      d.fOutX = 1;
                                      d.XoffChar = d.XonChar;
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DcbTermios, FlowControlFlags) {
    struct Case {
        const char* name;
        DWORD ctsFlow, rtsControl, outX, inX;
        std::uint32_t cflag, iflag;
    } cases[] = {
        {"none", 0, RTS_CONTROL_ENABLE, 0, 0, 0, 0},
        {"cts", 1, RTS_CONTROL_ENABLE, 0, 0, CRTSCTS, 0},
        {"rtsHandshake", 0, RTS_CONTROL_HANDSHAKE, 0, 0, CRTSCTS, 0},
        {"xonOut", 0, RTS_CONTROL_DISABLE, 1, 0, 0, IXON},
        {"xonBoth", 0, RTS_CONTROL_DISABLE, 1, 1, 0, IXON | IXOFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DCB dcb = BaseDcb();
        dcb.fOutxCtsFlow = c.ctsFlow;
        dcb.fRtsControl = c.rtsControl;
        dcb.fOutX = c.outX;
        dcb.fInX = c.inX;
        dcb.XonChar = 0x21;
        dcb.XoffChar = 0x23;
        DeviceTermios t;
        MakeRaw(t);
        t.iflag |= IXANY;
        ASSERT_EQ(DcbToTermios(dcb, t), ERROR_SUCCESS);
        EXPECT_EQ(t.cflag & CRTSCTS, c.cflag);
        EXPECT_EQ(t.iflag & (IXON | IXOFF | IXANY), c.iflag);
        EXPECT_EQ(t.cc[VSTART], 0x21);
        EXPECT_EQ(t.cc[VSTOP], 0x23);
    }
}

TEST(DcbTermios, ArbitraryRateAndTolerance) {
    DCB dcb = BaseDcb();
    dcb.BaudRate = 256000;
    DeviceTermios asked;
    MakeRaw(asked);
    ASSERT_EQ(DcbToTermios(dcb, asked), ERROR_SUCCESS);
    EXPECT_EQ(DeviceBaudRate(asked), 256000u);

    DeviceTermios got = asked;
    SetDeviceBaudRate(got, 250000);  // 2.3% off: a UART link still works
    EXPECT_EQ(CompareTaken(asked, got, true), ERROR_SUCCESS);
    SetDeviceBaudRate(got, 115200);  // clamped by a slow UART
    EXPECT_EQ(CompareTaken(asked, got, true), ERROR_INVALID_PARAMETER);

    got = asked;
    got.cflag ^= CRTSCTS;
    EXPECT_EQ(CompareTaken(asked, got, true), ERROR_GEN_FAILURE);
}

TEST(DcbTermios, PseudoTerminalFramingIsNotCompared) {
    DCB dcb = BaseDcb();
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    DeviceTermios asked;
    MakeRaw(asked);
    ASSERT_EQ(DcbToTermios(dcb, asked), ERROR_SUCCESS);
    DeviceTermios got = asked;
    got.cflag = (got.cflag & ~(CSIZE | PARENB)) | CS8;
    EXPECT_EQ(CompareTaken(asked, got, true), ERROR_GEN_FAILURE);
    EXPECT_EQ(CompareTaken(asked, got, false), ERROR_SUCCESS);
}

TEST(DcbTermios, FreshDeviceDefaults) {
    DeviceTermios t;  // no control characters set
    MakeRaw(t);
    SetDeviceBaudRate(t, 19200);
    DCB dcb = DcbFromTermios(t);
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(t.cc[VMIN], 1);
    EXPECT_EQ(t.cc[VTIME], 0);
}

}  // namespace
