#include "emulator/link/TcpListener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace emu {

std::optional<ListenAddress> ParseListenAddress(const std::string& text, std::string* error) {
    ListenAddress address;
    std::string portText = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        address.host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (address.host.size() >= 2 && address.host.front() == '[' && address.host.back() == ']')
            address.host = address.host.substr(1, address.host.size() - 2);
        if (address.host.empty()) {
            *error = "'" + text + "': give the address before the colon, or the port alone";
            return std::nullopt;
        }
    }
    unsigned port = 0;
    const char* end = portText.data() + portText.size();
    auto [ptr, ec] = std::from_chars(portText.data(), end, port);
    if (portText.empty() || ec != std::errc() || ptr != end || port > 65535) {
        *error = "'" + text + "': the port must be a number from 0 to 65535 (9100 is usual)";
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

std::string DescribePeer(const sockaddr_storage& from) {
    char host[INET6_ADDRSTRLEN] = "?";
    if (from.ss_family == AF_INET6) {
        const auto& a = reinterpret_cast<const sockaddr_in6&>(from);
        ::inet_ntop(AF_INET6, &a.sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(ntohs(a.sin6_port));
    }
    const auto& a = reinterpret_cast<const sockaddr_in&>(from);
    ::inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(a.sin_port));
}

TcpListener::~TcpListener() { Close(); }

void TcpListener::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool TcpListener::Open(const ListenAddress& address, std::string* error, bool* inUse) {
    if (inUse) *inUse = false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (int rc = ::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        *error = "cannot listen on " + address.host + ": " + ::gai_strerror(rc);
        return false;
    }
    int lastErrno = 0;
    for (addrinfo* a = found; a != nullptr && m_fd < 0; a = a->ai_next) {
        int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        // A restart must not wait for the previous run's connections to time out.
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // Jobs that come faster than they print queue in the kernel: a connection it had to
        // refuse would wait a second for its SYN to be sent again.
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0) {
            m_fd = fd;
        } else {
            lastErrno = errno;
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    const std::string wanted = address.host + ":" + port;
    if (m_fd < 0) {
        if (lastErrno == EADDRINUSE) {
            if (inUse) *inUse = true;
            *error = "cannot listen on " + wanted +
                     ": the port is in use by another program; stop it or choose another port";
        } else {
            *error = "cannot listen on " + wanted + ": " + std::strerror(lastErrno);
        }
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length);
    m_port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(bound).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    const bool v6 = address.host.find(':') != std::string::npos;
    m_name = (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(m_port);
    return true;
}

int TcpListener::Accept(std::string* peer) {
    if (m_fd < 0) return -1;
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    int fd =
        ::accept4(m_fd, reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return -1;
    if (peer != nullptr) *peer = DescribePeer(from);
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A fixed receive buffer: the printer reads in small steps, and with the kernel's own sizing
    // the window opens too late to keep bytes waiting, so the printer stood idle between them.
    int buffer = kReceiveBuffer;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    // Replies a host does not read wait in a bounded buffer, not in one the kernel grows to
    // megabytes, so the link soon stops reading that host (Link::kReplyBound).
    int replies = kSendBuffer;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &replies, sizeof replies);
    return fd;
}

}  // namespace emu
