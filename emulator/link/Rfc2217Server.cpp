#include "emulator/link/Rfc2217Server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

#include "emulator/link/HostLine.h"
#include "emulator/link/SerialLine.h"

namespace emu {

namespace {

constexpr std::uint8_t kSe = 240, kSb = 250, kWill = 251, kWont = 252, kDo = 253, kDont = 254,
                       kIac = 255;
constexpr std::uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
// COM-PORT-OPTION commands as the client sends them; answers add 100.
constexpr std::uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                       kSetControl = 5, kPurgeData = 12, kAnswer = 100;
constexpr std::size_t kLongestBody = 255;
constexpr std::size_t kInputLimit = 64 * 1024;  // read no further ahead of the line than this
constexpr int kWindow = 256 * 1024;             // the connection's receive buffer
constexpr int kDrainPollMs = 5;                 // looking for the printer to take the line's bytes
// A printer that has taken nothing for this long (out of paper) gets the change anyway.
constexpr auto kSettleLimit = std::chrono::seconds(2);

// One client's session on the line.
class Session {
  public:
    Session(int client, int line, const std::function<std::uint64_t()>& taken)
        : m_client(client), m_line(line), m_taken(taken), m_takenBefore(taken()) {
        for (std::uint8_t option : {kBinary, kSuppressGoAhead}) {
            Say(kWill, option);
            Say(kDo, option);
        }
    }

    // One round: false once the client has gone.
    bool Step(int wakeFd) {
        // What the line has not taken counts too: a line stopped by the printer's XOFF must leave
        // the host's bytes in the connection, whose window then holds the host back.
        const bool room = m_in.size() + m_toLine.size() < kInputLimit;
        pollfd fds[3] = {{m_client, static_cast<short>(room ? POLLIN : 0), 0},
                         {m_line, POLLIN, 0},
                         {wakeFd, POLLIN, 0}};
        if (!m_out.empty()) fds[0].events |= POLLOUT;
        if (!m_toLine.empty()) fds[1].events |= POLLOUT;
        if (poll(fds, 3, m_waiting ? kDrainPollMs : -1) < 0 && errno != EINTR) return false;
        if (fds[2].revents) return false;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char chunk[4096];
            ssize_t n = recv(m_client, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
            if (n > 0) m_in.append(chunk, static_cast<std::size_t>(n));
        }
        if (fds[1].revents & POLLIN) {
            std::uint8_t chunk[4096];
            ssize_t n = read(m_line, chunk, sizeof chunk);
            for (ssize_t i = 0; i < n; ++i) {
                m_out += static_cast<char>(chunk[i]);
                if (chunk[i] == kIac) m_out += static_cast<char>(kIac);
            }
        }
        if (!Parse()) return false;
        m_written += Flush(m_line, m_toLine, false);
        return Flush(m_client, m_out, true) >= 0;
    }

  private:
    void Say(std::uint8_t verb, std::uint8_t option) {
        m_out += {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
    }
    void Answer(std::uint8_t command, const std::string& value) {
        m_out += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                  static_cast<char>(command + kAnswer)};
        for (char c : value) {
            m_out += c;
            if (static_cast<std::uint8_t>(c) == kIac) m_out += c;
        }
        m_out += {static_cast<char>(kIac), static_cast<char>(kSe)};
    }

    // The bytes that went; -1 when the descriptor failed.
    static ssize_t Flush(int fd, std::string& bytes, bool socket) {
        if (bytes.empty()) return 0;
        ssize_t n = socket ? send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                           : write(fd, bytes.data(), bytes.size());
        if (n > 0) bytes.erase(0, static_cast<std::size_t>(n));
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
        return n;
    }

    // Whether the printer still has bytes sent before a settings change to take.
    // The printer's silence is timed from the moment the wait began, even when the bytes before
    // the change were still on their way to the line then.
    bool LineBusy() {
        const std::uint64_t taken = m_taken() - m_takenBefore;
        if (m_toLine.empty() && taken >= m_written) return false;
        const auto now = std::chrono::steady_clock::now();
        if (!m_waiting || taken != m_takenWhenWaiting) {
            m_waitingSince = now;
            m_takenWhenWaiting = taken;
        }
        return !m_toLine.empty() || now - m_waitingSince < kSettleLimit;
    }

    // Takes the client's bytes in order; stops at a settings change until the printer has taken
    // everything before it. False when the client broke the framing.
    bool Parse() {
        std::size_t at = 0;
        bool waiting = false;
        while (at < m_in.size()) {
            const auto b = static_cast<std::uint8_t>(m_in[at]);
            if (m_state == State::Data) {
                if (b == kIac) {
                    m_state = State::Iac;
                } else {
                    m_toLine += static_cast<char>(b);
                }
            } else if (m_state == State::Iac) {
                m_state = State::Data;
                if (b == kIac) m_toLine += static_cast<char>(kIac);
                if (b >= kWill && b <= kDont) {
                    m_verb = b;
                    m_state = State::Verb;
                } else if (b == kSb) {
                    m_body.clear();
                    m_state = State::Sb;
                }
            } else if (m_state == State::Verb) {
                Negotiate(m_verb, b);
                m_state = State::Data;
            } else if (m_state == State::SbIac && b == kSe) {
                if (Settles() && LineBusy()) {
                    waiting = true;
                    break;  // this IAC SE again once the line is empty
                }
                Command();
                m_state = State::Data;
            } else if (m_state == State::SbIac && b != kIac) {
                return false;
            } else if (b == kIac && m_state == State::Sb) {
                m_state = State::SbIac;
            } else {
                m_state = State::Sb;
                m_body += static_cast<char>(b);
                if (m_body.size() > kLongestBody) return false;
            }
            ++at;
        }
        m_in.erase(0, at);
        m_waiting = waiting;
        return true;
    }

