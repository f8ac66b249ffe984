// Internal to platform/: the device control block expressed in termios terms and back.
#pragma once

#include <cstdint>

#include "platform/internal/DeviceTermios.h"
#include "platform/win32.h"

namespace platform::detail {

// Raw byte transport: no input or output processing, no echo or signals, 8 data bits without
// parity, receiver on, modem lines not needed to read. Flow control (XON/XOFF either way and
// CRTSCTS) stays as the driver held it; only IXANY goes, which would let any byte undo an XOFF.
// Reads return EAGAIN rather than 0 when nothing waits (VMIN 1), so a 0 can only mean the device
// hung up; time-outs are ours, not VTIME.
void MakeRaw(DeviceTermios& t);

// Writes the DCB's line format, flow control and XON/XOFF characters into t, leaving all else.
// Returns ERROR_INVALID_PARAMETER, with t unchanged, for what no serial line can do: baud rate 0,
// byte size outside 5..8, unknown parity or stop bits, 1.5 stop bits with more than 5 data bits,
// 2 stop bits with 5 (the hardware gives 1.5 there), or equal XON and XOFF characters while
// software flow control is on.
DWORD DcbToTermios(const DCB& dcb, DeviceTermios& t);

// The device's settings as a DCB. Fields with no termios counterpart get the usual driver
// defaults: binary mode, DTR and RTS on, XON 0x11 and XOFF 0x13 when the device has none.
DCB DcbFromTermios(const DeviceTermios& t);

// Copies the fields that termios does not hold (and the line-control choices that several DCB
// values share) from what was set into what the device reports.
void KeepUnmappedFields(DCB& reported, const DCB& set);

// Whether a line running at got baud talks to one set to asked: within the 3% a UART tolerates.
bool RateTaken(std::uint64_t asked, std::uint64_t got);

// Whether the device took what was asked: ERROR_INVALID_PARAMETER when its rate is more than the
// 3% a UART link tolerates away from the one asked (the device cannot make that rate),
// ERROR_GEN_FAILURE when a flag or character the DCB maps to did not stick, else ERROR_SUCCESS.
// framingHeld is false for a pseudo-terminal, which always reports 8 data bits without parity
// because it has no line to frame.
DWORD CompareTaken(const DeviceTermios& asked, const DeviceTermios& got, bool framingHeld);

}  // namespace platform::detail
