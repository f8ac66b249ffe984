// The printer end of a line: a pty (the host opens its slave path) or a real serial device,
// and a thread that pumps bytes between it and a VirtualPrinter.
//
// Input is read only as fast as the printer takes it: while its input buffer is full (paper
// out) the link stops reading, the line's buffers fill and the host's writes wait, as on
// hardware. Paced links read at the line's rate (baud/10 bytes a second, LinePacer), following
// the rate the host sets with GS ( E. Reply bytes are written as soon as they are queued. When
// the host changes the line (GS ( E), a device is switched after the command; a pty has no speed,
// so the rate is only recorded and paces the reading. On a pty the link also reads the settings
// the host gave its end: bytes sent at another speed reach the printer as framing errors.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/HostLine.h"

namespace emu {

class Link {
  public:
    explicit Link(VirtualPrinter& printer);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Creates a pty; DevicePath() is then the path the host opens.
    bool OpenPty(std::string* error);
    // Serves a serial device at the printer's line baud rate (VirtualPrinter::SetLineBaudRate).
    bool OpenDevice(const std::string& path, std::string* error);
    const std::string& DevicePath() const { return m_path; }

    // Called on the link's thread for every change of the line's settings (either side) and
    // every XON or XOFF the printer sends, with a line of text; set before Start.
    void SetLineEventCallback(std::function<void(const std::string&)> onEvent) {
        m_onLineEvent = std::move(onEvent);
    }
    // The host's settings of a pty line (baud 0 before the host set any), and the bytes that
    // arrived as framing errors because they did not match the printer's.
    HostLine Host() const;
    std::uint64_t FramingErrors() const { return m_framingErrors.load(); }

    // Reads at the printer's line rate; off by default on a pty, always on a device (where the
    // line itself paces).
    void SetPacing(bool on) { m_paced = on; }

    bool Start(std::string* error);
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    // Bytes the host has written that the printer has not taken yet: on the line or read and
    // held while the printer's buffer is full.
    std::size_t Unread() const { return (m_fd >= 0 ? Pending() : 0) + m_held.load(); }

  private:
    void Run();
    void ApplyLine(const LineSettings& line);
    void WatchHost();
    void LineEvent(const std::string& text);
    // The bytes read, as the printer receives them: false when they arrived garbled.
    bool Receivable(std::size_t count);
    void Close();
    // Bytes the host has written that the link has not read yet.
    std::size_t Pending() const;

    VirtualPrinter& m_printer;
    int m_fd = -1;       // pty master or the device
    int m_slaveFd = -1;  // held open so the master never sees a hang-up between host sessions
    int m_wakeFd = -1;   // eventfd: stop, replies queued, input space freed
    bool m_isDevice = false;
    bool m_paced = false;
    std::string m_path;
    LineSettings m_applied;
    std::atomic<std::size_t> m_held{0};
    std::function<void(const std::string&)> m_onLineEvent;
    mutable std::mutex m_hostLock;
    HostLine m_host;
    bool m_hostKnown = false;
    bool m_garbling = false;  // the last bytes read arrived as framing errors
    std::atomic<std::uint64_t> m_framingErrors{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace emu
