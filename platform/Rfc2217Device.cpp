// "rfc2217://HOST:PORT": a serial port on a device server that speaks the Telnet COM-PORT-OPTION
// (RFC 2217). Data goes both ways with IAC doubled; line settings, flow control and DTR/RTS go
// to the server as commands in band, after the data written before them, and what the server
// acknowledges is what GetCommState reports. The server's modem-state and line-state
// notifications become modem lines and line-error counts, and its flow-control suspend holds
// writing back. Everything the socket brings is taken in by whichever of Read, Write and TakeIn
// comes first, under the device's lock; that call wakes the other waits. The queries report what
// was taken in, so a serial call takes input in once, not once for each thing it asks.
#include <linux/sockios.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/internal/DcbTermios.h"
#include "platform/internal/Deadline.h"
#include "platform/internal/NetworkPort.h"
#include "platform/internal/TelnetStream.h"

namespace platform::detail {

namespace {

namespace tn = telnet;

// COM-PORT-OPTION commands, client to server; the server answers with the same plus 100.
enum ComPort : std::uint8_t {
    kSignature = 0,
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowSuspend = 8,
    kFlowResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
constexpr std::uint8_t kServer = 100;

// SET-CONTROL values.
constexpr std::uint8_t kFlowNone = 1;
constexpr std::uint8_t kFlowXonXoff = 2;
constexpr std::uint8_t kFlowHardware = 3;
constexpr std::uint8_t kDtrOn = 8;
constexpr std::uint8_t kDtrOff = 9;
constexpr std::uint8_t kRtsOn = 11;
constexpr std::uint8_t kRtsOff = 12;
constexpr std::uint8_t kInboundNone = 14;
constexpr std::uint8_t kInboundXonXoff = 15;
constexpr std::uint8_t kInboundHardware = 16;

// Line-state bits.
constexpr std::uint8_t kBreakDetect = 16;
constexpr std::uint8_t kFramingError = 8;
constexpr std::uint8_t kParityError = 4;
constexpr std::uint8_t kOverrunError = 2;
// Modem-state bits: the lines (which match MS_*_ON) and their deltas.
constexpr std::uint8_t kModemLines = 0xF0;
constexpr std::uint8_t kDeltaCts = 0x01;
constexpr std::uint8_t kDeltaDsr = 0x02;
constexpr std::uint8_t kRingEdge = 0x04;
constexpr std::uint8_t kDeltaCd = 0x08;
// PURGE-DATA values: the server's buffer of what the line received, of what it is to send.
constexpr std::uint8_t kPurgeReceived = 1;
constexpr std::uint8_t kPurgeToSend = 2;

// Long enough for a server still letting go of its previous client (the python3-serial example
// takes up to 3 s).
constexpr std::uint64_t kNegotiationLimitMs = 5000;
constexpr std::uint64_t kAcknowledgeLimitMs = 3000;
constexpr std::chrono::milliseconds kAckPollStep(10);
constexpr std::size_t kReadChunk = 4096;
constexpr int kReadsPerPump = 16;  // a flooding server cannot keep one call taking input in
constexpr std::size_t kWriteChunk = 4096;
constexpr std::size_t kInputLimit = 1 << 20;  // as a driver's input buffer: beyond it, overrun

std::string Byte(std::uint8_t value) { return std::string(1, static_cast<char>(value)); }

std::string BaudBody(DWORD baud) {
    return {static_cast<char>(kSetBaudRate), static_cast<char>((baud >> 24) & 0xFF),
            static_cast<char>((baud >> 16) & 0xFF), static_cast<char>((baud >> 8) & 0xFF),
            static_cast<char>(baud & 0xFF)};
}

std::uint8_t StopSize(BYTE stopBits) {
    return stopBits == TWOSTOPBITS ? 2 : stopBits == ONE5STOPBITS ? 3 : 1;
}

BYTE StopBitsOf(std::uint8_t size) {
    return size == 2 ? TWOSTOPBITS : size == 3 ? ONE5STOPBITS : ONESTOPBIT;
}

// What the server acknowledged; 0 where it has not (yet) said.
struct Acknowledged {
    DWORD baud = 0;
    std::uint8_t dataSize = 0;
    std::uint8_t parity = 0;  // 1 none .. 5 space
    std::uint8_t stopSize = 0;
    std::uint8_t outbound = 0;
    std::uint8_t inbound = 0;
};

class Rfc2217Device final : public SerialDevice {
  public:
    Rfc2217Device(int fd, std::string url) : m_fd(fd), m_url(std::move(url)) {}
    ~Rfc2217Device() override {
        // Closing with the server's notifications unread would reset the connection, which
        // servers log as an error.
        std::uint8_t chunk[kReadChunk];
        while (recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
        }
        close(m_fd);
    }
    Rfc2217Device(const Rfc2217Device&) = delete;
    Rfc2217Device& operator=(const Rfc2217Device&) = delete;

