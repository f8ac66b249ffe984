// One character cell as the head burns it. Font A cells are 24 dot rows, 12 (half-width) or 24
// (full-width) dots wide, baseline 22 rows below the top; Font B cells are 9 x 17. Every font is
// normalised to such a cell so that scaling, bold, italic and underline work the same for all.
#pragma once

#include <cstdint>
#include <vector>

namespace emu {

struct Glyph {
    static constexpr int kHeight = 24;  // Font A
    static constexpr int kAscent = 22;  // rows above the baseline, Font A

    int width = 0;
    int height = kHeight;
    int ascent = kAscent;
    std::vector<std::uint8_t> ink;  // width * height, 1 where a dot is burnt

    bool Dot(int x, int y) const { return ink[static_cast<std::size_t>(y) * width + x] != 0; }
};

}  // namespace emu
