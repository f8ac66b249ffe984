// The host's side of a pty line: the settings the host last gave its end (a pty carries them
// but does not act on them), and how they compare with the printer's side. A receiver at another
// speed or frame format reads framing errors, not the host's bytes.
#pragma once

#include <cstdint>
#include <string>

#include "emulator/decoding/ControlHandler.h"

namespace emu {

struct HostLine {
    std::uint32_t baud = 0;  // 0: not known
    int dataBits = 8;
    char parity = 'N';  // N, E, O
    int stopBits = 1;
    Handshake handshake = Handshake::None;

    bool operator==(const HostLine&) const = default;
    // "115200 baud 8N1, flow control none"
    std::string Describe() const;
    // The printer reads 8N1 at printerBaud (0: not known): false when the host's bytes cannot
    // arrive as sent.
    bool Readable(std::uint32_t printerBaud) const;
};

// Reads the settings of the tty fd (the pty's host end); false when they cannot be read.
bool ReadHostLine(int fd, HostLine* line);

std::string DescribeHandshake(Handshake handshake);

}  // namespace emu
