// The character generator: Font A 12x24 and Font B 9x17 for single bytes, the 24x24 GB2312 bitmap
// font for GBK pairs inside GB2312, and a scalable CJK font (ScalableFont.h, rendered at 24 px)
// for the rest of GBK and for the CJK fonts UTF-8 text ranks. A code with no glyph anywhere
// comes out as a hollow box of its cell width. Every glyph can be had turned a quarter clockwise
// (ESC V).
//
// The bitmap fonts are baked into the program (BakedFont.h), so nothing is read at start. One set
// serves the whole process: opening the scalable face and asking fontconfig costs far more than
// printing a short receipt, so every print engine shares it. FreeType faces are not thread-safe,
// and glyphs are rendered only once each, so one lock guards the faces and the glyph cache
// together; a lookup is a hash probe under an uncontended lock, cheap beside painting the glyph.
// Glyphs are never evicted: a returned reference stays valid for the life of the process.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "emulator/rendering/Glyph.h"

namespace emu {

class FontSet {
  public:
    enum class Face : std::uint8_t { A, B };

    // Loaded on first use. Never destroyed (kept reachable, so leak checkers stay quiet), so that
    // an engine still printing on another thread while the process exits finds its fonts intact.
    static FontSet& Shared();

    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // A single byte: ASCII 0x20..0x7E, and Latin-1 above 0x7F when double-byte mode is off.
    const Glyph& Single(std::uint8_t byte);
    // A GBK pair, lead 0x81..0xFE and trail 0x40..0xFE.
    const Glyph& Pair(std::uint8_t lead, std::uint8_t trail, bool rotated = false);
    const Glyph& Box(int width);
    // A character in Font A (12x24) or Font B (9x17), turned a quarter clockwise when rotated.
    const Glyph& Char(char32_t c, Face face, bool rotated);
    // The same, or null when the face has no glyph for it.
    const Glyph* FindChar(char32_t c, Face face, bool rotated);
    // A character in a double-byte font: the GB2312 bitmap font first when gb2312, then the
    // scalable CJK font; 24 dots wide, or 12 for a character the scalable font sets half-width.
    // Null when neither has it.
    const Glyph* FindWide(char32_t c, bool gb2312, bool rotated);
    // The hollow box of a character the face does not have.
    const Glyph& Box(Face face, bool rotated = false);

    // Fonts that could not be opened so far, one line each; empty when all are there. The
    // scalable CJK font is opened when the first character outside the bitmap fonts needs it.
    std::string Problems() const;

  private:
    struct Faces;

    FontSet();
    ~FontSet() = delete;

    // Looks the glyph up in the cache, rendering it (turned when rotated) on first use; a glyph
    // that cannot be rendered is kept as one of width 0 and returned as null.
    template <typename Render>
    const Glyph* Cached(std::uint64_t key, bool rotated, Render render);
    Glyph RenderSingle(std::uint8_t byte);
    bool RenderSingle(std::uint8_t byte, Glyph& cell);
    Glyph RenderPair(std::uint8_t lead, std::uint8_t trail);
    bool RenderChar(char32_t c, Face face, Glyph& out);
    bool RenderWide(char32_t c, bool gb2312, Glyph& out);
    bool RenderScalable(char32_t c, Glyph& cell);
    bool LoadFallback();
    char32_t DecodeGbk(std::uint8_t lead, std::uint8_t trail);
    bool EncodeGb2312(char32_t c, std::uint8_t& lead, std::uint8_t& trail);

    mutable std::mutex m_mutex;  // guards everything below
    Faces* m_faces;
    std::string m_problems;
    std::unordered_map<std::uint64_t, Glyph> m_cache;
};

}  // namespace emu
