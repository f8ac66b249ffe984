#include "emulator/link/HostLine.h"

namespace emu {

std::string DescribeHandshake(Handshake handshake) {
    switch (handshake) {
        case Handshake::None:
            return "none";
        case Handshake::Hardware:
            return "RTS/CTS";
        case Handshake::Software:
            return "XON/XOFF";
    }
    return "";
}

std::string HostLine::Describe() const {
    std::string text = baud > 0 ? std::to_string(baud) + " baud " : std::string("unknown speed ");
    text += std::to_string(dataBits) + parity + std::to_string(stopBits);
    return text + ", flow control " + DescribeHandshake(handshake);
}

bool HostLine::Readable(std::uint32_t printerBaud) const {
    // Extra stop bits only lengthen the gap between bytes; a parity bit or another width or
    // speed moves the receiver's sampling off the sender's bits.
    const bool speedKnown = baud > 0 && printerBaud > 0;
    return (!speedKnown || baud == printerBaud) && dataBits == 8 && parity == 'N';
}

}  // namespace emu
