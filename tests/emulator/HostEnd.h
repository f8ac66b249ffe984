// The host's end of a pty served by a Link: opened raw, with reads that wait a bounded time.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
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
    int m_fd;
};

using testsupport::WaitUntil;

}  // namespace emutest
