#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/HostEnd.h"

namespace {

using emu::Condition;
using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;
using namespace std::chrono_literals;

// A virtual printer served on a pty, with the host's end open and a clock the test moves.
struct PtyFixture {
    emu::VirtualPrinter printer;
    emu::Link link{printer};
    std::atomic<long long> nowMs{0};
    std::atomic<int> pages{0};
    std::unique_ptr<emutest::HostEnd> host;

    explicit PtyFixture(std::size_t capacity = emu::PrinterCore::kDefaultInputCapacity,
                        std::uint32_t pacedBaud = 0)
        : printer(384, capacity) {
        printer.SetClock([this] {
            return emu::VirtualPrinter::Clock::time_point{} +
                   std::chrono::milliseconds(nowMs.load());
        });
        printer.SetReceiptCallback([this](const emu::FinishedReceipt&) { ++pages; });
        std::string error;
        if (pacedBaud) {
            printer.SetLineBaudRate(pacedBaud);
            link.SetPacing(true);
        }
        EXPECT_TRUE(link.OpenPty(&error)) << error;
        EXPECT_TRUE(link.Start(&error)) << error;
        host = std::make_unique<emutest::HostEnd>(link.DevicePath());
        EXPECT_TRUE(host->Ok()) << link.DevicePath();
    }
};

TEST(CoreLink, StatusRequestIsAnsweredOverThePty) {
    PtyFixture f;
    ASSERT_TRUE(f.host->Write(H("10 04 05")));
    EXPECT_EQ(f.host->Read(1), H("00"));
    f.printer.SetCondition(Condition::Overheat, true);
    ASSERT_TRUE(f.host->Write(H("10 04 05")));
    EXPECT_EQ(f.host->Read(1), H("08"));
    EXPECT_TRUE(f.host->Read(1, 100ms).empty()) << "one answer per request";
}

TEST(CoreLink, AutomaticReportsReachTheHost) {
    PtyFixture f;
    ASSERT_TRUE(f.host->Write(H("1D 61 2F")));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.printer.AutoStatusMask() == 0x2F; }));
    f.printer.SetCondition(Condition::PaperOut, true);
    EXPECT_EQ(f.host->Read(1), H("04"));
    f.printer.SetCondition(Condition::PaperOut, false);
    EXPECT_EQ(f.host->Read(1), H("00"));
}

TEST(CoreLink, SleepRepliesAndRefusalWithinHalfASecond) {
    PtyFixture f;
    ASSERT_TRUE(f.host->Write(H("10 14 08 01 03 14 01 06 02 08 10 14 02 01 08")));
    EXPECT_EQ(f.host->Read(1), T("1"));
    f.nowMs = 200;
    ASSERT_TRUE(f.host->Write(H("10 14 08 01 03 14 01 06 02 08 10 14 02 02 08")));
    EXPECT_EQ(f.host->Read(1), T("0"));
    f.nowMs = 800;
    ASSERT_TRUE(f.host->Write(H("10 14 02 02 08")));
    EXPECT_EQ(f.host->Read(1), T("1"));
    EXPECT_FALSE(f.printer.Asleep());
}

TEST(CoreLink, PaperOutHoldsTheReceiptUntilPaperReturns) {
    PtyFixture f;
    f.printer.SetCondition(Condition::PaperOut, true);
    ASSERT_TRUE(f.host->Write(T("paper") + H("0A 1D 56 41 00")));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.printer.Waiting() == 10; }));
    EXPECT_EQ(f.pages.load(), 0);
    f.printer.SetCondition(Condition::PaperOut, false);
    EXPECT_TRUE(emutest::WaitUntil([&] { return f.pages.load() == 1; }));
}

TEST(CoreLink, FullInputBufferHoldsTheHostBackWithoutLosingBytes) {
    PtyFixture f(1024);
    f.printer.SetCondition(Condition::PaperOut, true);
    Bytes data(256 * 1024, 0x00);  // skipped bytes: cheap to decode, so the test is about the line
    // Write until the line is full: the printer stopped reading, so the host's writes stop.
    const std::size_t written = f.host->WriteUntilFull(data);
    ASSERT_LT(written, data.size()) << "the line never filled";
    EXPECT_EQ(f.printer.Waiting(), 1024u);
    f.printer.SetCondition(Condition::PaperOut, false);
    Bytes rest(data.begin() + static_cast<std::ptrdiff_t>(written), data.end());
    ASSERT_TRUE(f.host->Write(rest));
    EXPECT_TRUE(emutest::WaitUntil([&] { return f.printer.Received() == data.size(); }))
        << "received " << f.printer.Received() << " of " << data.size();
}