    void Negotiate(std::uint8_t verb, std::uint8_t option) {
        const bool ours = option == kBinary || option == kSuppressGoAhead;
        if (verb == kWill && option == kComPort) {
            Say(kDo, kComPort);
        } else if (verb == kWill && !ours) {
            Say(kDont, option);
        } else if (verb == kDo && !ours) {
            Say(kWont, option);
        }
    }

    // A COM-PORT-OPTION command that changes how the line carries bytes.
    bool Settles() const {
        if (m_body.size() < 2 || static_cast<std::uint8_t>(m_body[0]) != kComPort) return false;
        const auto command = static_cast<std::uint8_t>(m_body[1]);
        return command >= kSetBaud && command <= kSetControl;
    }

    void Command() {
        if (m_body.size() < 2 || static_cast<std::uint8_t>(m_body[0]) != kComPort) return;
        const auto command = static_cast<std::uint8_t>(m_body[1]);
        const std::string value = m_body.substr(2);
        const auto first = value.empty() ? std::uint8_t{0} : static_cast<std::uint8_t>(value[0]);
        termios t{};
        if (tcgetattr(m_line, &t) != 0) return;
        switch (command) {
            case kSetBaud: {
                std::uint32_t baud = 0;
                for (char c : value) baud = (baud << 8) | static_cast<std::uint8_t>(c);
                if (const speed_t code = StandardRateCode(baud); code != 0 && value.size() == 4) {
                    cfsetispeed(&t, code);
                    cfsetospeed(&t, code);
                }
                tcsetattr(m_line, TCSANOW, &t);
                HostLine line;
                const std::uint32_t now = ReadHostLine(m_line, &line) ? line.baud : 0;
                Answer(command, {static_cast<char>(now >> 24), static_cast<char>(now >> 16),
                                 static_cast<char>(now >> 8), static_cast<char>(now)});
                return;
            }
            case kSetDataSize:
                if (first >= 5 && first <= 8) {
                    t.c_cflag = (t.c_cflag & ~CSIZE) | (first == 5   ? CS5
                                                        : first == 6 ? CS6
                                                        : first == 7 ? CS7
                                                                     : CS8);
                }
                break;
            case kSetParity:
                if (first >= 1 && first <= 3) {
                    t.c_cflag &= ~(PARENB | PARODD);
                    if (first >= 2) t.c_cflag |= PARENB | (first == 2 ? PARODD : 0);
                }
                break;
            case kSetStopSize:
                if (first == 1 || first == 2)
                    t.c_cflag = (t.c_cflag & ~CSTOPB) | (first == 2 ? CSTOPB : 0);
                break;
            case kSetControl:
                if (first == 1) t.c_iflag &= ~IXON, t.c_cflag &= ~CRTSCTS;
                if (first == 2) t.c_iflag |= IXON, t.c_cflag &= ~CRTSCTS;
                if (first == 3) t.c_iflag &= ~IXON, t.c_cflag |= CRTSCTS;
                if (first == 14) t.c_iflag &= ~IXOFF;
                if (first == 15) t.c_iflag |= IXOFF;
                break;
            case kPurgeData:
                if (first & 2) m_toLine.clear();
                Answer(command, value);
                return;
            default:
                return;  // masks and notifications: a pty has no lines to report
        }
        tcsetattr(m_line, TCSANOW, &t);
        Answer(command, value);
    }

    enum class State { Data, Iac, Verb, Sb, SbIac };
    const int m_client;
    const int m_line;
    const std::function<std::uint64_t()>& m_taken;
    const std::uint64_t m_takenBefore;                     // by the printer when the session began
    std::uint64_t m_written = 0;                           // to the line in this session
    std::chrono::steady_clock::time_point m_waitingSince;  // the printer last took a byte
    std::uint64_t m_takenWhenWaiting = 0;
    std::string m_in;      // from the client, not yet taken apart
    std::string m_toLine;  // data for the line
    std::string m_out;     // for the client
    std::string m_body;
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    bool m_waiting = false;
};

}  // namespace

Rfc2217Server::Rfc2217Server(std::function<std::uint64_t()> taken) : m_taken(std::move(taken)) {}

Rfc2217Server::~Rfc2217Server() { Stop(); }

bool Rfc2217Server::Open(const ListenAddress& address, const std::string& linePath,
                         std::string* error, bool* inUse) {
    m_linePath = linePath;
    return m_listener.Open(address, error, inUse);
}

bool Rfc2217Server::Start(std::string* error) {
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) return *error = "eventfd failed", false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Rfc2217Server::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    close(m_wakeFd);
    m_listener.Close();
}

void Rfc2217Server::Run() {
    while (!m_stop) {
        pollfd fds[2] = {{m_listener.Fd(), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        const int client = m_listener.Accept();
        if (client < 0) continue;
        // A window of its own, a quarter of the listener's: bytes the line cannot take soon wait
        // with the host, whose writes then wait and time out as on a held serial line, not in
        // megabytes of kernel buffers. (Much smaller stalls on loopback, whose segments are 64
        // KiB.)
        int window = kWindow;
        setsockopt(client, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
        // The host end, as the host's own program would open it; closed with the session.
        const int line = open(m_linePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (line >= 0) {
            Session session(client, line, m_taken);
            while (!m_stop && session.Step(m_wakeFd)) {
            }
            close(line);
        }
        close(client);
    }
}

}  // namespace emu
