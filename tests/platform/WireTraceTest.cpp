#include <unistd.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "platform/WireTrace.h"
#include "tests/platform/PortFixture.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> Lines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class WireTraceTest : public PortTest {
  protected:
    void SetUp() override {
        PortTest::SetUp();
        std::string error;
        ASSERT_TRUE(platform::SetWireTrace((dir / "wire.txt").string(), &error)) << error;
        SetTimeouts(MAXDWORD, 0, 0);  // reads return at once with what is waiting
    }
    void TearDown() override {
        platform::SetWireTrace("", nullptr);
        PortTest::TearDown();
    }

    testsupport::TempDir dir;
};

TEST_F(WireTraceTest, OneLinePerTransferWithDirectionDeviceCountAndHex) {
    const BYTE sent[] = {0x1B, 0x40, 0x00, 0xFF};
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, sent, sizeof sent, &n, nullptr));
    ASSERT_EQ(peer.Read(4, Millis(1000)).size(), 4u);
    ASSERT_TRUE(peer.Write(std::vector<std::uint8_t>{0x04, 0x31}));
    BYTE got[8] = {};
    DWORD total = 0;
    for (int i = 0; i < 100 && total < 2; ++i) {
        ASSERT_TRUE(ReadFile(port, got + total, sizeof got - total, &n, nullptr));
        total += n;
        if (total < 2) Sleep(5);
    }
    ASSERT_EQ(total, 2u);
    // Reads that move nothing leave no line.
    ASSERT_TRUE(ReadFile(port, got, sizeof got, &n, nullptr));
    ASSERT_EQ(n, 0u);
    platform::SetWireTrace("", nullptr);

    const std::vector<std::string> lines = Lines(dir / "wire.txt");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0][0], '#');
    const std::string device = peer.SlavePath();
    const std::regex stamp(R"(^(\d+\.\d{6}) (TX|RX) (\S+) (\d+):((?: [0-9A-F]{2})+)$)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[1], m, stamp)) << lines[1];
    EXPECT_EQ(m[2], "TX");
    EXPECT_EQ(m[3], device);
    EXPECT_EQ(m[4], "4");
    EXPECT_EQ(m[5], " 1B 40 00 FF");
    const double first = std::stod(m[1]);
    std::string received;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], m, stamp)) << lines[i];
        EXPECT_EQ(m[2], "RX");
        EXPECT_GE(std::stod(m[1]), first) << "time runs forward";
        received += m[5];
    }
    EXPECT_EQ(received, " 04 31") << "the two bytes, in one read or two";
}

TEST_F(WireTraceTest, EachChangeOfTheLineSettingsHasALineOfItsOwn) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 19200;
    ASSERT_TRUE(SetCommState(port, &dcb));
    ASSERT_TRUE(SetCommState(port, &dcb));  // no change, no line
    dcb.fOutX = dcb.fInX = 1;
    ASSERT_TRUE(SetCommState(port, &dcb));
    platform::TraceLineEvent(peer.SlavePath(), "printer sends XOFF");
    platform::SetWireTrace("", nullptr);

    const std::string device = peer.SlavePath();
    const std::vector<std::string> expected = {
        " -- " + device + " host line: 19200 baud 8N1, flow control none",
        " -- " + device + " host line: 19200 baud 8N1, flow control XON/XOFF",
        " -- " + device + " printer sends XOFF"};
    const std::vector<std::string> lines = Lines(dir / "wire.txt");
    ASSERT_EQ(lines.size(), expected.size() + 1) << "the heading and one line per event";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i + 1].substr(lines[i + 1].find(' ')), expected[i]);
    }
}

TEST_F(WireTraceTest, StoppingTheTraceStopsTheLinesAndAnUnwritablePathIsRefused) {
    platform::SetWireTrace("", nullptr);
    const BYTE sent[] = {0x0A};
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, sent, sizeof sent, &n, nullptr));
    EXPECT_EQ(Lines(dir / "wire.txt").size(), 1u) << "only the heading";

    std::string error;
    EXPECT_FALSE(platform::SetWireTrace((dir / "missing" / "wire.txt").string(), &error));
    EXPECT_NE(error.find("missing/wire.txt"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(platform::SetWireTrace("/dev/full", &error)) << "takes nothing";
    EXPECT_EQ(error, "/dev/full: No space left on device");
}

// A trace whose reader went away: the first failed line stops the trace and says why, once.
TEST_F(WireTraceTest, AWriteThatFailsStopsTheTraceAndIsReportedOnce) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    ASSERT_TRUE(platform::SetWireTrace("/proc/self/fd/" + std::to_string(ends[1]), &error))
        << error;
    close(ends[0]);
    testsupport::StderrCapture capture;
    const BYTE sent[] = {0x1B, 0x40};
    DWORD n = 0;
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(WriteFile(port, sent, sizeof sent, &n, nullptr));
    const std::string said = capture.Take();
    close(ends[1]);
    std::signal(SIGPIPE, previous);
    EXPECT_NE(platform::WireTraceFailure().find("Broken pipe"), std::string::npos);
    const std::size_t at = said.find("wire trace: cannot write /proc/self/fd/");
    EXPECT_NE(at, std::string::npos) << said;
    EXPECT_EQ(said.find("wire trace", at + 1), std::string::npos) << "said once";
    ASSERT_TRUE(platform::SetWireTrace((dir / "again.txt").string(), &error));
    EXPECT_EQ(platform::WireTraceFailure(), "") << "a new trace starts clean";
}

}  // namespace
