// Serial ports on the network: through real device servers to a pseudo-terminal, and against
// servers of the test's own that misbehave.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "tests/platform/PortFixture.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/WaitUntil.h"

namespace {

using testsupport::DeviceServer;
using namespace std::string_literals;

constexpr char kIac = '\xFF';

HANDLE OpenUrl(const std::string& url) {
    return CreateFileW(platform::Utf8ToWide(url).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void Timeouts(HANDLE port, DWORD readConstant, DWORD writeConstant) {
    COMMTIMEOUTS t{0, 0, readConstant, 0, writeConstant};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
}

std::string ReadSome(HANDLE port, std::size_t count) {
    std::string got(count, '\0');
    DWORD n = 0;
    ReadFile(port, got.data(), static_cast<DWORD>(count), &n, nullptr);
    got.resize(n);
    return got;
}

// --- through real device servers --------------------------------------------------------------

class RealServer : public ::testing::TestWithParam<DeviceServer::Kind> {};

TEST_P(RealServer, CarriesDataAndSettingsToTheLine) {
    testsupport::PtyPeer printer;
    ASSERT_TRUE(printer.Ok());
    DeviceServer server(GetParam(), printer.SlavePath());
    if (!server.Ok()) GTEST_SKIP() << server.Problem();
    HANDLE port = OpenUrl(server.Url());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    Timeouts(port, 2000, 2000);

    const std::string out = std::string("\x1b@") + kIac + "\x01" + kIac + kIac + "end";
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, out.data(), static_cast<DWORD>(out.size()), &put, nullptr));
    EXPECT_EQ(put, out.size());
    const auto got = printer.Read(out.size(), Millis(5000));
    EXPECT_EQ(std::string(got.begin(), got.end()), out) << "IAC travels undoubled";

    const std::string back = std::string("\x04") + kIac + "\x00\x12"s;
    ASSERT_TRUE(printer.Write(back));
    EXPECT_EQ(ReadSome(port, back.size()), back);

    for (DWORD baud : {115200u, 9600u}) {
        DCB dcb{};
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = baud;
        dcb.fOutX = 1;
        EXPECT_TRUE(SetCommState(port, &dcb)) << GetLastError() << " " << platform::LastErrorText();
        DCB now{};
        ASSERT_TRUE(GetCommState(port, &now));
        EXPECT_EQ(now.BaudRate, baud) << "the server's acknowledgement";
        std::uint32_t line = 0;
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            return printer.SlaveBaudRate(line) && line == baud;
        })) << "the server set the line to "
            << line;
    }
    CloseHandle(port);
    // The next open is a new connection.
    port = OpenUrl(server.Url());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    CloseHandle(port);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer,
                         ::testing::Values(DeviceServer::Kind::Ser2net,
                                           DeviceServer::Kind::PySerial),
                         [](const auto& info) { return DeviceServer::Name(info.param); });

// --- servers of the test's own -----------------------------------------------------------------

std::string Sb(const std::string& body) {
    std::string out = std::string() + kIac + '\xFA' + ',' + body + kIac + '\xF0';
    return out;
}
const std::string kAgree = std::string() + kIac + '\xFD' + ',';  // IAC DO COM-PORT-OPTION

// One connection on a loopback port, served by a function of the test on a thread of its own.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::function<void(int)> script) : m_script(std::move(script)) {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            int fd = accept(m_listener, nullptr, nullptr);
            if (fd < 0) return;
            m_script(fd);
            close(fd);
        });
    }
    ~ScriptedServer() {
        Join();
        close(m_listener);
    }
    // Waits for the script to end (a server never connected to ends at once).
    void Join() {
        shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable()) m_thread.join();
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string Url(const char* scheme = "rfc2217://") const {
        return scheme + std::string("127.0.0.1:") + std::to_string(m_port);
    }

  private:
    std::function<void(int)> m_script;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
};

void Send(int fd, const std::string& bytes) { send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

// What the client sent until the text turns up, the client closes or 5 s pass.
std::string ReceiveUntil(int fd, const std::string& text) {
    std::string got;
    bool closed = false;
    testsupport::WaitUntil([&] {
        char chunk[4096];
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 10) > 0) {
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n > 0) got.append(chunk, static_cast<std::size_t>(n));
            closed = n <= 0;
        }
        return closed || got.find(text) != std::string::npos;
    });
    return got;
}

// Holds the connection, answering nothing, until the client gives up and closes it.
void StaySilent(int fd) {
    char chunk[4096];
    pollfd entry{fd, POLLIN, 0};
    while (poll(&entry, 1, 30000) > 0 && recv(fd, chunk, sizeof chunk, 0) > 0) {
    }
}

TEST(NetworkPortOpen, SaysWhyItFails) {
    ScriptedServer silent(StaySilent);
    ScriptedServer refusing([](int fd) { Send(fd, std::string() + kIac + '\xFE' + ','); });
    struct Case {
        const char* name;
        std::string url;
        const char* text;
    } const cases[] = {
        {"nothing listens",
         "rfc2217://127.0.0.1:" + std::to_string(testsupport::FreeLoopbackPort()),
         "connection refused"},
        {"never answers", silent.Url(), "no RFC 2217 answer within"},
        {"not RFC 2217", refusing.Url(), "does not speak RFC 2217"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OpenUrl(c.url), INVALID_HANDLE_VALUE) << c.name;
        const std::string text = platform::LastErrorText();
        EXPECT_EQ(text.rfind(c.url + ": ", 0), 0u) << c.name << ": " << text;
        EXPECT_NE(text.find(c.text), std::string::npos) << c.name << ": " << text;
    }
}

