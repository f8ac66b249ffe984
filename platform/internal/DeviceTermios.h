// Internal to platform/: a serial device's line settings as the kernel holds them, with the
// baud rate as a plain number. The kernel's own record (with arbitrary rates) lives in
// <asm/termbits.h>, which cannot share a translation unit with <termios.h>; this copy of it can,
// so the mapping code uses <termios.h> flag names on it and only TermiosBridge.cpp touches the
// kernel record.
#pragma once

#include <cstdint>

namespace platform::detail {

struct DeviceTermios {
    static constexpr int kControlChars = 19;  // the kernel's NCCS
    std::uint32_t iflag = 0;
    std::uint32_t oflag = 0;
    std::uint32_t cflag = 0;
    std::uint32_t lflag = 0;
    std::uint8_t line = 0;
    std::uint8_t cc[kControlChars] = {};
    std::uint32_t ispeed = 0;
    std::uint32_t ospeed = 0;
};

// Reads or writes the device's settings, taking effect at once (termios2 only for an arbitrary
// rate). On failure they return the errno value, else 0.
int ReadDeviceTermios(int fd, DeviceTermios& out);
int WriteDeviceTermios(int fd, const DeviceTermios& in);

// The output baud rate, whatever way the record encodes it.
std::uint32_t DeviceBaudRate(const DeviceTermios& t);
// Sets input and output to the rate: its standard code where it has one, else BOTHER.
void SetDeviceBaudRate(DeviceTermios& t, std::uint32_t baud);

}  // namespace platform::detail
