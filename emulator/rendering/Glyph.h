// One character cell as the head burns it: 24 dot rows, 12 (half-width) or 24 (full-width) dots
// wide, baseline 22 rows below the top. Every font is normalised to this cell so that scaling,
// bold, italic and underline work the same for all of them.
#pragma once

#include <cstdint>
#include <vector>

namespace emu {

struct Glyph {
    static constexpr int kHeight = 24;
    static constexpr int kAscent = 22;  // rows above the baseline

    int width = 0;
    std::vector<std::uint8_t> ink;  // width * kHeight, 1 where a dot is burnt

    bool Dot(int x, int y) const { return ink[static_cast<std::size_t>(y) * width + x] != 0; }
};

}  // namespace emu