TEST(NetworkPort, ReportsTheServersLineEventsAndFollowsItsMasks) {
    std::string seen;
    std::atomic<bool> resume{false};
    ScriptedServer server([&](int fd) {
        Send(fd, kAgree);
        seen = ReceiveUntil(fd, Sb("\x0B\xF1"));    // modem-state mask: lines and delta CTS
        Send(fd, Sb("\x6B\x10") + Sb("\x6A\x18"));  // CTS on; framing error and break
        seen += ReceiveUntil(fd, Sb("\x0C\x02"));   // purge what the server holds to send
        Send(fd, Sb("\x6C"));                       // suspend: the client holds its data back
        testsupport::WaitUntil([&] { return resume.load(); });
        Send(fd, Sb("\x6D"));
        seen += ReceiveUntil(fd, "held");
    });
    HANDLE port = OpenUrl(server.Url());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    ASSERT_TRUE(SetCommMask(port, EV_CTS | EV_ERR | EV_BREAK));
    DWORD events = 0;
    while (events != (EV_CTS | EV_ERR | EV_BREAK)) {
        DWORD now = 0;
        ASSERT_TRUE(WaitCommEvent(port, &now, nullptr));
        events |= now;
    }
    DWORD lines = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &lines));
    EXPECT_EQ(lines, MS_CTS_ON);
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port, &errors, nullptr));
    EXPECT_EQ(errors, CE_FRAME | CE_BREAK);

    ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR));
    Timeouts(port, 0, 300);
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        DWORD put = 1;
        return WriteFile(port, "x", 1, &put, nullptr) && put == 0;
    })) << "a suspended server takes no data";
    resume = true;
    Timeouts(port, 0, 5000);
    DWORD put = 0;
    EXPECT_TRUE(WriteFile(port, "held", 4, &put, nullptr));
    EXPECT_EQ(put, 4u);
    server.Join();
    CloseHandle(port);
    EXPECT_NE(seen.find("held"), std::string::npos);
    EXPECT_NE(seen.find(Sb("\x0B\xF1")), std::string::npos);
    EXPECT_NE(seen.find(Sb("\x0C\x02")), std::string::npos);
}

// Bad peers end in a port that reports its device gone, at once and every time after.
TEST(NetworkPort, BadPeersLeaveADeviceThatHasGone) {
    struct Case {
        const char* name;
        std::function<void(int)> script;
    } const cases[] = {
        {"closes mid-write",
         [](int fd) {
             Send(fd, kAgree);
             ReceiveUntil(fd, "\x1b@");
         }},
        {"IAC garbage",
         [](int fd) {
             Send(fd, kAgree + std::string() + kIac + '\xFA' + ',' + std::string(300, 'x'));
             StaySilent(fd);
         }},
        {"floods NOTIFY, then closes",
         [](int fd) {
             Send(fd, kAgree);
             for (int i = 0; i < 20000; ++i) Send(fd, Sb(i % 2 ? "\x6B\x11" : "\x6B\x01"));
         }},
    };
    const std::string block = "\x1b@" + std::string(1 << 20, 'A');
    for (const Case& c : cases) {
        ScriptedServer server(c.script);
        HANDLE port = OpenUrl(server.Url());
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << c.name << ": " << platform::LastErrorText();
        Timeouts(port, 100, 10000);
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] {
                DWORD n = 0;
                char byte = 0;
                SetLastError(0);
                WriteFile(port, block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
                ReadFile(port, &byte, 1, &n, nullptr);
                return GetLastError() == ERROR_DEVICE_NOT_CONNECTED;
            },
            20000))
            << c.name;
        DWORD mask = 0;
        SetLastError(0);
        EXPECT_FALSE(WaitCommEvent(port, &mask, nullptr)) << c.name;
        EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED) << c.name;
        CloseHandle(port);
    }
}

TEST(NetworkPort, RawSocketCarriesDataOnlyAndKeepsSettings) {
    std::string seen;
    ScriptedServer server([&](int fd) {
        seen = ReceiveUntil(fd, "\x1b@\xFF");
        Send(fd, "\x12\xFF");
        ReceiveUntil(fd, "closed");
    });
    HANDLE port = OpenUrl(server.Url("socket://"));
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    Timeouts(port, 2000, 2000);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 115200;
    dcb.fOutxCtsFlow = 1;
    ASSERT_TRUE(SetCommState(port, &dcb));
    DCB now{};
    ASSERT_TRUE(GetCommState(port, &now));
    EXPECT_EQ(now.BaudRate, 115200u);
    EXPECT_EQ(now.fOutxCtsFlow, 1u);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(port, "\x1b@\xFF", 3, &put, nullptr));
    EXPECT_EQ(ReadSome(port, 2), "\x12\xFF");
    ASSERT_TRUE(WriteFile(port, "closed", 6, &put, nullptr));
    server.Join();
    EXPECT_EQ(seen, "\x1b@\xFF") << "no Telnet framing";
    char byte = 0;
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(port, &byte, 1, &n, nullptr)) << "the peer closed";
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    CloseHandle(port);
}

}  // namespace
