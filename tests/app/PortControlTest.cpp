#include <gtest/gtest.h>

#include <iostream>
#include <thread>

#include "DialogScript.h"
#include "tests/support/KernelInterface.h"

namespace apptest {
namespace {

constexpr int kPort = 3;  // the script selects list item 2, "COM3"

const Bytes kInitialize = {0x1B, 0x40};
const Bytes kStatusRequest = {0x10, 0x04, 0x05};
const Bytes kAutoStatus47 = {0x1D, 0x61, 0x2F};
const Bytes kClearBuffers = {0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08};
const Bytes kEnterSleep = {0x10, 0x14, 0x02, 0x01, 0x08};
const Bytes kExitSleep = {0x10, 0x14, 0x02, 0x02, 0x08};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes FlowCommand(std::uint8_t n) { return {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x03, n}; }

std::string OpenScript(int flowIndex) {
    return "select 1002 2\nselect 1004 " + std::to_string(flowIndex) +
           "\nclick 1005\nexpect text 1005 关闭串口\nclose\n";
}

TEST(PortControl, OpenSendsTheSequenceAndSetsTheHostForEachFlowControl) {
    struct Case {
        const char* name;
        int index;
        Bytes flowCommand;
        bool crtscts, ixon;
    } const cases[] = {
        {"none", 0, {}, false, false},
        {"hardware", 1, FlowCommand(0x30), true, false},
        {"software", 2, FlowCommand(0x31), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrinterLine line(kPort);
        ASSERT_TRUE(line.Peer().Ok());
        CPrinterDemoDlg dialog;
        ExpectScriptPasses(dialog, OpenScript(c.index));
        ASSERT_TRUE(dialog.IsOpen()) << "the port stays open until the dialog object goes";

        EXPECT_EQ(line.ReadUntil(kAutoStatus47),
                  Concat({kInitialize, c.flowCommand, kStatusRequest, kAutoStatus47}));
        termios settings{};
        ASSERT_TRUE(line.Peer().SlaveTermios(settings));
        EXPECT_EQ((settings.c_cflag & CRTSCTS) != 0, c.crtscts);
        EXPECT_EQ((settings.c_iflag & IXON) != 0, c.ixon);
        EXPECT_EQ(settings.c_iflag & IXOFF, 0u) << "the host never sends XOFF";
        std::uint32_t baud = 0;
        ASSERT_TRUE(line.Peer().SlaveBaudRate(baud));
        EXPECT_EQ(baud, 9600u);
    }
}

TEST(PortControl, DestroyingTheDialogClosesAnOpenPort) {
    PrinterLine line(kPort);
    ASSERT_TRUE(line.Peer().Ok());
    const std::wstring name = L"COM" + std::to_wstring(kPort) + L":";
    auto tryOpen = [&name] {
        HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        const bool opened = h != INVALID_HANDLE_VALUE;
        if (opened) {
            CloseHandle(h);
        }
        return opened;
    };
    {
        CPrinterDemoDlg dialog;
        ExpectScriptPasses(dialog, OpenScript(0));
        EXPECT_FALSE(tryOpen()) << "held open by the dialog after its window closed";
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
    EXPECT_TRUE(tryOpen()) << "released by the dialog's destruction";
}

TEST(PortControl, ClosingWithTheButtonSendsNothingAndRelabels) {
    PrinterLine line(kPort);
    CPrinterDemoDlg dialog;
    ExpectScriptPasses(dialog,
                       "select 1002 2\nclick 1005\nclick 1005\nexpect text 1005 打开串口\nclose\n");
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(line.ReadUntil(kAutoStatus47), Concat({kInitialize, kStatusRequest, kAutoStatus47}));
    EXPECT_TRUE(line.Peer().Read(1, std::chrono::milliseconds(200)).empty());
}

TEST(PortControl, ButtonsOnAClosedPortSendNothing) {
    PrinterLine line(kPort);
    CPrinterDemoDlg dialog;
    ExpectScriptPasses(dialog,
                       "select 1002 2\nclick 1006\nclick 1007\nclick 1024\nclick 1025\n"
                       "expect text 1005 打开串口\nclose\n");
    EXPECT_TRUE(line.Peer().Read(1, std::chrono::milliseconds(200)).empty());
}

TEST(PortControl, FailedOpenShowsTheBoxWithTheReason) {
    struct Case {
        const char* name;
        const char* script;
        const char* detail;
    } const cases[] = {
        {"missing device", "select 1002 3\nclick 1005\n", "no such device"},
        {"typed text that names no item", "type 1002 COM44\nclick 1005\n", "No port is selected"},
        {"typed item selects it", "type 1002 COM4\nclick 1005\n", "no such device"},
    };
    platform::MapPort(4, "/nonexistent/ttyCE_MOLV");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPrinterDemoDlg dialog;
        CScriptRunner runner;
        ExpectScriptPasses(dialog,
                           std::string(c.script) +
                               "expect message 串口已被占用或打开有误，清选择串口\n"
                               "expect detail " +
                               c.detail +
                               "\n"
                               "expect text 1005 打开串口\nclose\n",
                           &runner);
        ASSERT_EQ(runner.MessageBoxes().size(), 1u);
        EXPECT_EQ(runner.MessageBoxes()[0].caption, L"CE_MOLV");
        EXPECT_EQ(runner.MessageBoxes()[0].type, MB_OK);
        EXPECT_FALSE(dialog.IsOpen());
    }
    platform::MapPort(4, "");
}

TEST(PortControl, BusyPortShowsTheBox) {
    PrinterLine line(kPort);
    CPrinterDemoDlg holder;
    ExpectScriptPasses(holder, OpenScript(0));
    CPrinterDemoDlg second;
    ExpectScriptPasses(
        second,
        "select 1002 2\nclick 1005\nexpect detail busy\nexpect text 1005 打开串口\nclose\n");
}

TEST(PortControl, BaudRateChangeTellsThePrinterThenSwitchesTheHost) {
    struct Case {
        const char* name;
        int item;
        Bytes command;
        std::uint32_t baud;
    } const cases[] = {
        {"19200", 1, {0x1D, 0x28, 0x45, 0x07, 0x00, 0x0B, 0x01, '1', '9', '2', '0', '0'}, 19200},
        {"256000 is beyond the printer's command", 3, {}, 256000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.baud == 256000 && !testsupport::ArbitraryRatesAvailable()) {
            std::cout << "[ skipped  ] " << c.name << ": 256000 baud is "
                      << testsupport::kNotEmulated << "\n";
            continue;
        }
        PrinterLine line(kPort);
        CPrinterDemoDlg dialog;
        ExpectScriptPasses(dialog, "select 1002 2\nclick 1005\nselect 1003 " +
                                       std::to_string(c.item) + "\nclick 1006\nclose\n");
        line.ReadUntil(kAutoStatus47);
        const Bytes expected = Concat({kClearBuffers, c.command});
        EXPECT_EQ(line.ReadUntil(expected), expected);
        std::uint32_t baud = 0;
        ASSERT_TRUE(line.Peer().SlaveBaudRate(baud));
        EXPECT_EQ(baud, c.baud);
    }
}

TEST(PortControl, FlowControlChangeToNoneTellsThePrinter) {
    PrinterLine line(kPort);
    CPrinterDemoDlg dialog;
    ExpectScriptPasses(
        dialog, "select 1002 2\nselect 1004 1\nclick 1005\nselect 1004 0\nclick 1007\nclose\n");
    line.ReadUntil(kAutoStatus47);
    const Bytes expected = Concat({kClearBuffers, FlowCommand(0)});
    EXPECT_EQ(line.ReadUntil(expected), expected);
    termios settings{};
    ASSERT_TRUE(line.Peer().SlaveTermios(settings));
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
}

TEST(PortControl, StatusBytesDriveTheBoxesAndSleepButtonsSendTheirCommands) {
    PrinterLine line(kPort);
    Bytes enterBytes;
    Bytes exitBytes;
    std::thread printer([&] {
        line.ReadUntil(kAutoStatus47);
        line.Peer().Write(Bytes{0x09});  // over-voltage and overheat
        enterBytes = line.ReadUntil(Concat({kClearBuffers, kEnterSleep}));
        line.Peer().Write(
            Bytes{0x09, 0x1F});  // the same again; then a byte with bit 4, not a status
        exitBytes = line.ReadUntil(Concat({kClearBuffers, kExitSleep}));
        line.Peer().Write(Bytes{0x00});
    });
    CPrinterDemoDlg dialog;
    ExpectScriptPasses(
        dialog,
        "select 1002 2\nclick 1005\n"
        "wait until check 1021 1\nwait until check 1019 1\n"
        "expect check 1020 0\nexpect check 1022 0\nexpect check 1023 0\n"
        "click 1024\nwait 800\n"
        "expect check 1021 1\nexpect check 1019 1\nexpect check 1020 0\nexpect check 1023 0\n"
        "click 1025\n"
        "wait until check 1021 0\nwait until check 1019 0\nexpect check 1020 0\n"
        "close\n");
    printer.join();
    EXPECT_EQ(enterBytes, Concat({kClearBuffers, kEnterSleep}));
    EXPECT_EQ(exitBytes, Concat({kClearBuffers, kExitSleep}));
}

}  // namespace
}  // namespace apptest
