// Cells and the placing of a font's bitmap in one, shared by the baked bitmap fonts and the
// scalable CJK font.
#pragma once

#include <algorithm>
#include <cstddef>

#include "emulator/rendering/Glyph.h"

namespace emu {

inline Glyph BlankCell(int width, int height = Glyph::kHeight, int ascent = Glyph::kAscent) {
    Glyph glyph;
    glyph.width = width;
    glyph.height = height;
    glyph.ascent = ascent;
    glyph.ink.assign(static_cast<std::size_t>(width) * height, 0);
    return glyph;
}

// Places a bitmap of rows x width dots in the cell, top rows above the baseline; a lifted one that
// reaches below the cell moves up into it rather than being cut off.
template <typename DotAt>
void Place(Glyph& cell, int left, int top, int rows, int width, bool lift, DotAt dotAt) {
    int y0 = cell.ascent - top;
    if (lift) y0 = std::max(0, std::min(y0, cell.height - rows));
    for (int row = 0; row < rows; ++row) {
        const int y = y0 + row;
        if (y < 0 || y >= cell.height) continue;
        for (int col = 0; col < width; ++col) {
            const int x = left + col;
            if (x >= 0 && x < cell.width && dotAt(col, row))
                cell.ink[static_cast<std::size_t>(y) * cell.width + x] = 1;
        }
    }
}

}  // namespace emu
