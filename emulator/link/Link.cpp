#include "emulator/link/Link.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>
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

// "15 s", "0.25 s".
std::string DescribeSeconds(std::chrono::milliseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(time.count()) / 1000.0);
    return text;
}
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
    m_listener.Close();
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
    if (!m_stream.Open(m_fd, m_slaveFd, error)) {
        Close();
        return false;
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

bool Link::Listen(const ListenAddress& address, std::string* error, bool* inUse) {
    return m_listener.Open(address, error, inUse);
}

bool Link::Start(std::string* error) {
    if (m_fd < 0 && m_listener.Fd() < 0) return *error = "no pty, device or port open", false;
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

std::size_t Link::TakeWhatWasWritten(std::chrono::milliseconds stall) {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kLook(5);
    constexpr std::chrono::milliseconds kConfirm(1);
    m_paced = false;
    if (Running()) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    std::uint64_t received = m_printer.Received();
    Clock::time_point progress = Clock::now();
    // Twice empty in a row: a byte moving from the line into the link is counted in neither.
    for (int empty = 0; Running();) {
        empty = Unread() == 0 ? empty + 1 : 0;
        if (empty == 2) return 0;
        if (empty == 1) {
            std::this_thread::sleep_for(kConfirm);
            continue;
        }
        if (const std::uint64_t now = m_printer.Received(); now != received) {
            received = now;
            progress = Clock::now();
        } else if (Clock::now() - progress > stall) {
            return Unread();
        }
        std::this_thread::sleep_for(kLook);
    }
    return Unread();
}

HostLine Link::Host() const {
    std::lock_guard<std::mutex> guard(m_hostLock);
    return m_host;
}

void Link::LineEvent(const std::string& text) {
    if (m_onLineEvent) m_onLineEvent(text);
}

void Link::ConnectionChange(ConnectionEvent::Kind kind, const std::string& peer,
                            std::size_t waiting, const std::string& how) {
    if (m_onConnection) m_onConnection(ConnectionEvent{kind, peer, how, waiting});
}

// A pty passes the host's settings on without acting on them: they are followed here so the
// printer can receive as a real one would.
void Link::PublishHost(const HostLine& host) {
    {
        std::lock_guard<std::mutex> guard(m_hostLock);
        if (m_hostKnown && host == m_host) return;
        m_host = host;
        m_hostKnown = true;
    }
    m_printer.Note("host line: " + host.Describe());
    LineEvent("host line: " + host.Describe());
}

ssize_t Link::ReadLine(std::uint8_t* out, std::size_t max, SentAt* sent) {
    if (m_isDevice) return ::read(m_fd, out, max);
    const ssize_t n = m_stream.Read(out, max, sent);
    PublishHost(m_stream.Now());
    return n;
}

// The host's settings when it sent the bytes, against the printer's now, as they arrive.
bool Link::Receivable(std::size_t count, const SentAt& sent) {
    const LineSettings line = m_printer.Line();
    if (m_isDevice || sent.Readable(line.baud)) {
        m_garbling = false;
        return true;
    }
    m_framingErrors += count;
    m_lineTaken += count;
    if (!m_garbling) {
        m_garbling = true;
        m_printer.Note("host sends at " + sent.orHost.Describe() + ", printer reads " +
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
    if (!m_isDevice) return m_stream.Pending();
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<std::size_t>(count);
}

void Link::Run() {
    using Clock = std::chrono::steady_clock;
    enum class From { None, Line, Connection };
    struct Peer {
        int fd = -1;
        std::vector<std::uint8_t> out;  // replies not yet written
        std::string name;               // as a source of bytes
    };
    Peer line{m_fd, {}, LineSource()};
    Peer connection;                 // the connection printing now
    std::deque<Peer> waiting;        // accepted, not read until their turn
    std::vector<std::uint8_t> held;  // read but not yet taken by the printer
    From heldFrom = From::None;
    From replyTo = line.fd >= 0 ? From::Line : From::None;
    Clock::time_point lineHeldUntil{};
    Clock::time_point connectionHeldUntil{};
    // The later of the printing connection's last byte and the first wait for it to finish.
    Clock::time_point connectionActiveAt{};
    std::uint8_t buffer[kReadChunk];
    LinePacer pacer;
    std::string fedSource;  // the source the printer was last told of

    auto endConnection = [&](const std::string& how) {
        // Replies to its last bytes still go out if the socket takes them.
        if (!connection.out.empty()) {
            [[maybe_unused]] ssize_t n =
                ::send(connection.fd, connection.out.data(), connection.out.size(), MSG_NOSIGNAL);
        }
        ::close(connection.fd);
        const std::string peer = connection.name;
        connection = Peer{};
        m_printer.Finish();  // a command cut off by the host is dropped, not continued by the next
        m_printer.Note("connection " + how);
        ConnectionChange(ConnectionEvent::Kind::Closed, peer, waiting.size(), how);
        if (replyTo == From::Connection) replyTo = line.fd >= 0 ? From::Line : From::None;
    };

    while (!m_stop) {
        if (!held.empty()) {
            const std::string& source = heldFrom == From::Line ? line.name : connection.name;
            if (source != fedSource) m_printer.SetSource(fedSource = source);
            std::size_t taken = m_printer.Feed(held.data(), held.size());
            held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
            replyTo = heldFrom;
            m_held = held.size();
            if (heldFrom == From::Line) m_lineTaken += taken;
        }
        std::vector<std::uint8_t> replies = m_printer.TakeReplies();
        if (replyTo == From::Line) line.out.insert(line.out.end(), replies.begin(), replies.end());
        if (replyTo == From::Connection)
            connection.out.insert(connection.out.end(), replies.begin(), replies.end());
        LineSettings settings = m_printer.Line();
        if (line.fd >= 0) {
            ApplyLine(settings);
            if (!m_isDevice) {
                m_stream.Look();
                PublishHost(m_stream.Now());
            }
        }
        if (settings.handshake == Handshake::Software) {
            for (std::uint8_t byte : replies) {
                if (byte == PrinterCore::kXon || byte == PrinterCore::kXoff) {
                    LineEvent(byte == PrinterCore::kXon ? "printer sends XON"
                                                        : "printer sends XOFF");
                }
            }
        }

        Clock::time_point now = Clock::now();
        int timeout = -1;
        auto atMost = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
        auto until = [&now](Clock::time_point then) {
            return 1 +
                   static_cast<int>(
                       std::chrono::duration_cast<std::chrono::milliseconds>(then - now).count());
        };
        const bool lineHolds = now < lineHeldUntil;
        const bool connectionHolds = connection.fd >= 0 && now < connectionHeldUntil;
        // A waiting connection runs once the line has gone quiet and its bytes are all taken.
        if (connection.fd < 0 && !waiting.empty() && held.empty()) {
            if (!lineHolds) {
                connection = std::move(waiting.front());
                waiting.pop_front();
                connectionHeldUntil = now + kLineHold;
                connectionActiveAt = now;
                m_printer.Note("connection " + std::to_string(++m_connections) + " from " +
                               connection.name + " prints");
                ConnectionChange(ConnectionEvent::Kind::Opened, connection.name, waiting.size());
            } else {
                atMost(until(lineHeldUntil));
            }
        }
        // Idle time counts only while somebody waits and the printer is not still busy with the
        // connection's bytes.
        if (connection.fd < 0 || waiting.empty() || !held.empty() || lineHolds)
            connectionActiveAt = now;
        if (connection.fd >= 0 && m_idleTimeout.count() > 0 && !waiting.empty()) {
            if (now - connectionActiveAt >= m_idleTimeout) {
                endConnection("closed: it sent nothing for " + DescribeSeconds(m_idleTimeout) +
                              " while " + std::to_string(waiting.size()) +
                              (waiting.size() == 1 ? " other waited" : " others waited"));
                continue;
            }
            atMost(until(connectionActiveAt + m_idleTimeout));
        }
        if (lineHolds && connection.fd >= 0) atMost(until(lineHeldUntil));
        if (connectionHolds && line.fd >= 0) atMost(until(connectionHeldUntil));

        if (!held.empty()) atMost(kRetryMs);
        // The source that sent last keeps the printer for kLineHold; after that both may send.
        m_repliesHeld = line.out.size() + connection.out.size();
        const bool readConnection =
            connection.fd >= 0 && held.empty() && !lineHolds && connection.out.size() < kReplyBound;
        const bool lineMayRead =
            line.fd >= 0 && held.empty() && !connectionHolds && line.out.size() < kReplyBound;
        pacer.SetRate(m_paced ? settings.baud / 10.0 : 0.0, now);
        std::size_t readable = kReadChunk;
        bool waitForLine = lineMayRead;
        // Bytes drained ahead of a change of the host's settings wait in the stream, not the pty.
        const bool backlogged = !m_isDevice && m_stream.Backlogged();
        if (line.fd >= 0 && pacer.Paced()) {
            const std::size_t pending = Pending();
            readable = std::min(pacer.Available(now, pending, !lineMayRead), kPacedPiece);
            // Bytes waiting but not yet due: come back when the next one is.
            if (lineMayRead && pending > 0 && readable == 0) {
                atMost(pacer.MillisecondsToNextByte());
                waitForLine = false;
            }
        }
        if (lineMayRead && backlogged && readable > 0) atMost(0);

        // A pty's announcements of the host's settings are taken at once, whatever the printer is
        // doing: the bytes held at that moment were sent at the settings before.
        const bool announces = line.fd >= 0 && !m_isDevice;
        pollfd fds[4] = {{m_wakeFd, POLLIN, 0},
                         {lineMayRead || !line.out.empty() || announces ? line.fd : -1,
                          static_cast<short>(announces ? POLLPRI : 0), 0},
                         {waiting.size() < kMaxWaiting ? m_listener.Fd() : -1, POLLIN, 0},
                         {connection.fd, 0, 0}};
        if (waitForLine) fds[1].events |= POLLIN;
        if (!line.out.empty()) fds[1].events |= POLLOUT;
        if (readConnection) fds[3].events |= POLLIN;
        if (!connection.out.empty()) fds[3].events |= POLLOUT;
        if (::poll(fds, 4, timeout) < 0) {
            if (errno == EINTR) continue;
            m_printer.Note("link stopped: " + Errno("poll"));
            break;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &count, sizeof count);
        }
        if (fds[1].revents & POLLOUT) {
            ssize_t n = ::write(line.fd, line.out.data(), line.out.size());
            if (n > 0) line.out.erase(line.out.begin(), line.out.begin() + n);
        }
        if ((fds[1].revents & POLLPRI) && m_stream.TakeAnnouncements()) {
            PublishHost(m_stream.Now());
        }
        const bool hungUp = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
        const bool lineReady = (fds[1].revents & POLLIN) || backlogged;
        if (lineMayRead && ((readable > 0 && lineReady) || hungUp)) {
            // A hang-up is read even when no byte is due, so the loss is seen.
            SentAt sent;
            ssize_t n = ReadLine(buffer, std::max<std::size_t>(readable, 1), &sent);
            if (n > 0) {
                lineHeldUntil = Clock::now() + kLineHold;
                pacer.Took(static_cast<std::size_t>(n));
                if (Receivable(static_cast<std::size_t>(n), sent)) {
                    held.assign(buffer, buffer + n);
                    heldFrom = From::Line;
                    m_held = held.size();
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The device went away; a pty keeps its slave open, so this is a real loss.
                m_printer.Note("link lost: " +
                               (n == 0 ? std::string("end of file") : Errno("read")));
                break;
            }
        }
        if (fds[2].revents & POLLIN) {
            while (waiting.size() < kMaxWaiting) {
                std::string peer;
                const int fd = m_listener.Accept(&peer);
                if (fd < 0) break;
                waiting.push_back(Peer{fd, {}, "TCP " + peer});
                ConnectionChange(ConnectionEvent::Kind::Waiting, "TCP " + peer, waiting.size());
            }
        }
        if (fds[3].revents & POLLOUT) {
            ssize_t n =
                ::send(connection.fd, connection.out.data(), connection.out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                connection.out.erase(connection.out.begin(), connection.out.begin() + n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                connection.out.clear();  // nobody is reading any more; its input still counts
            }
        }
        if (readConnection && held.empty() && (fds[3].revents & (POLLIN | POLLHUP | POLLERR))) {
            ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                held.assign(buffer, buffer + n);
                heldFrom = From::Connection;
                m_held = held.size();
                connectionHeldUntil = Clock::now() + kLineHold;
                connectionActiveAt = Clock::now();
            } else if (n == 0) {
                endConnection("ended");
            } else if (errno != EAGAIN && errno != EINTR) {
                endConnection("lost: " + Errno("recv"));
            }
        }
    }
    if (connection.fd >= 0) ::close(connection.fd);
    for (const Peer& peer : waiting) ::close(peer.fd);
}

}  // namespace emu
