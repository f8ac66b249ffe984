// The host's end of a pty or TCP connection served by a Link: opened raw, with reads that wait a
// bounded time.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/WaitUntil.h"

namespace emutest {

class HostEnd {
  public:
    explicit HostEnd(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (m_fd < 0) return;
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    // A TCP connection to the port on this machine; sendBuffer > 0 sets the socket's buffer.
    static HostEnd ConnectTcp(std::uint16_t port, int sendBuffer = 0) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (sendBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            ::close(fd);
            return HostEnd(-1);
        }
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        return HostEnd(fd);
    }
    HostEnd(HostEnd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    ~HostEnd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    // Writes what the line takes now; returns the count.
    std::size_t WriteSome(const std::vector<std::uint8_t>& bytes) {
        ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // Writes from the start of bytes until the other end stops taking them (or all are written);
    // returns the count written.
    std::size_t WriteUntilFull(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        for (int idle = 0; idle < 50 && done < bytes.size();) {
            ssize_t n = ::write(m_fd, bytes.data() + done,
                                std::min<std::size_t>(bytes.size() - done, 64 * 1024));
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                ++idle;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        return done;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done == bytes.size();
    }
    // Up to count bytes, waiting at most the time given for them.
    std::vector<std::uint8_t> Read(
        std::size_t count, std::chrono::milliseconds wait = std::chrono::milliseconds(3000)) {
        std::vector<std::uint8_t> out;
        auto deadline = std::chrono::steady_clock::now() + wait;
        while (out.size() < count) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
            std::uint8_t buf[256];
            ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0) out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

  private:
    explicit HostEnd(int fd) : m_fd(fd) {}
    int m_fd;
};

inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds wait = std::chrono::milliseconds(5000)) {
    return testsupport::WaitUntil(done, static_cast<int>(wait.count()));
}

}  // namespace emutest
