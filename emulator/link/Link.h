// The printer end of a line: a pty (the host opens its slave path) or a real serial device,
// and a thread that pumps bytes between it and a VirtualPrinter.
//
// Input is read only as fast as the printer takes it: while its input buffer is full (paper
// out) the link stops reading, the line's buffers fill and the host's writes wait, as on
// hardware. Paced links read at most baud/10 bytes a second, following the rate the host sets
// with GS ( E. Reply bytes are written as soon as they are queued. When the host changes the
// line (GS ( E), a device is switched after the command; a pty has no speed, so the rate is only
// recorded and paces the reading.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "emulator/VirtualPrinter.h"

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

    // Reads at the printer's line rate; off by default on a pty, always on a device (where the
    // line itself paces).
    void SetPacing(bool on) { m_paced = on; }

    bool Start(std::string* error);
    void Stop();
    bool Running() const { return m_thread.joinable(); }

  private:
    void Run();
    void ApplyLine(const LineSettings& line);
    void Close();

    VirtualPrinter& m_printer;
    int m_fd = -1;       // pty master or the device
    int m_slaveFd = -1;  // held open so the master never sees a hang-up between host sessions
    int m_wakeFd = -1;   // eventfd: stop, replies queued, input space freed
    bool m_isDevice = false;
    bool m_paced = false;
    std::string m_path;
    LineSettings m_applied;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace emu
