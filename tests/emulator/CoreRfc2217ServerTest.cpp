// The printer's line served over RFC 2217: settings in order with the data, through our own
// client, and a receipt through pyserial's client against printer-emulator --rfc2217.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <future>

#include "emulator/link/Rfc2217Server.h"
#include "platform/win32.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

HANDLE OpenUrl(const std::string& url) {
    return CreateFileW(platform::Utf8ToWide(url).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Rfc2217Server, SettingsTakeEffectAfterTheBytesSentBeforeThem) {
    testsupport::PtyPeer printer;
    ASSERT_TRUE(printer.Ok());
    std::atomic<std::uint64_t> taken{0};
    emu::Rfc2217Server server([&] { return taken.load(); });
    std::string error;
    ASSERT_TRUE(server.Open({"127.0.0.1", 0}, printer.SlavePath(), &error)) << error;
    ASSERT_TRUE(server.Start(&error)) << error;
    HANDLE port = OpenUrl("rfc2217://" + server.Listener().Name());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    COMMTIMEOUTS t{0, 0, 2000, 0, 2000};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    ASSERT_TRUE(SetCommState(port, &dcb));  // 9600, as the server acknowledged

    const std::string sent = std::string(100, 'A') + "\xFF";
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, sent.data(), static_cast<DWORD>(sent.size()), &put, nullptr));
    dcb.BaudRate = 115200;
    auto change = std::async(std::launch::async, [&] { return SetCommState(port, &dcb); });
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        int unread = 0;
        ioctl(printer.MasterFd(), FIONREAD, &unread);
        return static_cast<std::size_t>(unread) == sent.size();
    }));
    std::uint32_t baud = 0;
    ASSERT_TRUE(printer.SlaveBaudRate(baud));
    EXPECT_EQ(baud, 9600u) << "the change waits for the printer to take the bytes before it";
    const auto got = printer.Read(sent.size(), std::chrono::milliseconds(2000));
    taken = got.size();
    EXPECT_EQ(std::string(got.begin(), got.end()), sent);
    EXPECT_TRUE(change.get()) << platform::LastErrorText();
    ASSERT_TRUE(printer.SlaveBaudRate(baud));
    EXPECT_EQ(baud, 115200u);

    ASSERT_TRUE(printer.Write(std::string("\x12\xFF")));
    char back[2] = {};
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(port, back, 2, &n, nullptr));
    EXPECT_EQ(std::string(back, n), "\x12\xFF");
    CloseHandle(port);
    server.Stop();
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
