// The dialog's whole session with a printer behind a real serial device server: every
// demonstration's bytes as on a local port, the speed there and back with the line following,
// paper out reported through the server, and the flow control.
#include <gtest/gtest.h>

#include <thread>

#include "DialogScript.h"
#include "tests/app/DemoCapture.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/WaitUntil.h"

namespace apptest {
namespace {

using testsupport::DeviceServer;

constexpr int kPort = 3;  // the script selects list item 2, "COM3"

const Bytes kOpen = {0x1B, 0x40, 0x10, 0x04, 0x05, 0x1D, 0x61, 0x2F};
const Bytes kClearBuffers = {0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08};
const Bytes kTo115200 = {0x1D, 0x28, 0x45, 0x08, 0x00, 0x0B, 0x01, '1', '1', '5', '2', '0', '0'};
const Bytes kTo9600 = {0x1D, 0x28, 0x45, 0x06, 0x00, 0x0B, 0x01, '9', '6', '0', '0'};
const Bytes kSoftwareFlow = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x03, 0x31};
constexpr std::uint8_t kPaperOut = 0x04;

class NetworkSession : public ::testing::TestWithParam<DeviceServer::Kind> {};

TEST_P(NetworkSession, TheDialogsWholeSessionReachesThePrinterBehindTheServer) {
    testsupport::PtyPeer printer;
    ASSERT_TRUE(printer.Ok());
    DeviceServer server(GetParam(), printer.SlavePath());
    if (!server.Ok()) GTEST_SKIP() << server.Problem();
    ASSERT_TRUE(platform::MapPort(kPort, server.Url()));

    // What arrives by the end of each step: the opening and every demonstration as they go out
    // on a local port, then each change with the buffers cleared ahead of it.
    Bytes expected = kOpen;
    std::string clicks;
    for (const Demonstration& demo : kDemonstrations) {
        const Bytes stream = SentBy(demo.print);
        expected.insert(expected.end(), stream.begin(), stream.end());
        clicks += "click " + std::to_string(demo.controlId) + "\n";
    }
    std::vector<std::size_t> stepEnds = {expected.size()};
    for (const Bytes* change : {&kTo115200, &kTo9600, &kSoftwareFlow}) {
        expected.insert(expected.end(), kClearBuffers.begin(), kClearBuffers.end());
        expected.insert(expected.end(), change->begin(), change->end());
        stepEnds.push_back(expected.size());
    }

    // The printer's side takes each step's bytes, waits for the server to put its line at the
    // speed it was told, and answers with paper out, back and out again: the dialog, which
    // clears its buffers on every change, goes on once its paper-out box shows the answer.
    Bytes seen;
    std::vector<std::uint32_t> lineSpeeds;
    std::thread peer([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        const std::uint32_t speeds[] = {9600, 115200, 9600};
        for (std::size_t step = 0; step < stepEnds.size(); ++step) {
            while (seen.size() < stepEnds[step] && std::chrono::steady_clock::now() < until) {
                const Bytes more = printer.Read(4096, std::chrono::milliseconds(50));
                seen.insert(seen.end(), more.begin(), more.end());
            }
            if (seen.size() != stepEnds[step] || step == stepEnds.size() - 1) return;
            std::uint32_t baud = 0;
            testsupport::WaitUntil(
                [&] { return printer.SlaveBaudRate(baud) && baud == speeds[step]; });
            lineSpeeds.push_back(baud);
            printer.Write(Bytes{static_cast<std::uint8_t>(step % 2 == 0 ? kPaperOut : 0x00)});
        }
    });
    {
        CPrinterDemoDlg dialog;
        ExpectScriptPasses(dialog, "select 1002 2\nclick 1005\nexpect text 1005 关闭串口\n" +
                                       clicks +
                                       "wait until check 1020 1\nselect 1003 2\nclick 1006\n"
                                       "wait until check 1020 0\nselect 1003 0\nclick 1006\n"
                                       "wait until check 1020 1\nselect 1004 2\nclick 1007\n"
                                       "close\n");
        peer.join();
        EXPECT_EQ(lineSpeeds, (std::vector<std::uint32_t>{9600, 115200, 9600}))
            << "the server's line did not follow each speed the printer was told";
        termios settings{};
        ASSERT_TRUE(printer.SlaveTermios(settings));
        EXPECT_NE(settings.c_iflag & IXON, 0u) << "XON/XOFF was not put on the server's line";
    }
    platform::MapPort(kPort, "");
    ASSERT_EQ(seen.size(), expected.size());
    EXPECT_TRUE(seen == expected) << "the bytes differ from a local port's";
}

INSTANTIATE_TEST_SUITE_P(Servers, NetworkSession,
                         ::testing::Values(DeviceServer::Kind::Ser2net,
                                           DeviceServer::Kind::PySerial),
                         [](const auto& info) {
                             return std::string(DeviceServer::Name(info.param));
                         });

}  // namespace
}  // namespace apptest
