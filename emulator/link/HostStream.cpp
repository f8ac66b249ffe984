#include "emulator/link/HostStream.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace emu {

namespace {
constexpr std::size_t kPacketData = 4096;
// Announcements that mean the slave's settings changed (the others report flushes and XOFF).
constexpr std::uint8_t kSettingsChanged = TIOCPKT_IOCTL | TIOCPKT_DOSTOP | TIOCPKT_NOSTOP;
}  // namespace

bool HostStream::Open(int master, int slave, std::string* error) {
    m_master = master;
    m_slave = slave;
    m_packet.resize(kPacketData + 1);
    struct termios tio {};
    bool ok = ::tcgetattr(slave, &tio) == 0;
    tio.c_lflag |= EXTPROC;
    int on = 1;
    ok = ok && ::tcsetattr(slave, TCSANOW, &tio) == 0 && ::ioctl(master, TIOCPKT, &on) == 0;
    if (!ok) {
        *error = std::string("cannot put the pty into packet mode: ") + std::strerror(errno);
        return false;
    }
    Relearn();
    return true;
}

bool HostStream::Relearn() {
    HostLine line = m_now;
    struct termios tio {};
    if (!ReadHostLine(m_slave, &line) || ::tcgetattr(m_slave, &tio) != 0) return false;
    m_announced = (tio.c_lflag & EXTPROC) != 0;
    const bool changed = !(line == m_now);
    m_now = line;
    return changed;
}

ssize_t HostStream::ReadPacket(std::uint8_t* out, std::size_t max, std::uint8_t* status) {
    const ssize_t n = ::read(m_master, m_packet.data(), std::min(max, kPacketData) + 1);
    if (n == 0) errno = EIO;  // a master never reads end of file while its slave is open
    if (n <= 0) return -1;
    if (m_packet[0] != TIOCPKT_DATA) {
        *status = m_packet[0];
        return 0;
    }
    if (n == 1) {  // a read for no data bytes: nothing was announced
        errno = EAGAIN;
        return -1;
    }
    std::memcpy(out, m_packet.data() + 1, static_cast<std::size_t>(n - 1));
    return n - 1;
}

// Everything the pty holds now was written before the change just announced, or after it
// within the time this took.
void HostStream::DrainBeforeChange() {
    SentAt sent{m_now, m_now};
    Relearn();
    sent.orHost = m_now;
    std::uint8_t data[kPacketData];
    while (m_backlogBytes.load() < kMaxBacklog) {
        std::uint8_t status = 0;
        const ssize_t n = ReadPacket(data, sizeof data, &status);
        if (n < 0) return;  // nothing more (or an error, which the next Read reports)
        if (n == 0) {
            if (status & kSettingsChanged) {
                sent.host = m_now;
                Relearn();
                sent.orHost = m_now;
            }
            continue;
        }
        if (m_backlog.empty() || !(m_backlog.back().sent == sent)) {
            m_backlog.push_back(Segment{{}, 0, sent});
        }
        m_backlog.back().bytes.insert(m_backlog.back().bytes.end(), data, data + n);
        m_backlogBytes += static_cast<std::size_t>(n);
    }
}

bool HostStream::TakeAnnouncements() {
    const HostLine before = m_now;
    std::uint8_t status = 0;
    std::uint8_t data[kPacketData];
    // An announcement is read ahead of any data; data first means there is none.
    if (ReadPacket(data, 0, &status) != 0 || !(status & kSettingsChanged)) return false;
    DrainBeforeChange();
    return !(m_now == before);
}

bool HostStream::Look() { return !m_announced && Relearn(); }

std::size_t HostStream::Pending() const {
    int count = 0;
    if (::ioctl(m_master, FIONREAD, &count) != 0 || count < 0) count = 0;
    return m_backlogBytes.load() + static_cast<std::size_t>(count);
}

ssize_t HostStream::FromBacklog(std::uint8_t* out, std::size_t max, SentAt* sent) {
    Segment& front = m_backlog.front();
    const std::size_t n = std::min(max, front.bytes.size() - front.taken);
    std::memcpy(out, front.bytes.data() + front.taken, n);
    front.taken += n;
    *sent = front.sent;
    if (front.taken == front.bytes.size()) m_backlog.pop_front();
    m_backlogBytes -= n;
    return static_cast<ssize_t>(n);
}

ssize_t HostStream::Read(std::uint8_t* out, std::size_t max, SentAt* sent) {
    for (;;) {
        if (!m_backlog.empty()) return FromBacklog(out, max, sent);
        std::uint8_t status = 0;
        const ssize_t n = ReadPacket(out, max, &status);
        if (n > 0) {
            Look();
            *sent = SentAt{m_now, m_now};
            return n;
        }
        if (n < 0) return -1;
        if (status & kSettingsChanged) DrainBeforeChange();
    }
}

}  // namespace emu
