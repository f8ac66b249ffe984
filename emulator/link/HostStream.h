// The bytes the host of a pty writes, each with the settings its end had when it wrote them.
//
// A pty carries the host's settings without acting on them and holds the host's bytes until the
// printer end reads them, so reading the settings when the bytes are read judges bytes written
// before a change at the settings after it. In packet mode, with EXTPROC on the slave, the
// kernel announces every change of the slave's settings to the master ahead of the data it
// holds; everything held at that moment was written before the change, so it is drained at once
// and kept (up to kMaxBacklog bytes) with the settings it was written at.
//
// What this guarantees (measured on Linux 6): no byte written before a change is judged at the
// settings after it. Bytes the host writes after a change and before the printer end has
// reacted to the announcement (tens of microseconds; milliseconds on a loaded machine) cannot
// be told from those written before it, so the bytes drained then are received when either
// setting matches the printer's: nothing a UART would deliver is lost, and within that window
// bytes a UART would garble may be read. A host that clears EXTPROC announces only that change
// and switches of XON/XOFF; after it, the settings are read when the bytes are.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "emulator/link/HostLine.h"

namespace emu {

// The host settings bytes were written at: exactly, or for bytes drained at an announced
// change, those before it or those after it.
struct SentAt {
    HostLine host;
    HostLine orHost;

    bool operator==(const SentAt&) const = default;
    bool Readable(std::uint32_t printerBaud) const {
        return host.Readable(printerBaud) || orHost.Readable(printerBaud);
    }
};

class HostStream {
  public:
    static constexpr std::size_t kMaxBacklog = 64 * 1024;

    // master: the pty's master end (non-blocking); slave: its slave end, held open by the caller.
    bool Open(int master, int slave, std::string* error);
    // The settings the host's next bytes are written at, as last learnt.
    const HostLine& Now() const { return m_now; }
    // After poll reported POLLPRI on the master: takes what the pty announced. True when the
    // host's settings changed.
    bool TakeAnnouncements();
    // Without announcements (the host cleared EXTPROC), reads the host's settings again; true
    // when they changed.
    bool Look();
    bool Backlogged() const { return m_backlogBytes.load() > 0; }
    // Bytes the host wrote that Read has not returned yet; any thread.
    std::size_t Pending() const;
    // Up to max bytes in the order written, all written at the settings put in *sent; -1 with
    // errno EAGAIN when none wait, or with the pty's error.
    ssize_t Read(std::uint8_t* out, std::size_t max, SentAt* sent);

  private:
    struct Segment {
        std::vector<std::uint8_t> bytes;
        std::size_t taken = 0;
        SentAt sent;
    };
    // One read of the master: data bytes into out, or 0 with *status set for an announcement.
    ssize_t ReadPacket(std::uint8_t* out, std::size_t max, std::uint8_t* status);
    bool Relearn();
    void DrainBeforeChange();
    ssize_t FromBacklog(std::uint8_t* out, std::size_t max, SentAt* sent);

    int m_master = -1;
    int m_slave = -1;
    HostLine m_now;
    bool m_announced = false;  // the slave still carries EXTPROC
    std::deque<Segment> m_backlog;
    std::atomic<std::size_t> m_backlogBytes{0};
    std::vector<std::uint8_t> m_packet;
};

}  // namespace emu
