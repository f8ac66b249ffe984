#include <gtest/gtest.h>

#include <QLabel>
#include <fstream>

#include "app/VirtualPrinterSession.h"
#include "emulator/VirtualPrinter.h"
#include "tests/app/HostPort.h"
#include "tests/support/TempDir.h"
#include "viewer/PaperWindow.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/PaperWidget.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;

const Bytes kTextAndFullCut = {'H', 'i', 0x0A, 0x1D, 0x56, 0x00};

struct SessionTest : testing::Test {
    void SetUp() override {
        options.paperFolder = dir / "paper";
        options.port = 7;  // a port no other test maps
        std::string error;
        ASSERT_TRUE(session.Start(options, &error)) << error;
    }

    testsupport::TempDir dir;
    VirtualPrinterOptions options;
    CVirtualPrinterSession session;
};

TEST_F(SessionTest, ThePortReachesThePrinterAndEveryCutIsSavedAndShown) {
    EXPECT_EQ(platform::PortPath(7), session.DevicePath());
    HostPort host(7);
    ASSERT_TRUE(host.Ok()) << platform::LastErrorText();
    ASSERT_TRUE(host.Write(kTextAndFullCut + kTextAndFullCut));
    ASSERT_TRUE(WaitUntil([&] { return session.SavedReceipts().size() == 2; }));
    const std::vector<std::string> saved = session.SavedReceipts();
    EXPECT_EQ(saved[0], (dir / "paper" / "receipt-001.png").string());
    EXPECT_EQ(saved[1], (dir / "paper" / "receipt-002.png").string());
    std::ifstream png(saved[0], std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    session.Window().ApplyQueued();
}

TEST_F(SessionTest, AHostAtAnotherSpeedIsShownAndReadAsFramingErrors) {
    HostPort host(7);
    ASSERT_TRUE(host.Ok()) << platform::LastErrorText();
    auto status = [&] {
        session.Window().ApplyQueued();
        return session.Window().Widget()->Status()->text().toStdString();
    };
    ASSERT_TRUE(host.SetBaudRate(115200));
    ASSERT_TRUE(host.Write(kTextAndFullCut));
    EXPECT_TRUE(WaitUntil([&] {
        return status().find("framing errors (6 so far)") != std::string::npos;
    })) << status();
    EXPECT_NE(status().find("115200 baud"), std::string::npos) << status();
    EXPECT_EQ(session.Printer().Received(), 0u) << "nothing decoded";

    ASSERT_TRUE(host.SetBaudRate(9600));  // the printer's power-on rate
    ASSERT_TRUE(host.Write(kTextAndFullCut));
    EXPECT_TRUE(WaitUntil([&] { return session.SavedReceipts().size() == 1; }));
    // The window learns the matching settings from the printer's feed, after the save.
    EXPECT_TRUE(WaitUntil([&] { return status().find("differ") == std::string::npos; }))
        << status();
}

TEST_F(SessionTest, AConditionSetOnThePrinterIsReportedToTheHost) {
    HostPort host(7);
    ASSERT_TRUE(host.Ok());
    ASSERT_TRUE(host.Write({0x1D, 0x61, 0x2F}));  // automatic status for every condition
    ASSERT_TRUE(WaitUntil([&] { return session.Printer().AutoStatusMask() == 0x2F; }));
    session.SetCondition(emu::Condition::PaperOut, true);
    EXPECT_EQ(host.Read(1, 2000ms), Bytes{0x04});
    session.SetCondition(emu::Condition::Overheat, true);
    EXPECT_EQ(host.Read(1, 2000ms), Bytes{0x0C});
    session.SetCondition(emu::Condition::PaperOut, false);
    EXPECT_EQ(host.Read(1, 2000ms), Bytes{0x08});
}

TEST_F(SessionTest, DataHeldWhilePaperIsOutIsShownOnceItPrints) {
    session.SetCondition(emu::Condition::PaperOut, true);
    HostPort host(7);
    ASSERT_TRUE(host.Ok());
    ASSERT_TRUE(host.Write({'H', 'e', 'l', 'd', 0x0A}));
    // The window has followed the printer past the held bytes (its status line comes last).
    ASSERT_TRUE(WaitUntil([&] {
        session.Window().ApplyQueued();
        return session.Window().Widget()->Status()->text().contains("5 bytes received");
    }));
    const auto shownInk = [&] {
        session.Window().ApplyQueued();
        const QImage& paper = session.Window().Widget()->Strip()->Current();
        for (int y = 0; y < paper.height(); ++y) {
            for (int x = 0; x < paper.width(); ++x) {
                if (qGray(paper.pixel(x, y)) < 128) return true;
            }
        }
        return false;
    };
    session.SetCondition(emu::Condition::PaperOut, false);  // no byte arrives after this
    EXPECT_TRUE(WaitUntil(shownInk)) << "the held line printed but the window shows blank paper";
}

TEST_F(SessionTest, StoppingSavesTheUnfinishedReceiptAndGivesThePortBack) {
    {
        HostPort host(7);
        ASSERT_TRUE(host.Ok());
        ASSERT_TRUE(host.Write({'u', 'n', 'c', 'u', 't', 0x0A}));
        ASSERT_TRUE(WaitUntil([&] { return session.Printer().HasContent(); }));
    }
    session.Stop();
    ASSERT_EQ(session.SavedReceipts().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(session.SavedReceipts()[0]));
    EXPECT_EQ(platform::PortPath(7), "/dev/ttyS6");
}

TEST(ReceiptFolder, AFolderThatCannotBeMadeStopsTheSession) {
    testsupport::TempDir dir;
    std::ofstream(dir / "file") << "x";
    std::string error;
    CVirtualPrinterSession session;
    VirtualPrinterOptions options;
    options.paperFolder = dir / "file" / "paper";
    options.port = 8;
    EXPECT_FALSE(session.Start(options, &error));
    EXPECT_EQ(platform::PortPath(8), "/dev/ttyS7") << "nothing mapped when the start fails";
}

}  // namespace
}  // namespace apptest