TEST(CoreLink, HostBytesAtOtherSettingsArriveAsFramingErrors) {
    struct Case {
        const char* name;
        speed_t speed;
        std::uint32_t baud;
        tcflag_t frame;  // c_cflag bits besides the speed (a pty keeps CS8 and no parity)
        bool decoded;
    } const cases[] = {
        {"same speed, 8N1", B9600, 9600, CS8, true},
        {"two stop bits are still read", B9600, 9600, CS8 | CSTOPB, true},
        {"host faster", B115200, 115200, CS8, false},
        {"host slower", B4800, 4800, CS8, false},
    };
    const Bytes text = T("hello") + H("0A");
    for (const Case& c : cases) {
        PtyFixture f;
        f.printer.SetLineBaudRate(9600);
        struct termios tio {};
        ASSERT_EQ(tcgetattr(f.host->Fd(), &tio), 0);
        tio.c_cflag = (tio.c_cflag & ~(CSIZE | CSTOPB | PARENB)) | c.frame;
        cfsetspeed(&tio, c.speed);
        ASSERT_EQ(tcsetattr(f.host->Fd(), TCSANOW, &tio), 0);
        // Bytes sent within the printer end's reaction to a change are read at the old settings.
        ASSERT_TRUE(emutest::WaitUntil([&] {
            return f.link.Host().baud == c.baud &&
                   f.link.Host().stopBits == ((c.frame & CSTOPB) ? 2 : 1);
        })) << c.name;
        ASSERT_TRUE(f.host->Write(text));
        ASSERT_TRUE(emutest::WaitUntil([&] {
            return f.printer.Received() + f.link.FramingErrors() == text.size();
        })) << c.name;
        EXPECT_EQ(f.printer.Received(), c.decoded ? text.size() : 0u) << c.name;
        EXPECT_EQ(f.printer.HasContent(), c.decoded) << c.name;
    }
}

// The host's order, as a UART keeps it: the speed command goes out at the old speed and the
// host switches at once after writing it, without waiting for the printer end to read it.
TEST(CoreLink, BytesWrittenBeforeTheHostChangesSpeedAreReadAtTheOldSpeed) {
    struct Case {
        speed_t speed;
        std::uint32_t baud;
        std::uint32_t paced;  // the link reads at the printer's rate from this one; 0: at once
    } const cases[] = {{B19200, 19200, 0}, {B115200, 115200, 9600}, {B4800, 4800, 9600}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.baud) + (c.paced ? " baud, paced" : " baud"));
        PtyFixture f(emu::PrinterCore::kDefaultInputCapacity, c.paced);
        f.printer.SetLineBaudRate(9600);
        struct termios tio {};
        ASSERT_EQ(tcgetattr(f.host->Fd(), &tio), 0);
        cfsetspeed(&tio, B9600);
        ASSERT_EQ(tcsetattr(f.host->Fd(), TCSANOW, &tio), 0);
        ASSERT_TRUE(emutest::WaitUntil([&] { return f.link.Host().baud == 9600; }));

        const std::string digits = std::to_string(c.baud);
        const Bytes command = H("1D 28 45") + Bytes{static_cast<std::uint8_t>(digits.size() + 2)} +
                              H("00 0B 01") + T(digits);
        ASSERT_TRUE(f.host->Write(command));
        cfsetspeed(&tio, c.speed);
        ASSERT_EQ(tcsetattr(f.host->Fd(), TCSANOW, &tio), 0);
        ASSERT_TRUE(emutest::WaitUntil([&] {
            return f.printer.Line().baud == c.baud && f.link.Host().baud == c.baud;
        })) << "printer at "
            << f.printer.Line().baud << ", host at " << f.link.Host().baud;

        const Bytes text = T("after") + H("0A");
        ASSERT_TRUE(f.host->Write(text));
        ASSERT_TRUE(emutest::WaitUntil(
            [&] { return f.printer.Received() == command.size() + text.size(); }));
        EXPECT_EQ(f.link.FramingErrors(), 0u);
        EXPECT_TRUE(f.printer.HasContent());
    }
}

TEST(CoreLink, PacedLinkReadsAtTheLineRate) {
    PtyFixture f(emu::PrinterCore::kDefaultInputCapacity, 9600);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(f.host->Write(Bytes(960, 'x')));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.printer.Received() == 960; }));
    // 960 bytes at 9600 baud take a second; allow half of it.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 500ms);
}

}  // namespace
