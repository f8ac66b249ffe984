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
#include <cstring>
#include <vector>

#include "emulator/link/LinePacer.h"
#include "emulator/link/SerialLine.h"

namespace emu {

namespace {
constexpr std::size_t kReadChunk = 4096;
// A paced link catching up after a long render reads in pieces, so replies (a status report the
// operator is waiting for) go out between them rather than after the whole backlog is printed.
constexpr std::size_t kPacedPiece = 128;
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
    // Raw from the start: a cooked slave would echo the printer's replies back as input. The
    // line starts at the printer's rate, so a host that sets none is understood.
    struct termios tio {};
    ::tcgetattr(m_slaveFd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slaveFd, TCSANOW, &tio);
    if (const std::uint32_t baud = m_printer.Line().baud; baud > 0) {
        std::string ignored;
        ConfigureSerialLine(m_slaveFd, baud, false, &ignored);
    }
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

HostLine Link::Host() const {
    std::lock_guard<std::mutex> guard(m_hostLock);
    return m_host;
}

void Link::LineEvent(const std::string& text) {
    if (m_onLineEvent) m_onLineEvent(text);
}

// A pty passes the host's settings on without acting on them: they are read here so the printer
// can receive as a real one would.
void Link::WatchHost() {
    HostLine host;
    if (m_isDevice || m_slaveFd < 0 || !ReadHostLine(m_slaveFd, &host)) return;
    {
        std::lock_guard<std::mutex> guard(m_hostLock);
        if (m_hostKnown && host == m_host) return;
        m_host = host;
        m_hostKnown = true;
    }
    m_printer.Note("host line: " + host.Describe());
    LineEvent("host line: " + host.Describe());
}

bool Link::Receivable(std::size_t count) {
    // The settings of both ends now, when the bytes arrive, not those of the last look.
    WatchHost();
    const HostLine host = Host();
    const LineSettings line = m_printer.Line();
    if (m_isDevice || host.Readable(line.baud)) {
        m_garbling = false;
        return true;
    }
    m_framingErrors += count;
    if (!m_garbling) {
        m_garbling = true;
        m_printer.Note("host sends at " + host.Describe() + ", printer reads " +
                       std::to_string(line.baud) +
                       " baud 8N1: bytes arrive as framing errors and are not decoded");
    }
    return false;
}

void Link::ApplyLine(const LineSettings& line) {
    if (line.baud == m_applied.baud && line.handshake == m_applied.handshake) return;
    LineEvent("printer line: " + std::to_string(line.baud) + " baud 8N1, handshake " +
              DescribeHandshake(line.handshake));
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

std::size_t Link::Pending() const {
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<std::size_t>(count);
}

void Link::Run() {
    std::vector<std::uint8_t> held;  // read but not yet taken by the printer
    std::vector<std::uint8_t> out;   // replies not yet written
    std::uint8_t buffer[kReadChunk];
    LinePacer pacer;

    while (!m_stop) {
        if (!held.empty()) {
            std::size_t taken = m_printer.Feed(held.data(), held.size());
            held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
            m_held = held.size();
        }
        std::vector<std::uint8_t> replies = m_printer.TakeReplies();
        out.insert(out.end(), replies.begin(), replies.end());
        LineSettings line = m_printer.Line();
        ApplyLine(line);
        WatchHost();
        if (line.handshake == Handshake::Software) {
            for (std::uint8_t byte : replies) {
                if (byte == PrinterCore::kXon || byte == PrinterCore::kXoff) {
                    LineEvent(byte == PrinterCore::kXon ? "printer sends XON"
                                                        : "printer sends XOFF");
                }
            }
        }

        const auto now = LinePacer::Clock::now();
        pacer.SetRate(m_paced ? line.baud / 10.0 : 0.0, now);
        int timeout = held.empty() ? -1 : kRetryMs;
        std::size_t readable = held.empty() ? kReadChunk : 0;
        bool waitForInput = held.empty();
        if (pacer.Paced()) {
            const std::size_t pending = Pending();
            readable = std::min(pacer.Available(now, pending, !held.empty()), kPacedPiece);
            // Bytes waiting but not yet due: come back when the next one is.
            if (held.empty() && pending > 0 && readable == 0) {
                timeout = pacer.MillisecondsToNextByte();
                waitForInput = false;
            }
        }

        pollfd fds[2] = {{m_fd, 0, 0}, {m_wakeFd, POLLIN, 0}};
        if (waitForInput) fds[0].events |= POLLIN;
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
        const bool hungUp = (fds[0].revents & (POLLHUP | POLLERR)) != 0;
        if ((readable > 0 && (fds[0].revents & POLLIN)) || hungUp) {
            // A hang-up is read even when no byte is due, so the loss is seen.
            ssize_t n = ::read(m_fd, buffer, std::max<std::size_t>(readable, 1));
            if (n > 0) {
                pacer.Took(static_cast<std::size_t>(n));
                if (Receivable(static_cast<std::size_t>(n))) {
                    held.assign(buffer, buffer + n);
                    m_held = held.size();
                }
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
