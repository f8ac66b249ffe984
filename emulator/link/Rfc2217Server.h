// The printer's line served as a network serial device server does it (RFC 2217, the Telnet
// COM-PORT-OPTION): one client at a time connects, and its data goes to the host end of the pty
// while the printer's bytes come back, IAC doubled both ways. The client's line settings arrive in
// band; each is put on the pty only once the printer has taken every byte sent before it (or
// after kSettleLimit, when the printer takes nothing, out of paper), so the printer judges each
// byte at the settings the host had when it sent it. Flow control set by the
// client is the pty's own (IXON, CRTSCTS): an XOFF from the printer holds the bytes back, the
// server stops reading, and the host's writes wait, as through a device server.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "emulator/link/TcpListener.h"

namespace emu {

class Rfc2217Server {
  public:
    // taken: how many bytes the printer has taken off the line so far (read, whether it could
    // decode them or not).
    explicit Rfc2217Server(std::function<std::uint64_t()> taken);
    ~Rfc2217Server();
    Rfc2217Server(const Rfc2217Server&) = delete;
    Rfc2217Server& operator=(const Rfc2217Server&) = delete;

    // Listens for clients of the pty whose host end is linePath. False with the reason in
    // *error; *inUse says the port was taken.
    bool Open(const ListenAddress& address, const std::string& linePath, std::string* error,
              bool* inUse = nullptr);
    const TcpListener& Listener() const { return m_listener; }
    bool Start(std::string* error);
    void Stop();

  private:
    void Run();

    std::function<std::uint64_t()> m_taken;
    TcpListener m_listener;
    std::string m_linePath;
    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace emu
