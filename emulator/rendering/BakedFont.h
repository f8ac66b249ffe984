// The printer's bitmap fonts, baked into the program when it is built (tools/FontBake.cpp) from
// the X11 fixed fonts: Font A 12x24, Font B's 9x15, the 10x20 font for Font A beyond Latin-1 and
// the 24-dot GB2312 font. Each glyph is FreeType's own monochrome rendering of it, so the paper is
// the same as when the fonts were read at run time, which cost more than printing a receipt (every
// process unpacked and parsed 2 MB of fonts).
#pragma once

#include <cstddef>
#include <cstdint>

namespace emu {

struct BakedGlyph {
    std::uint32_t code;   // in the font's first character map (Unicode; GB2312 row/cell for CJK)
    std::int16_t left;    // FreeType's bitmap_left
    std::int16_t top;     // FreeType's bitmap_top: rows from the top of the bitmap to the baseline
    std::uint16_t width;  // dots a row
    std::uint16_t rows;
    std::uint32_t bits;  // offset of its rows in the font's bits, (width + 7) / 8 bytes each
};

struct BakedFont {
    const BakedGlyph* glyphs;  // sorted by code
    std::size_t count;
    const std::uint8_t* bits;

    // The glyph of a code, or nothing when the font has none.
    const BakedGlyph* Find(std::uint32_t code) const;
    // Whether dot x of row y of the glyph is burnt (the high bit of a byte is its leftmost dot).
    bool Dot(const BakedGlyph& glyph, int x, int y) const {
        const std::uint8_t byte =
            bits[glyph.bits + static_cast<std::size_t>(y) * ((glyph.width + 7) / 8) + x / 8];
        return (byte & (0x80 >> (x % 8))) != 0;
    }
};

extern const BakedFont kBakedFontA;   // 12x24
extern const BakedFont kBakedFontB;   // 9x15, stretched to Font B's 9x17 cell
extern const BakedFont kBakedWide;    // 10x20, stretched to Font A's cell
extern const BakedFont kBakedGb2312;  // 24x24 GB2312

}  // namespace emu