    // Offers BINARY and SUPPRESS-GO-AHEAD both ways and COM-PORT-OPTION, and waits for the
    // server to take COM-PORT-OPTION. False with the last error set when it does not.
    bool Negotiate() {
        std::unique_lock<std::mutex> lock(m_lock);
        std::string offer = tn::Negotiation(tn::kWill, tn::kBinary) +
                            tn::Negotiation(tn::kDo, tn::kBinary) +
                            tn::Negotiation(tn::kWill, tn::kSuppressGoAhead) +
                            tn::Negotiation(tn::kDo, tn::kSuppressGoAhead) +
                            tn::Negotiation(tn::kWill, tn::kComPortOption);
        const Deadline deadline = DeadlineAfter(kNegotiationLimitMs);
        if (!SendLocked(offer, deadline)) return FailOpen("could not send to the server");
        while (m_comPort == Agreement::Pending) {
            if (m_failed != 0) {
                return FailOpen(m_failed == EPROTO ? "the server broke the Telnet framing"
                                                   : "the server closed the connection");
            }
            if (Passed(deadline)) {
                return FailOpen("no RFC 2217 answer within " +
                                std::to_string(kNegotiationLimitMs / 1000) +
                                " s; for a raw TCP port write socket:// instead");
            }
            lock.unlock();
            pollfd entry{m_fd, POLLIN, 0};
            poll(&entry, 1, PollTimeoutMs(deadline));
            lock.lock();
            PumpLocked();
        }
        if (m_comPort == Agreement::Refused) {
            return FailOpen(
                "the server does not speak RFC 2217 (it refused COM-PORT-OPTION); "
                "for a raw TCP port write socket:// instead");
        }
        SendMasksLocked(0, deadline);
        return true;
    }

    int Fd() const override { return m_fd; }
    Capabilities Caps() const override { return {true, true, true}; }
    std::uint32_t WaitEvents(std::uint32_t wanted) const override {
        std::lock_guard<std::mutex> guard(m_lock);
        std::uint32_t events = EPOLLIN;
        if ((wanted & EPOLLOUT) && !m_suspended) events |= EPOLLOUT;
        return events;
    }

    ssize_t Read(BYTE* buffer, std::size_t count) override {
        std::lock_guard<std::mutex> guard(m_lock);
        // What is taken in already goes first either way; the socket is read once it is used up.
        if (m_in.empty()) PumpLocked();
        if (!m_in.empty()) {
            const std::size_t n = std::min(count, m_in.size());
            std::copy_n(m_in.begin(), n, buffer);
            m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(n));
            return static_cast<ssize_t>(n);
        }
        if (m_failed == EPIPE) return 0;
        return Refuse(m_failed != 0 ? EIO : EAGAIN);
    }

