// Building byte streams in tests: H("1B 4A 64") from hex, T("text") from characters, joined
// with +.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace emutest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes H(const std::string& hex) {
    Bytes out;
    std::istringstream in(hex);
    std::string token;
    while (in >> token)
        out.push_back(static_cast<std::uint8_t>(std::strtoul(token.c_str(), nullptr, 16)));
    return out;
}

inline Bytes T(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Repeat(std::uint8_t byte, std::size_t count) { return Bytes(count, byte); }

}  // namespace emutest
