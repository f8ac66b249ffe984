// What the command decoder hands to the printer itself rather than to the paper: status, sleep,
// real-time and line-setting commands. Each call returns a short note on what the printer did
// ("answered 04", "refused"), which the trace appends to the command's meaning; empty for none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/decoding/Peripheral.h"

namespace emu {

enum class Handshake : std::uint8_t { None, Hardware, Software };

class ControlHandler {
  public:
    virtual ~ControlHandler() = default;

    // offset: where the command starts in the stream, so a command already acted on when it
    // arrived (see RealTimeScanner) is recognised and not acted on twice.
    virtual std::string StatusRequest(std::uint64_t offset, std::uint8_t n) = 0;  // DLE EOT n
    virtual std::string ClearBuffers(std::uint64_t offset) = 0;                   // DLE DC4 8 ...
    virtual std::string Sleep(std::uint64_t offset, bool enter) = 0;              // DLE DC4 2 m 8
    virtual std::string AutoStatus(std::uint8_t n) = 0;                           // GS a n
    virtual std::string TransmitStatus(std::uint8_t) { return {}; }               // GS r n
    virtual std::string TransmitId(std::uint8_t) { return {}; }                   // GS I n
    virtual std::string SetBaudRate(std::uint32_t baud) = 0;                      // GS ( E .. 11 1
    virtual std::string SetHandshake(Handshake mode) = 0;                         // GS ( E .. 11 3
    virtual std::string Drive(const Peripheral&) { return {}; }              // ESC p, ESC B, BEL
    virtual std::string Recover(std::uint64_t, std::uint8_t) { return {}; }  // DLE ENQ n
    // DLE DC4 1 m t: a pulse of t x 100 ms on drawer pin m (0: pin 2, 1: pin 5).
    virtual std::string Pulse(std::uint64_t, std::uint8_t, std::uint8_t) { return {}; }
    // Bytes a command asks the printer to send back (the stored graphics' capacities).
    virtual std::string Transmit(const std::vector<std::uint8_t>&) { return {}; }
};

}  // namespace emu
