// The wire trace: every byte ReadFile and WriteFile move on a serial port, one line per call
// that moved bytes, so a user can see exactly what went over the line and when:
//
//     0.004211 TX /dev/pts/4 3: 1D 61 2F
//     0.005036 RX /dev/pts/4 1: 00
//
// seconds since the trace began on the monotonic clock, direction (TX written to the device, RX
// read from it), the device, the byte count and the bytes in hex. Events on the line have lines
// of their own, marked "--": every change of its settings, and flow-control bytes:
//
//     0.003011 -- /dev/pts/4 host line: 9600 baud 8N1, flow control XON/XOFF Each line is flushed
//     as it is
// written, so the file can be followed while the program runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Starts tracing to the file at path (created or truncated; "-" is standard output), replacing
// any trace in progress; an empty path stops tracing. False with the reason in *error.
bool SetWireTrace(const std::string& path, std::string* error);

// Why the trace stopped by itself ("<path>: <reason>"), or "" when it did not. A write that fails
// (a full disk) ends the trace and says so once on the debug output; the trace holds every line
// up to that point.
std::string WireTraceFailure();

// A line of its own for an event on the device's line (settings, flow control).
void TraceLineEvent(const std::string& device, const std::string& text);

namespace detail {

enum class WireDirection { Sent, Received };

// Called by the serial transfers; does nothing unless a trace is on.
void TraceWire(WireDirection direction, const std::string& device, const std::uint8_t* bytes,
               std::size_t count);

}  // namespace detail
}  // namespace platform
