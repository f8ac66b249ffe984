#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "tests/platform/PortFixture.h"
#include "tests/support/KernelInterface.h"

namespace {

bool SameDcb(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof(DCB)) == 0; }

TEST_F(PortTest, FreshHandleReportsTheDeviceInRawMode) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    std::uint32_t baud = 0;
    ASSERT_TRUE(peer.SlaveBaudRate(baud));
    EXPECT_EQ(dcb.BaudRate, baud);
    termios t{};
    ASSERT_TRUE(peer.SlaveTermios(t));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
}

TEST_F(PortTest, ArbitraryBaudRateReachesTheDevice) {
    if (!testsupport::ArbitraryRatesAvailable())
        GTEST_SKIP() << "256000 baud is " << testsupport::kNotEmulated;
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 256000;
    ASSERT_TRUE(SetCommState(port, &dcb)) << GetLastError();
    DCB back{};
    ASSERT_TRUE(GetCommState(port, &back));
    EXPECT_EQ(back.BaudRate, 256000u);
    std::uint32_t baud = 0;
    ASSERT_TRUE(peer.SlaveBaudRate(baud));
    EXPECT_EQ(baud, 256000u);
}

struct StateCase {
    const char* name;
    void (*edit)(DCB&);
    tcflag_t cflag;  // expected among CSTOPB | CRTSCTS | PARODD | CMSPAR on the device
    tcflag_t iflag;  // expected among IXON | IXOFF | IXANY
};

// Test lists show the case by its name rather than its bytes.
void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class CommStateRoundTrip : public PortTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(CommStateRoundTrip, ReadsBackWhatWasSet) {
    const StateCase& c = GetParam();
    if ((c.cflag & CMSPAR) != 0 && !testsupport::MarkSpaceParityAvailable())
        GTEST_SKIP() << "mark and space parity are " << testsupport::kNotEmulated;
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    c.edit(dcb);
    ASSERT_TRUE(SetCommState(port, &dcb)) << GetLastError();
    DCB back{};
    ASSERT_TRUE(GetCommState(port, &back));
    EXPECT_TRUE(SameDcb(back, dcb));
    termios t{};
    ASSERT_TRUE(peer.SlaveTermios(t));
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS | PARODD | CMSPAR), c.cflag);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.iflag);
    EXPECT_EQ(t.c_cc[VSTART], static_cast<cc_t>(dcb.XonChar));
    EXPECT_EQ(t.c_cc[VSTOP], static_cast<cc_t>(dcb.XoffChar));
}

INSTANTIATE_TEST_SUITE_P(
    States, CommStateRoundTrip,
    ::testing::Values(
        StateCase{"Plain8N1", [](DCB& d) { d.BaudRate = 115200; }, 0, 0},
        StateCase{"SevenEvenTwo",
                  [](DCB& d) {
                      d.ByteSize = 7;
                      d.Parity = EVENPARITY;
                      d.fParity = 1;
                      d.StopBits = TWOSTOPBITS;
                  },
                  CSTOPB, 0},
        StateCase{"OddParity", [](DCB& d) { d.Parity = ODDPARITY; }, PARODD, 0},
        StateCase{"MarkParity", [](DCB& d) { d.Parity = MARKPARITY; }, PARODD | CMSPAR, 0},
        StateCase{"SpaceParity", [](DCB& d) { d.Parity = SPACEPARITY; }, CMSPAR, 0},
        StateCase{"FiveBitsOneAndAHalf",
                  [](DCB& d) {
                      d.ByteSize = 5;
                      d.StopBits = ONE5STOPBITS;
                  },
                  CSTOPB, 0},
        // The dialog's "hardware" row: AND 0xFFFFCCC7, OR 0x4.
        StateCase{"HardwareFlow",
                  [](DCB& d) { SetDcbFlags(d, (DcbFlags(d) & 0xFFFFCCC7u) | 0x4u); }, CRTSCTS, 0},
        // The dialog's "software" row: AND 0xFFFFCDC3, OR 0x100, DC1/DC3.
        StateCase{"SoftwareFlow",
                  [](DCB& d) {
                      SetDcbFlags(d, (DcbFlags(d) & 0xFFFFCDC3u) | 0x100u);
                      d.XonChar = 0x11;
                      d.XoffChar = 0x13;
                  },
                  0, IXON},
        StateCase{"BothXonXoffOwnChars",
                  [](DCB& d) {
                      d.fOutX = 1;
                      d.fInX = 1;
                      d.XonChar = 0x05;
                      d.XoffChar = 0x06;
                  },
                  0, IXON | IXOFF},
        StateCase{"KeptOnlyFields",
                  [](DCB& d) {
                      d.fOutxDsrFlow = 1;
                      d.fDsrSensitivity = 1;
                      d.fTXContinueOnXoff = 1;
                      d.fDtrControl = DTR_CONTROL_HANDSHAKE;
                      d.fRtsControl = RTS_CONTROL_TOGGLE;
                      d.fErrorChar = 1;
                      d.fNull = 1;
                      d.fAbortOnError = 1;
                      d.XonLim = 100;
                      d.XoffLim = 200;
                      d.ErrorChar = '?';
                      d.EofChar = 0x1A;
                      d.EvtChar = 0x0D;
                  },
                  0, 0},
        StateCase{"RtsHandshakeWithoutCtsFlow",
                  [](DCB& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; }, CRTSCTS, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortTest, ReportsChangesMadeBehindItsBackKeepingItsOwnFields) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 115200;
    dcb.XonLim = 123;
    dcb.EvtChar = 0x0D;
    ASSERT_TRUE(SetCommState(port, &dcb));
    termios t{};
    ASSERT_TRUE(peer.SlaveTermios(t));
    cfsetspeed(&t, B9600);
    t.c_cflag |= CRTSCTS;
    ASSERT_TRUE(peer.SetSlaveTermios(t));
    DCB now{};
    ASSERT_TRUE(GetCommState(port, &now));
    EXPECT_EQ(now.BaudRate, 9600u);
    EXPECT_EQ(now.fOutxCtsFlow, 1u);
    EXPECT_EQ(now.XonLim, 123);
    EXPECT_EQ(now.EvtChar, 0x0D);
}

TEST_F(PortTest, RefusedStateLeavesTheDeviceAsItWas) {
    DCB before{};
    ASSERT_TRUE(GetCommState(port, &before));
    DCB bad = before;
    bad.ByteSize = 8;
    bad.StopBits = ONE5STOPBITS;
    EXPECT_FALSE(SetCommState(port, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DCB after{};
    ASSERT_TRUE(GetCommState(port, &after));
    EXPECT_TRUE(SameDcb(before, after));
}

TEST_F(PortTest, TimeoutsRoundTripAndTheMeaninglessOneIsRefused) {
    COMMTIMEOUTS fresh{1, 1, 1, 1, 1};
    ASSERT_TRUE(GetCommTimeouts(port, &fresh));
    EXPECT_EQ(fresh.ReadIntervalTimeout, 0u);
    EXPECT_EQ(fresh.WriteTotalTimeoutConstant, 0u);
    COMMTIMEOUTS set{100, 0, MAXDWORD, 0, MAXDWORD};
    ASSERT_TRUE(SetCommTimeouts(port, &set));
    COMMTIMEOUTS back{};
    ASSERT_TRUE(GetCommTimeouts(port, &back));
    EXPECT_EQ(std::memcmp(&set, &back, sizeof set), 0);
    COMMTIMEOUTS bad{MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(port, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
