// A listening TCP socket for raw print jobs, as network receipt printers accept them: the host
// connects, writes the printer's command stream and reads the printer's replies on the same
// connection.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct sockaddr_storage;

namespace emu {

struct ListenAddress {
    std::string host = "127.0.0.1";  // other interfaces only when asked for
    std::uint16_t port = 0;          // 0: any free port
};

// A socket address as "ADDR:PORT" or "[V6ADDR]:PORT", as connections are named.
std::string DescribePeer(const sockaddr_storage& address);

// "[ADDR:]PORT", "[V6ADDR]:PORT"; nothing, with the reason in *error, when it is not one.
std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string* error);

class TcpListener {
  public:
    // Bytes a connection may have on their way before its host's writes wait.
    static constexpr int kReceiveBuffer = 1024 * 1024;
    // Reply bytes the kernel holds for a connection that does not read them.
    static constexpr int kSendBuffer = 64 * 1024;

    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // False with the reason in *error; *inUse says the port was taken by someone else.
    bool Open(const ListenAddress& address, std::string* error, bool* inUse = nullptr);
    void Close();
    int Fd() const { return m_fd; }
    // The port actually bound (the one asked for, or the one chosen for port 0).
    std::uint16_t Port() const { return m_port; }
    // "ADDR:PORT" as bound.
    const std::string& Name() const { return m_name; }

    // A connected, non-blocking socket with Nagle off (replies are a byte or two and must not
    // wait), or -1 when no connection is pending. *peer (when given) is its "ADDR:PORT".
    int Accept(std::string* peer = nullptr);

  private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::string m_name;
};

}  // namespace emu
