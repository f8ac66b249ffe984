// The printer's line served over RFC 2217: settings in order with the data, through our own
// client, and a receipt through pyserial's client against printer-emulator --rfc2217.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "emulator/link/Rfc2217Server.h"
#include "platform/win32.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace std::string_literals;

HANDLE OpenUrl(const std::string& url) {
    return CreateFileW(platform::Utf8ToWide(url).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A change to 115200 sent after 101 bytes: through our client, and in the same segment as the
// bytes (a server that reads them in one go must still wait for the printer to take them).
TEST(Rfc2217Server, SettingsTakeEffectAfterTheBytesSentBeforeThem) {
    const std::string sent = std::string(100, 'A') + "\xFF";
    for (const bool oneSegment : {false, true}) {
        SCOPED_TRACE(oneSegment ? "in the bytes' segment" : "through the client");
        testsupport::PtyPeer printer;
        ASSERT_TRUE(printer.Ok());
        std::atomic<std::uint64_t> taken{0};
        std::atomic<int> looks{0};  // the server asking how far the printer has got
        emu::Rfc2217Server server([&] {
            ++looks;
            return taken.load();
        });
        std::string error;
        ASSERT_TRUE(server.Open({"127.0.0.1", 0}, printer.SlavePath(), &error)) << error;
        ASSERT_TRUE(server.Start(&error)) << error;

        HANDLE port = INVALID_HANDLE_VALUE;
        DCB dcb{};
        std::future<BOOL> change;
        const int raw = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        std::uint32_t before = 0;  // the line's rate before the change
        if (oneSegment) {
            ASSERT_TRUE(printer.SlaveBaudRate(before));
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(server.Listener().Port());
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(connect(raw, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
            // The data with its IAC doubled, then SET-BAUDRATE 115200.
            const std::string segment = sent + "\xFF\xFF\xFA\x2C\x01\x00\x01\xC2\x00\xFF\xF0"s;
            ASSERT_EQ(send(raw, segment.data(), segment.size(), 0),
                      static_cast<ssize_t>(segment.size()));
        } else {
            port = OpenUrl("rfc2217://" + server.Listener().Name());
            ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
            COMMTIMEOUTS t{0, 0, 2000, 0, 2000};
            ASSERT_TRUE(SetCommTimeouts(port, &t));
            ASSERT_TRUE(GetCommState(port, &dcb));
            ASSERT_TRUE(SetCommState(port, &dcb));  // 9600, as the server acknowledged
            ASSERT_TRUE(printer.SlaveBaudRate(before));
            DWORD put = 0;
            ASSERT_TRUE(
                WriteFile(port, sent.data(), static_cast<DWORD>(sent.size()), &put, nullptr));
            dcb.BaudRate = 115200;
            change = std::async(std::launch::async, [&] { return SetCommState(port, &dcb); });
        }
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            int unread = 0;
            ioctl(printer.MasterFd(), FIONREAD, &unread);
            return static_cast<std::size_t>(unread) == sent.size();
        }));
        // The bytes are on the line: the server has had the change and looked at the printer
        // twice since, and still waits.
        const int looked = looks.load();
        std::uint32_t baud = 0;
        testsupport::WaitUntil([&] {
            return looks.load() >= looked + 2 || !printer.SlaveBaudRate(baud) || baud != before;
        });
        ASSERT_TRUE(printer.SlaveBaudRate(baud));
        EXPECT_EQ(baud, before) << "the change waits for the printer to take the bytes before it";
        const auto got = printer.Read(sent.size(), std::chrono::milliseconds(2000));
        taken = got.size();
        EXPECT_EQ(std::string(got.begin(), got.end()), sent);
        if (oneSegment) {
            EXPECT_TRUE(testsupport::WaitUntil(
                [&] { return printer.SlaveBaudRate(baud) && baud == 115200; }));
        } else {
            EXPECT_TRUE(change.get()) << platform::LastErrorText();
            ASSERT_TRUE(printer.SlaveBaudRate(baud));
            EXPECT_EQ(baud, 115200u);

            ASSERT_TRUE(printer.Write(std::string("\x12\xFF")));
            char back[2] = {};
            DWORD n = 0;
            ASSERT_TRUE(ReadFile(port, back, 2, &n, nullptr));
            EXPECT_EQ(std::string(back, n), "\x12\xFF");
            CloseHandle(port);
        }
        close(raw);
        server.Stop();
    }
}

// A printer that has stopped taking (paper out, its buffer full, XOFF sent) stops the server's
// line, and the connection then holds the host back: nothing is lost, all of it arrives after.
TEST(Rfc2217Server, APrinterThatStopsTakingHoldsTheHostBack) {
    constexpr std::size_t kCapacity = 4096;
    emu::VirtualPrinter printer(384, kCapacity);
    emu::Link link(printer);
    std::string error;
    ASSERT_TRUE(link.OpenPty(&error)) << error;
    ASSERT_TRUE(link.Start(&error)) << error;
    emu::Rfc2217Server server([&] { return link.LineTaken(); });
    ASSERT_TRUE(server.Open({"127.0.0.1", 0}, link.DevicePath(), &error)) << error;
    ASSERT_TRUE(server.Start(&error)) << error;
    HANDLE port = OpenUrl("rfc2217://" + server.Listener().Name());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.fOutX = TRUE;
    ASSERT_TRUE(SetCommState(port, &dcb)) << platform::LastErrorText();
    const std::string software = "\x1D\x28\x45\x03\x00\x0B\x03\x31"s;
    DWORD put = 0;
    ASSERT_TRUE(
        WriteFile(port, software.data(), static_cast<DWORD>(software.size()), &put, nullptr));
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] { return printer.Line().handshake == emu::Handshake::Software; }));

    printer.SetCondition(emu::Condition::PaperOut, true);
    COMMTIMEOUTS t{0, 0, 0, 0, 1000};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    const std::string block(2 << 20, '\0');  // skipped bytes: cheap to decode
    WriteFile(port, block.data(), static_cast<DWORD>(block.size()), &put, nullptr);
    EXPECT_LT(put, block.size()) << "the host was not held back";
    EXPECT_LE(printer.Waiting(), kCapacity);

    printer.SetCondition(emu::Condition::PaperOut, false);
    t.WriteTotalTimeoutConstant = 0;
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    DWORD rest = 0;
    ASSERT_TRUE(WriteFile(port, block.data() + put, static_cast<DWORD>(block.size() - put), &rest,
                          nullptr));
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] { return printer.Received() == software.size() + block.size(); }, 60000))
        << "received " << printer.Received();
    EXPECT_EQ(link.FramingErrors(), 0u);
    CloseHandle(port);
    server.Stop();
    link.Stop();
}

