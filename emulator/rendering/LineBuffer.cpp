#include "emulator/rendering/LineBuffer.h"

#include <algorithm>

namespace emu {

void LineBuffer::Begin(int left, int right) {
    m_begun = true;
    m_left = left;
    m_right = right;
    m_cursor = left;
    m_extent = left;
}

void LineBuffer::Place(const Glyph& glyph, const TextStyle& style) { Place(glyph, style, 0); }

void LineBuffer::Place(const Glyph& glyph, const TextStyle& style, int extra) {
    m_cursor += extra;
    m_glyphs.push_back(PlacedGlyph{&glyph, style, m_cursor});
    m_cursor += (glyph.width + style.rightSpacing) * style.scaleX;
    m_extent = std::max(m_extent, m_cursor);
    m_ascent = std::max(m_ascent, glyph.ascent * style.scaleY);
    m_descent = std::max(m_descent, (glyph.height - glyph.ascent) * style.scaleY);
}

void LineBuffer::Clear() {
    m_begun = false;
    ClearGlyphs();
    m_extent = 0;
}

void LineBuffer::ClearGlyphs() {
    m_glyphs.clear();
    m_ascent = 0;
    m_descent = 0;
}

}  // namespace emu