    ssize_t Write(const BYTE* data, std::size_t count) override {
        std::lock_guard<std::mutex> guard(m_lock);
        PumpLocked();
        if (m_failed != 0) return Refuse(EPIPE);
        if (m_suspended || !FlushPendingLocked()) return Refuse(m_failed != 0 ? EPIPE : EAGAIN);
        count = std::min(count, kWriteChunk);
        std::string escaped;
        tn::AppendEscaped(escaped, data, count);
        ssize_t sent = SendSome(escaped.data(), escaped.size());
        if (sent < 0) return -1;
        // Bytes whose escaped form went out count as written; a doubled IAC that went out by
        // half keeps its other half to go first next time.
        std::size_t done = 0;
        std::size_t at = 0;
        const auto limit = static_cast<std::size_t>(sent);
        while (done < count && at < limit) {
            const std::size_t width = data[done] == tn::kIac ? 2 : 1;
            if (at + width > limit) m_pending = Byte(tn::kIac);
            at += width;
            ++done;
        }
        return done == 0 ? Refuse(EAGAIN) : static_cast<ssize_t>(done);
    }

    void TakeIn() override {
        std::lock_guard<std::mutex> guard(m_lock);
        PumpLocked();
    }

    int InputWaiting(int& bytes) override {
        std::lock_guard<std::mutex> guard(m_lock);
        bytes = static_cast<int>(m_in.size());
        return bytes == 0 && m_failed != 0 ? Gone() : 0;
    }
    int OutputQueued(int& bytes) override {
        std::lock_guard<std::mutex> guard(m_lock);
        FlushPendingLocked();
        if (m_failed != 0) return Gone();
        int queued = 0;
        // Nothing is on its way out when nothing was sent since the socket last said it had none.
        if (m_maybeQueued) {
            if (ioctl(m_fd, SIOCOUTQ, &queued) != 0) return errno;
            m_maybeQueued = queued != 0;
        }
        bytes = queued + static_cast<int>(m_pending.size());
        return 0;
    }
    int DiscardInput() override {
        std::lock_guard<std::mutex> guard(m_lock);
        PumpLocked();
        m_in.clear();
        return Command(kPurgeData, Byte(kPurgeReceived));
    }
    int DiscardOutput() override {
        std::lock_guard<std::mutex> guard(m_lock);
        return Command(kPurgeData, Byte(kPurgeToSend));
    }
    int Drain() override { return 0; }

    int GetState(const DCB& set, DCB& reported) override {
        std::lock_guard<std::mutex> guard(m_lock);
        reported = set;
        const Acknowledged& a = m_acked;
        if (a.baud != 0) reported.BaudRate = a.baud;
        if (a.dataSize != 0) reported.ByteSize = a.dataSize;
        if (a.parity != 0) reported.Parity = static_cast<BYTE>(a.parity - 1);
        if (a.stopSize != 0) reported.StopBits = StopBitsOf(a.stopSize);
        if (a.outbound != 0) {
            reported.fOutxCtsFlow = a.outbound == kFlowHardware;
            reported.fOutX = a.outbound == kFlowXonXoff;
        }
        if (a.inbound != 0) reported.fInX = a.inbound == kInboundXonXoff;
        return 0;
    }

