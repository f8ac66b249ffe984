// One decoded command (or run of text) as the trace shows it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace emu {

struct DecodedCommand {
    static constexpr std::size_t kHeadBytes = 16;

    std::uint64_t offset = 0;                     // stream offset of its first byte
    std::uint64_t length = 0;                     // all of its bytes
    std::array<std::uint8_t, kHeadBytes> head{};  // its first min(length, 16) bytes
    std::string mnemonic;                         // "ESC J", "GS v 0", "text", "ESC 0x7A"
    std::string meaning;                          // "print and feed 100 dots"; UTF-8
};

}  // namespace emu
