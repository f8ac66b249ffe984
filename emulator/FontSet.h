// The character generator: Font A 12x24 for single bytes, the 24x24 GB2312 bitmap font for GBK
// pairs inside GB2312, and a scalable CJK font found through fontconfig (rendered at 24 px) for
// the rest of GBK. Glyphs are rendered once and cached; references stay valid for the lifetime
// of the set. A code with no glyph anywhere comes out as a hollow box of its cell width.
#pragma once

#include "emulator/Glyph.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace emu {

class FontSet {
public:
    FontSet();
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // A single byte: ASCII 0x20..0x7E, and Latin-1 above 0x7F when double-byte mode is off.
    const Glyph& Single(std::uint8_t byte);
    // A GBK pair, lead 0x81..0xFE and trail 0x40..0xFE.
    const Glyph& Pair(std::uint8_t lead, std::uint8_t trail);
    const Glyph& Box(int width);

    // Fonts that could not be opened, one line each; empty when all are there.
    std::string Problems() const { return m_problems; }

private:
    struct Faces;

    Glyph RenderSingle(std::uint8_t byte);
    Glyph RenderPair(std::uint8_t lead, std::uint8_t trail);
    bool LoadCjk();
    bool LoadFallback();
    char32_t DecodeGbk(std::uint8_t lead, std::uint8_t trail);

    Faces* m_faces;
    std::string m_problems;
    std::unordered_map<std::uint32_t, Glyph> m_cache;
};

}  // namespace emu