    int SetState(const DCB& dcb, DWORD& refused) override {
        // The same rules a serial line has on what it can do at all.
        DeviceTermios scratch;
        if ((refused = DcbToTermios(dcb, scratch)) != ERROR_SUCCESS) return 0;

        const std::uint8_t outbound = dcb.fOutxCtsFlow ? kFlowHardware
                                      : dcb.fOutX      ? kFlowXonXoff
                                                       : kFlowNone;
        const bool handshake = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
        const std::uint8_t inbound = handshake  ? kInboundHardware
                                     : dcb.fInX ? kInboundXonXoff
                                                : kInboundNone;
        std::unique_lock<std::mutex> lock(m_lock);
        m_acked = Acknowledged{};
        std::string commands =
            Message(kSetBaudRate, BaudBody(dcb.BaudRate).substr(1)) +
            Message(kSetDataSize, Byte(dcb.ByteSize)) +
            Message(kSetParity, Byte(static_cast<std::uint8_t>(dcb.Parity + 1))) +
            Message(kSetStopSize, Byte(StopSize(dcb.StopBits)));
        auto control = [&](std::uint8_t value) { commands += Message(kSetControl, Byte(value)); };
        // Inbound first: servers that take hardware flow for both directions from the outbound
        // setting must not see it undone after.
        if (inbound != kInboundNone || m_inboundSet) control(inbound);
        m_inboundSet = inbound != kInboundNone;
        control(outbound);
        control(dcb.fDtrControl == DTR_CONTROL_DISABLE ? kDtrOff : kDtrOn);
        if (!handshake) control(dcb.fRtsControl == RTS_CONTROL_DISABLE ? kRtsOff : kRtsOn);

        const Deadline deadline = DeadlineAfter(kAcknowledgeLimitMs);
        if (!SendLocked(commands, deadline)) return Gone();
        while (!AllAcknowledged()) {
            if (m_failed != 0) return Gone();
            if (Passed(deadline)) {
                NKDbgPrintfW(L"%hs: the device server did not acknowledge the line settings\r\n",
                             m_url.c_str());
                refused = ERROR_TIMEOUT;
                return 0;
            }
            lock.unlock();
            pollfd entry{m_fd, POLLIN, 0};
            poll(&entry, 1, PollTimeoutMs(Earlier(deadline, Clock::now() + kAckPollStep)));
            lock.lock();
            PumpLocked();
        }
        // Within the 3% a UART tolerates, as on a local line; the rest must be what was asked.
        if (!RateTaken(dcb.BaudRate, m_acked.baud)) {
            refused = ERROR_INVALID_PARAMETER;
        } else if (m_acked.dataSize != dcb.ByteSize || m_acked.parity != dcb.Parity + 1 ||
                   m_acked.stopSize != StopSize(dcb.StopBits) || m_acked.outbound != outbound) {
            refused = ERROR_GEN_FAILURE;
        }
        return 0;
    }

    int ModemStatus(DWORD& bits) override {
        std::lock_guard<std::mutex> guard(m_lock);
        bits = m_modem;
        return 0;
    }
    bool ReadCounters(LineCounters& out) override {
        std::lock_guard<std::mutex> guard(m_lock);
        out = m_counters;
        return true;
    }
    int ClearBreak() override { return 0; }

    void WatchEvents(DWORD mask) override {
        std::lock_guard<std::mutex> guard(m_lock);
        SendMasksLocked(mask, DeadlineAfter(kAcknowledgeLimitMs));
    }

  private:
    enum class Agreement { Pending, Agreed, Refused };

    static ssize_t Refuse(int err) {
        errno = err;
        return -1;
    }
    int Gone() const { return m_failed == EPROTO ? EIO : EPIPE; }

    bool FailOpen(const std::string& why) const {
        FailNetworkOpen(ERROR_NOT_SUPPORTED, m_url, why);
        return false;
    }

    static std::string Message(std::uint8_t command, const std::string& value) {
        return tn::Subnegotiation(tn::kComPortOption, Byte(command) + value);
    }

    int Command(std::uint8_t command, const std::string& value) {
        if (m_failed != 0) return Gone();
        return SendLocked(Message(command, value), DeadlineAfter(kAcknowledgeLimitMs)) ? 0 : Gone();
    }

    // DTR and RTS go unanswered where the server's line has no modem lines (a pseudo-terminal):
    // only the line format and the flow control must be acknowledged.
    bool AllAcknowledged() const {
        return m_acked.baud != 0 && m_acked.dataSize != 0 && m_acked.parity != 0 &&
               m_acked.stopSize != 0 && m_acked.outbound != 0;
    }

