#include "emulator/link/Link.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "emulator/link/SerialLine.h"

namespace emu {

namespace {
constexpr std::size_t kReadChunk = 4096;
constexpr int kRetryMs = 20;  // offering held input again while the printer's buffer is full

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }
}  // namespace

Link::Link(VirtualPrinter& printer) : m_printer(printer) {}

Link::~Link() {
    Stop();
    Close();
}

void Link::Close() {
    for (int* fd : {&m_fd, &m_slaveFd, &m_wakeFd}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

bool Link::OpenPty(std::string* error) {
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return *error = Errno("cannot create a pty"), false;
    char name[128];
    if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0 ||
        ::ptsname_r(m_fd, name, sizeof name) != 0) {
        *error = Errno("cannot prepare the pty");
        Close();
        return false;
    }
    m_path = name;
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0) {
        *error = Errno("cannot open " + m_path);
        Close();
        return false;
    }
    // Raw from the start: a cooked slave would echo the printer's replies back as input.
    struct termios tio {};
    ::tcgetattr(m_slaveFd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slaveFd, TCSANOW, &tio);
    m_isDevice = false;
    return true;
}

bool Link::OpenDevice(const std::string& path, std::string* error) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return *error = Errno("cannot open " + path), false;
    if (!::isatty(m_fd)) {
        *error = path + " is not a serial device";
        Close();
        return false;
    }
    ::ioctl(m_fd, TIOCEXCL);
    m_applied = m_printer.Line();
    if (m_applied.baud == 0) m_applied.baud = 9600;
    if (!ConfigureSerialLine(m_fd, m_applied.baud, m_applied.handshake == Handshake::Hardware,
                             error)) {
        *error = path + ": " + *error;
        Close();
        return false;
    }
    m_path = path;
    m_isDevice = true;
    m_paced = true;
    return true;
}

bool Link::Start(std::string* error) {
    if (m_fd < 0) return *error = "no pty or device open", false;
    if (Running()) return true;
    if (m_wakeFd < 0) m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) return *error = Errno("cannot create an eventfd"), false;
    m_applied = m_printer.Line();
    m_stop = false;
    const int wakeFd = m_wakeFd;
    m_printer.SetWakeCallback([wakeFd] {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    });
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Link::Stop() {
    if (!Running()) return;
    m_stop = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    m_printer.SetWakeCallback(nullptr);
}

void Link::ApplyLine(const LineSettings& line) {
    if (line.baud == m_applied.baud && line.handshake == m_applied.handshake) return;
    if (m_isDevice) {
        std::string error;
        if (ConfigureSerialLine(m_fd, line.baud, line.handshake == Handshake::Hardware, &error)) {
            m_printer.Note("line switched to " + std::to_string(line.baud) + " baud");
        } else {
            m_printer.Note("line not switched: " + error);
        }
    }
    m_applied = line;
}

void Link::Run() {
    using Clock = std::chrono::steady_clock;
    std::vector<std::uint8_t> held;  // read but not yet taken by the printer
    std::vector<std::uint8_t> out;   // replies not yet written
    std::uint8_t buffer[kReadChunk];
    double tokens = 0;
    Clock::time_point lastRefill = Clock::now();

    while (!m_stop) {
        if (!held.empty()) {
            std::size_t taken = m_printer.Feed(held.data(), held.size());
            held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
        }
        std::vector<std::uint8_t> replies = m_printer.TakeReplies();
        out.insert(out.end(), replies.begin(), replies.end());
        LineSettings line = m_printer.Line();
        ApplyLine(line);

        const bool paced = m_paced && line.baud > 0;
        const double rate = line.baud / 10.0;
        int timeout = -1;
        std::size_t readable = kReadChunk;
        if (paced) {
            Clock::time_point now = Clock::now();
            tokens =
                std::min(tokens + std::chrono::duration<double>(now - lastRefill).count() * rate,
                         std::max(1.0, rate / 50));
            lastRefill = now;
            readable = static_cast<std::size_t>(tokens);
            if (readable == 0)
                timeout = std::max(1, static_cast<int>((1.0 - tokens) / rate * 1000));
        }
        if (!held.empty()) timeout = kRetryMs;

        pollfd fds[2] = {{m_fd, 0, 0}, {m_wakeFd, POLLIN, 0}};
        if (held.empty() && readable > 0) fds[0].events |= POLLIN;
        if (!out.empty()) fds[0].events |= POLLOUT;
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            m_printer.Note("link stopped: " + Errno("poll"));
            return;
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &count, sizeof count);
        }
        if (fds[0].revents & POLLOUT) {
            ssize_t n = ::write(m_fd, out.data(), out.size());
            if (n > 0) out.erase(out.begin(), out.begin() + n);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = ::read(m_fd, buffer, std::min(readable, sizeof buffer));
            if (n > 0) {
                held.assign(buffer, buffer + n);
                if (paced) tokens -= static_cast<double>(n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The device went away; a pty keeps its slave open, so this is a real loss.
                m_printer.Note("link lost: " +
                               (n == 0 ? std::string("end of file") : Errno("read")));
                return;
            }
        }
    }
}

}  // namespace emu
