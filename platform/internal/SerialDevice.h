// Internal to platform/: the device behind a serial-port handle.
//
// The serial calls (platform/Serial*.cpp) keep what every port shares: time-outs, the event mask
// and its baselines, purge aborts, waits and the wire trace. A device supplies the rest: a
// descriptor the waits watch, non-blocking transfers, queue counts, line settings, modem lines and
// line-error counters. A terminal device (TtyDevice) does this over termios, the network ports
// (Rfc2217Device, SocketDevice) over a socket. Every call returns at once; an errno result of EIO,
// ENXIO, ENODEV or EPIPE means the device has gone for good.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/win32.h"

namespace platform::detail {

// Running totals of line errors and breaks since the device opened: a UART's interrupt counters,
// or conditions a device server reported. Events and ClearCommError report their changes.
struct LineCounters {
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufOverrun = 0;
};

class SerialDevice {
  public:
    struct Capabilities {
        bool modemLines = false;    // ModemStatus reports lines that can change
        bool lineCounters = false;  // ReadCounters reports line errors and breaks
        // Changes of lines and counters wake the waits (Wake), so WaitCommEvent need not sample.
        bool announces = false;
    };

    virtual ~SerialDevice() = default;

    // The descriptor whose readiness (EPOLLIN, EPOLLOUT, EPOLLHUP) the waits watch.
    virtual int Fd() const = 0;
    // The EPOLL* events to watch on Fd for a wait that needs `wanted` (EPOLLIN to read, EPOLLOUT
    // to write, 0 for neither). A device whose peer also sends it other things than data watches
    // for input always; Read, Write and TakeIn then take that input in.
    virtual std::uint32_t WaitEvents(std::uint32_t wanted) const { return wanted; }
    virtual Capabilities Caps() const = 0;

    // As read(2) and write(2) on a non-blocking descriptor: the bytes moved, 0 from Read when the
    // device hung up, or -1 with errno (EAGAIN when nothing can move now).
    virtual ssize_t Read(BYTE* buffer, std::size_t count) = 0;
    virtual ssize_t Write(const BYTE* data, std::size_t count) = 0;

    // Takes in what the peer sent since (a device whose peer sends it more than data, in band);
    // the queries below report what the device has taken in. A call that reports the port's
    // state calls this once first, rather than each query taking input in again. Returns at once.
    virtual void TakeIn() {}

    // The rest return 0 or an errno value.
    virtual int InputWaiting(int& bytes) = 0;
    virtual int OutputQueued(int& bytes) = 0;
    virtual int DiscardInput() = 0;
    // Discards output not yet sent; never takes back bytes the peer already has.
    virtual int DiscardOutput() = 0;
    // Returns once the last byte queued has left (called when OutputQueued reports none).
    virtual int Drain() = 0;

    // The settings the device holds: `set` (what SetState last took) while the device still keeps
    // them, else what it holds now.
    virtual int GetState(const DCB& set, DCB& reported) = 0;
    // Applies the DCB's line format, flow control and DTR/RTS. Fails with 0 and refused set to a
    // Win32 error code (the device unchanged) when the device cannot do what is asked.
    virtual int SetState(const DCB& asked, DWORD& refused) = 0;
    // MS_* bits of the modem lines; ENOTTY when the device has none.
    virtual int ModemStatus(DWORD& bits) = 0;
    // False when the device has no counters or they could not be read.
    virtual bool ReadCounters(LineCounters& out) = 0;
    virtual int ClearBreak() = 0;
    // The events (EV_*) waits report from now on; a device that is told of changes by its peer
    // asks for just these.
    virtual void WatchEvents(DWORD /*mask*/) {}

    // Called by the handle, once: run it whenever the device learned something a wait on the port
    // must re-examine without its descriptor becoming ready (data, lines or errors taken in by
    // another call).
    void SetWake(std::function<void()> wake) { m_wake = std::move(wake); }

  protected:
    void Wake() const {
        if (m_wake) m_wake();
    }

  private:
    std::function<void()> m_wake;
};

// A device just opened, with the settings it had then.
struct OpenedDevice {
    std::unique_ptr<SerialDevice> device;
    DCB settings{};
};

// Opens the device a port path names; a null device with the last error set when it cannot.
using DeviceOpener = OpenedDevice (*)(const std::string& path);

}  // namespace platform::detail