    // The masks follow the events asked for; the lines themselves are always reported, so the
    // modem status stays current.
    void SendMasksLocked(DWORD mask, const Deadline& deadline) {
        std::uint8_t modem = kModemLines;
        if (mask & EV_CTS) modem |= kDeltaCts;
        if (mask & EV_DSR) modem |= kDeltaDsr;
        if (mask & EV_RING) modem |= kRingEdge;
        if (mask & EV_RLSD) modem |= kDeltaCd;
        std::uint8_t line = 0;
        if (mask & EV_ERR) line |= kFramingError | kParityError | kOverrunError;
        if (mask & EV_BREAK) line |= kBreakDetect;
        if (modem == m_modemMask && line == m_lineMask) return;
        m_modemMask = modem;
        m_lineMask = line;
        SendLocked(
            Message(kSetLineStateMask, Byte(line)) + Message(kSetModemStateMask, Byte(modem)),
            deadline);
    }

    // send(2) of what it can at once: -1 with errno for a failure (EPIPE once the server has
    // gone), else the bytes taken (0 when none fit).
    ssize_t SendSome(const char* bytes, std::size_t count) {
        for (;;) {
            ssize_t n = send(m_fd, bytes, count, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) m_maybeQueued = true;
            if (n >= 0) return n;
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return 0;
            LoseLocked(EPIPE, std::strerror(errno));
            return Refuse(EPIPE);
        }
    }

    // Sends the half of a doubled IAC left over; false while it cannot go.
    bool FlushPendingLocked() {
        if (m_pending.empty()) return true;
        ssize_t n = SendSome(m_pending.data(), m_pending.size());
        if (n > 0) m_pending.clear();
        return m_pending.empty();
    }

    // Sends all of bytes after what is pending, waiting for room until the deadline.
    bool SendLocked(std::string bytes, const Deadline& deadline) {
        bytes.insert(0, m_pending);
        m_pending.clear();
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = SendSome(bytes.data() + done, bytes.size() - done);
            if (n < 0) return false;
            done += static_cast<std::size_t>(n);
            if (done == bytes.size()) break;
            if (Passed(deadline)) {
                LoseLocked(EPIPE, "the server takes nothing more");
                return false;
            }
            pollfd entry{m_fd, POLLOUT, 0};
            poll(&entry, 1, PollTimeoutMs(deadline));
        }
        return true;
    }

    // Takes in what the socket holds: data into the input buffer, negotiation answered,
    // COM-PORT-OPTION messages applied. Wakes the other waits when anything came.
    void PumpLocked() {
        if (m_failed != 0) return;
        bool came = false;
        for (int i = 0; i < kReadsPerPump; ++i) {
            std::uint8_t chunk[kReadChunk];
            ssize_t n = recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) break;
            came = true;
            if (n == 0) {
                LoseLocked(EPIPE, "the device server closed the connection");
                break;
            }
            if (n < 0) {
                LoseLocked(EPIPE, std::strerror(errno));
                break;
            }
            std::string data;
            std::vector<tn::Decoder::Command> commands;
            const bool intact = m_decoder.Feed(chunk, static_cast<std::size_t>(n), data, commands);
            TakeData(data);
            for (const tn::Decoder::Command& c : commands) Apply(c);
            if (!intact) {
                LoseLocked(EPROTO, "the device server broke the Telnet framing");
                break;
            }
            if (static_cast<std::size_t>(n) < sizeof chunk) break;
        }
        if (came) Wake();
    }

    void TakeData(const std::string& data) {
        const std::size_t room = kInputLimit - std::min(kInputLimit, m_in.size());
        m_in.insert(m_in.end(), data.begin(), data.begin() + std::min(room, data.size()));
        if (data.size() > room) ++m_counters.bufOverrun;
    }

    void LoseLocked(int err, const std::string& why) {
        if (m_failed != 0) return;
        m_failed = err;
        NKDbgPrintfW(L"%hs: %hs; the port is gone (close it and open it again)\r\n", m_url.c_str(),
                     why.c_str());
        Wake();
    }

    void Answer(std::uint8_t verb, std::uint8_t option) {
        // Answered once per option, so a peer repeating itself gets no echo war.
        std::uint8_t& said = m_answered[option];
        if (said == verb) return;
        said = verb;
        m_reply += tn::Negotiation(verb, option);
    }