TEST(Rfc2217Server, PySerialsClientPrintsAReceipt) {
    const char* python = "/usr/bin/python3";
    if (access(python, X_OK) != 0 || system("/usr/bin/python3 -c 'import serial' 2>/dev/null"))
        GTEST_SKIP() << "python3-serial is not installed (scripts/install-deps.sh)";
    testsupport::TempDir dir;
    testsupport::ChildProcess program(
        {PRINTER_EMULATOR, "--pty", "--rfc2217", "0", "--out", (dir / "out").string()},
        testsupport::ChildProcess::kOutput);
    ASSERT_TRUE(program.Started());
    std::string url;
    while (url.empty()) {
        const std::string line = program.ReadLine();
        if (line.empty()) break;
        if (line.rfind("rfc2217: ", 0) == 0) url = line.substr(9);
    }
    ASSERT_FALSE(url.empty());
    url.pop_back();
    const std::string client = std::string(python) + " " + CE_MOLV_SOURCE_DIR +
                               "/tests/support/peers/pyserial-rfc2217-client.py " + url;
    std::FILE* run = popen(client.c_str(), "r");
    ASSERT_NE(run, nullptr);
    char reply[64] = {};
    std::fgets(reply, sizeof reply, run);
    EXPECT_EQ(pclose(run), 0);
    EXPECT_EQ(std::string(reply), "00\n") << "the status reply came back through the server";
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        return std::filesystem::exists(dir / "out" / "receipt-001.png");
    })) << "the full cut, sent at 9600 after the change back, ended a receipt";
    program.Signal(SIGTERM);
    program.Wait();
}

}  // namespace
