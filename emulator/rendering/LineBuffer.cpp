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

void LineBuffer::Place(const Glyph& glyph, const TextStyle& style) {
    m_glyphs.push_back(PlacedGlyph{&glyph, style, m_cursor});
    m_cursor += glyph.width * style.scaleX;
    m_extent = std::max(m_extent, m_cursor);
    m_maxScaleY = std::max(m_maxScaleY, style.scaleY);
}

void LineBuffer::Clear() {
    m_begun = false;
    m_glyphs.clear();
    m_extent = 0;
    m_maxScaleY = 1;
}

}  // namespace emu
