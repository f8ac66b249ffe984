// The line being assembled before the head burns it: characters placed at absolute dot columns
// between the left and right edges that were in force when the line began.
#pragma once

#include <vector>

#include "emulator/rendering/Glyph.h"
#include "emulator/rendering/TextStyle.h"

namespace emu {

struct PlacedGlyph {
    const Glyph* glyph;
    TextStyle style;
    int x;
};

class LineBuffer {
  public:
    bool Begun() const { return m_begun; }
    void Begin(int left, int right);
    int Left() const { return m_left; }
    int Right() const { return m_right; }
    int Cursor() const { return m_cursor; }

    bool Empty() const { return m_glyphs.empty(); }
    bool Fits(int advance) const { return m_cursor + advance <= m_right; }
    void Place(const Glyph& glyph, const TextStyle& style);
    void MoveTo(int x) { m_cursor = x; }
    // A character's cell starts where the previous one's advance ended, plus extra dots.
    void Place(const Glyph& glyph, const TextStyle& style, int extra);

    // One past the rightmost column any placed cell covers.
    int Extent() const { return m_extent; }
    // The tallest cell's rows above and below the baseline, scaled.
    int Ascent() const { return m_ascent; }
    int Descent() const { return m_descent; }
    const std::vector<PlacedGlyph>& Glyphs() const { return m_glyphs; }

    void Clear();
    // Drops the placed cells but keeps the line begun at its cursor (a page goes on from there).
    void ClearGlyphs();

  private:
    bool m_begun = false;
    int m_left = 0;
    int m_right = 0;
    int m_cursor = 0;
    int m_extent = 0;
    int m_ascent = 0;
    int m_descent = 0;
    std::vector<PlacedGlyph> m_glyphs;
};

}  // namespace emu
