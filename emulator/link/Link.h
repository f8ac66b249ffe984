// The printer end of a line: a pty (the host opens its slave path) or a real serial device,
// and/or a TCP port taking raw print jobs, with a thread that pumps bytes between them and a
// VirtualPrinter.
//
// One source prints at a time, so two hosts never interleave their commands: one TCP connection
// is served at a time (later ones are accepted and wait, unread, until it closes), and between it
// and the line, the one that sent last keeps the printer while it sends and for kLineHold after.
// Replies go to the source whose bytes were fed last. A connection that closes mid-command has
// that command dropped, so the next job starts clean. A connection that holds the printer and
// sends nothing for the idle time-out while another waits is closed, as network printers do;
// alone, it may stay as long as it likes.
//
// Input is read only as fast as the printer takes it: while its input buffer is full (paper
// out) the link stops reading, the line's buffers fill and the host's writes wait, as on
// hardware. Paced links read at the line's rate (baud/10 bytes a second, LinePacer), following
// the rate the host sets with GS ( E. Reply bytes are written as soon as they are queued. When
// the host changes the line (GS ( E), a device is switched after the command; a pty has no speed,
// so the rate is only recorded and paces the reading. On a pty the link also follows the settings
// the host gave its end, in order with its bytes (HostStream): bytes sent at another speed reach
// the printer as framing errors.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/HostLine.h"
#include "emulator/link/HostStream.h"
#include "emulator/link/TcpListener.h"

namespace emu {

// A TCP connection's turn: accepted and waiting, printing, or gone.
struct ConnectionEvent {
    enum class Kind : std::uint8_t { Waiting, Opened, Closed };
    Kind kind = Kind::Waiting;
    std::string peer;         // "127.0.0.1:40312"
    std::string how;          // Closed: "ended", "lost: ..."
    std::size_t waiting = 0;  // connections waiting their turn after this event
};

class Link {
  public:
    // How long a source keeps the printer after its last byte before another may send.
    static constexpr std::chrono::milliseconds kLineHold{500};
    // Connections accepted and waiting their turn; more wait in the kernel's backlog.
    static constexpr std::size_t kMaxWaiting = 8;
    // Replies held for a source that does not read them; past this the link stops reading that
    // source until it reads, as a printer's full transmit buffer holds its host up.
    static constexpr std::size_t kReplyBound = 64 * 1024;
    static constexpr std::chrono::milliseconds kDefaultIdleTimeout{15000};

    explicit Link(VirtualPrinter& printer);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Creates a pty; DevicePath() is then the path the host opens.
    bool OpenPty(std::string* error);
    // Serves a serial device at the printer's line baud rate (VirtualPrinter::SetLineBaudRate).
    bool OpenDevice(const std::string& path, std::string* error);
    const std::string& DevicePath() const { return m_path; }
    // Accepts raw TCP print jobs as well (or alone). False with the reason in *error; *inUse says
    // the port was taken.
    bool Listen(const ListenAddress& address, std::string* error, bool* inUse = nullptr);
    const TcpListener& Listener() const { return m_listener; }
    // Connections served so far (finished or in progress), for status lines and tests.
    std::uint64_t Connections() const { return m_connections; }

    // Called on the link's thread for every change of the line's settings (either side) and
    // every XON or XOFF the printer sends, with a line of text; set before Start.
    void SetLineEventCallback(std::function<void(const std::string&)> onEvent) {
        m_onLineEvent = std::move(onEvent);
    }
    // Called on the link's thread as connections wait, print and close; set before Start. A
    // Closed event comes after the printer has finished the connection's last command and before
    // the next source is read, so the printer can end its receipt there.
    void SetConnectionCallback(std::function<void(const ConnectionEvent&)> onConnection) {
        m_onConnection = std::move(onConnection);
    }
    // What the line is called as a source of bytes (VirtualPrinter::SetSource): "pty" or the
    // device's path.
    std::string LineSource() const { return m_isDevice ? m_path : std::string("pty"); }

    // The host's settings of a pty line (baud 0 before the host set any), and the bytes that
    // arrived as framing errors because they did not match the printer's.
    HostLine Host() const;
    std::uint64_t FramingErrors() const { return m_framingErrors.load(); }

    // How long the connection printing may send nothing while another waits; 0: for ever. The
    // time counts from its last byte or from when the other began to wait, whichever is later.
    // Before Start.
    void SetIdleTimeout(std::chrono::milliseconds timeout) { m_idleTimeout = timeout; }

    // Reads at the printer's line rate; off by default on a pty, always on a device (where the
    // line itself paces).
    void SetPacing(bool on) { m_paced = on; }
    // Before Stop, when serving ends: the printer takes what the host has written and the link
    // has not taken yet, at once (a paced link stops pacing), for as long as it keeps taking
    // bytes: until none is left, or none was taken for `stall` (paper out). Returns the bytes it
    // did not take.
    std::size_t TakeWhatWasWritten(std::chrono::milliseconds stall);

    bool Start(std::string* error);
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    // Bytes the host has written that the printer has not taken yet: on the line or read and
    // held while the printer's buffer is full.
    std::size_t Unread() const { return (m_fd >= 0 ? Pending() : 0) + m_held.load(); }
    // Bytes of the pty or device the printer has taken so far, as fed or lost as framing errors:
    // what a host's UART would have sent. Any thread.
    std::uint64_t LineTaken() const { return m_lineTaken.load(); }
    // Reply bytes the link holds for a source that has not read them yet.
    std::size_t RepliesHeld() const { return m_repliesHeld.load(); }

  private:
    void Run();
    void ApplyLine(const LineSettings& line);
    void PublishHost(const HostLine& host);
    void LineEvent(const std::string& text);
    // Reads up to max bytes of the line; *sent: the settings they were sent at.
    ssize_t ReadLine(std::uint8_t* out, std::size_t max, SentAt* sent);
    void ConnectionChange(ConnectionEvent::Kind kind, const std::string& peer, std::size_t waiting,
                          const std::string& how = {});
    // The bytes read, as the printer receives them: false when they arrived garbled.
    bool Receivable(std::size_t count, const SentAt& sent);
    void Close();
    // Bytes the host has written that the link has not read yet.
    std::size_t Pending() const;

    VirtualPrinter& m_printer;
    int m_fd = -1;       // pty master or the device
    int m_slaveFd = -1;  // held open so the master never sees a hang-up between host sessions
    int m_wakeFd = -1;   // eventfd: stop, replies queued, input space freed
    bool m_isDevice = false;
    std::atomic<bool> m_paced{false};
    std::chrono::milliseconds m_idleTimeout = kDefaultIdleTimeout;
    std::string m_path;
    TcpListener m_listener;
    std::atomic<std::uint64_t> m_connections{0};
    LineSettings m_applied;
    std::atomic<std::size_t> m_held{0};
    std::atomic<std::size_t> m_repliesHeld{0};
    std::function<void(const std::string&)> m_onLineEvent;
    std::function<void(const ConnectionEvent&)> m_onConnection;
    mutable std::mutex m_hostLock;
    HostStream m_stream;  // a pty's host end
    HostLine m_host;      // as last published
    bool m_hostKnown = false;
    std::atomic<std::uint64_t> m_lineTaken{0};
    bool m_garbling = false;  // the last bytes read arrived as framing errors
    std::atomic<std::uint64_t> m_framingErrors{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace emu
