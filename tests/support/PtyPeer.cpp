#include "tests/support/PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>

#include "platform/internal/DeviceTermios.h"

namespace testsupport {

namespace {

int MillisLeft(std::chrono::steady_clock::time_point until) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PtyPeer::PtyPeer() {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = name;
    for (int fd : {m_master, m_slave}) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer() {
    Vanish();
    if (m_slave >= 0) close(m_slave);
}

std::wstring PtyPeer::SlaveName() const {
    return std::wstring(m_slavePath.begin(), m_slavePath.end());
}

bool PtyPeer::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (m_master < 0) return false;
        ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_master, POLLOUT, 0};
            poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

bool PtyPeer::Write(const std::string& bytes) {
    return Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<std::uint8_t> PtyPeer::Read(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> out;
    auto until = std::chrono::steady_clock::now() + timeout;
    while (m_master >= 0 && out.size() < count) {
        std::uint8_t buffer[4096];
        std::size_t want = std::min(sizeof buffer, count - out.size());
        ssize_t n = read(m_master, buffer, want);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        int left = MillisLeft(until);
        if (left == 0) break;
        pollfd p{m_master, POLLIN, 0};
        poll(&p, 1, left);
    }
    return out;
}

std::vector<std::uint8_t> PtyPeer::ReadAvailable() {
    std::vector<std::uint8_t> out;
    std::uint8_t buffer[4096];
    ssize_t n;
    while (m_master >= 0 && (n = read(m_master, buffer, sizeof buffer)) > 0) {
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

void PtyPeer::Vanish() {
    if (m_master >= 0) close(m_master);
    m_master = -1;
}

bool PtyPeer::SlaveTermios(termios& out) const {
    return m_slave >= 0 && tcgetattr(m_slave, &out) == 0;
}

bool PtyPeer::SetSlaveTermios(const termios& in) {
    return m_slave >= 0 && tcsetattr(m_slave, TCSANOW, &in) == 0;
}

// Read as the platform reads a device, so an arbitrary rate comes back as its number.
bool PtyPeer::SlaveBaudRate(std::uint32_t& out) const {
    platform::detail::DeviceTermios t;
    if (m_slave < 0 || platform::detail::ReadDeviceTermios(m_slave, t) != 0) return false;
    out = platform::detail::DeviceBaudRate(t);
    return true;
}

}  // namespace testsupport
