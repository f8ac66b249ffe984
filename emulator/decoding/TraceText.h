// Small formatters the trace's descriptions share.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace emu {

inline std::string N(std::uint64_t value) { return std::to_string(value); }

inline std::string Hex(std::uint8_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", value);
    return buf;
}

// Parameters accept both the binary and the ASCII digit form, as ESC/POS printers do.
inline std::uint8_t Digit(std::uint8_t n) { return n >= '0' && n <= '9' ? n - '0' : n; }

// A picture's size as the trace gives it.
inline std::string Dots(std::uint64_t width, std::uint64_t height) {
    return N(width) + "×" + N(height) + " dots";
}

inline std::uint16_t Word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// DLE DC4 1 m t; the printer window picks drawer events out of the trace by their "drawer ".
inline std::string DrawerPulseMeaning(std::uint8_t pin, std::uint8_t time) {
    return "drawer " + N(pin == 1 ? 2 : 1) + ": pulse " + N(time * 100u) + " ms";
}

}  // namespace emu
