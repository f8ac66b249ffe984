// Puts a serial device into the printer end's line settings: raw 8N1, any baud rate, optional
// RTS/CTS handshake. The settings are read back, since a driver may accept a call and still
// not run at the rate asked.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

bool ConfigureSerialLine(int fd, std::uint32_t baud, bool rtsCts, std::string* error);

// The termios speed code of a standard rate (B9600 for 9600), 0 for a rate without one.
unsigned StandardRateCode(std::uint32_t baud);

}  // namespace emu
