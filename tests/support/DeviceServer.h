// A real serial device server on a loopback port, in front of a device path (a pseudo-terminal
// whose other end the test plays): ser2net with an RFC 2217 accepter, or the RFC 2217 server
// from python3-serial's examples. Started by the constructor, stopped by its PID.
//
//     testsupport::PtyPeer printer;
//     testsupport::DeviceServer server(testsupport::DeviceServer::Kind::Ser2net,
//                                      printer.SlavePath());
//     if (!server.Ok()) GTEST_SKIP() << server.Problem();
//     HANDLE port = CreateFileW(platform::Utf8ToWide(server.Url()).c_str(), ...);
#pragma once

#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class DeviceServer {
  public:
    enum class Kind { Ser2net, PySerial };

    DeviceServer(Kind kind, const std::string& devicePath);
    ~DeviceServer();
    DeviceServer(const DeviceServer&) = delete;
    DeviceServer& operator=(const DeviceServer&) = delete;

    // False, with the reason in Problem(), when the server is not installed or did not start.
    bool Ok() const { return m_server.has_value(); }
    const std::string& Problem() const { return m_problem; }
    // "rfc2217://127.0.0.1:PORT"
    std::string Url() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }
    static const char* Name(Kind kind);

  private:
    TempDir m_dir;
    std::optional<ChildProcess> m_server;  // while it serves
    int m_port = 0;
    std::string m_problem;
};

// A loopback TCP port nobody listens on now.
int FreeLoopbackPort();
// True once something listens on the loopback port (read from /proc/net/tcp, not by connecting,
// which a one-connection server would take as its client).
bool Listening(int port);

}  // namespace testsupport