    void Apply(const tn::Decoder::Command& c) {
        const bool ours = c.option == tn::kBinary || c.option == tn::kSuppressGoAhead;
        switch (c.verb) {
            case tn::kWill:
                if (!ours) Answer(tn::kDont, c.option);
                break;
            case tn::kDo:
                if (c.option == tn::kComPortOption) {
                    m_comPort = Agreement::Agreed;
                } else if (!ours) {
                    Answer(tn::kWont, c.option);
                }
                break;
            case tn::kDont:
                if (c.option == tn::kComPortOption && m_comPort == Agreement::Pending) {
                    m_comPort = Agreement::Refused;
                }
                break;
            case tn::kSb:
                if (c.option == tn::kComPortOption) ApplyComPort(c.body);
                break;
            default:
                break;
        }
        if (!m_reply.empty()) {
            std::string reply = std::move(m_reply);
            m_reply.clear();
            SendLocked(std::move(reply), DeadlineAfter(kAcknowledgeLimitMs));
        }
    }

    void ApplyComPort(const std::string& body) {
        if (body.empty()) return;
        const auto command = static_cast<std::uint8_t>(body[0]);
        const std::string value = body.substr(1);
        const auto first = value.empty() ? 0 : static_cast<std::uint8_t>(value[0]);
        switch (command) {
            case kServer + kSetBaudRate:
                if (value.size() == 4) {
                    DWORD baud = 0;
                    for (char b : value) baud = (baud << 8) | static_cast<std::uint8_t>(b);
                    m_acked.baud = baud;
                }
                break;
            case kServer + kSetDataSize:
                m_acked.dataSize = first;
                break;
            case kServer + kSetParity:
                m_acked.parity = first;
                break;
            case kServer + kSetStopSize:
                m_acked.stopSize = first;
                break;
            case kServer + kSetControl:
                if (first >= kFlowNone && first <= kFlowHardware) m_acked.outbound = first;
                if (first >= kInboundNone && first <= kInboundHardware) m_acked.inbound = first;
                break;
            case kServer + kNotifyModemState:
                m_modem = first & kModemLines;
                break;
            case kServer + kNotifyLineState:
                if (first & kFramingError) ++m_counters.frame;
                if (first & kParityError) ++m_counters.parity;
                if (first & kOverrunError) ++m_counters.overrun;
                if (first & kBreakDetect) ++m_counters.brk;
                break;
            case kServer + kFlowSuspend:
                m_suspended = true;
                break;
            case kServer + kFlowResume:
                m_suspended = false;
                break;
            case kServer + kSignature:
                // An empty signature asks for ours.
                if (value.empty()) m_reply += Message(kSignature, "CE_MOLV");
                break;
            default:
                break;
        }
    }

    const int m_fd;
    const std::string m_url;
    mutable std::mutex m_lock;
    tn::Decoder m_decoder;
    std::deque<BYTE> m_in;
    std::string m_pending;  // the second half of a doubled IAC that did not fit
    std::string m_reply;    // negotiation answers collected while taking input in
    int m_failed = 0;       // EPIPE once the connection is lost, EPROTO once the framing broke
    bool m_suspended = false;
    bool m_inboundSet = false;
    bool m_maybeQueued = false;  // sent since SIOCOUTQ last reported an empty queue
    Agreement m_comPort = Agreement::Pending;
    std::uint8_t m_answered[256] = {};
    Acknowledged m_acked;
    DWORD m_modem = 0;
    LineCounters m_counters;
    std::uint8_t m_modemMask = 0;
    std::uint8_t m_lineMask = 0xFF;  // unlike any mask asked for, so the first is sent
};

}  // namespace

OpenedDevice OpenRfc2217Device(const std::string& url) {
    int fd = ConnectNetworkPort(url);
    if (fd < 0) return {};
    auto device = std::make_unique<Rfc2217Device>(fd, url);
    if (!device->Negotiate()) return {};
    OpenedDevice opened;
    opened.device = std::move(device);
    opened.settings = DefaultNetworkDcb();
    return opened;
}

}  // namespace platform::detail
