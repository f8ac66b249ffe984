#include "emulator/rendering/GlyphPainter.h"

#include <algorithm>
#include <vector>

namespace emu {
namespace {

void Span(Surface& surface, int y, int x0, int x1, std::uint8_t shade, Clip clip) {
    surface.Darken(y, std::max(x0, clip.left), std::min(x1, clip.right), shade);
}

// White on black: the cell and its spacing are burnt except where the glyph has ink.
void PaintReversed(Surface& surface, const Glyph& glyph, const TextStyle& style, int x, int top,
                   std::uint8_t shade, Clip clip) {
    const int sx = style.scaleX, sy = style.scaleY;
    const int advance = (glyph.width + style.rightSpacing) * sx;
    const int underlineFrom = glyph.height * sy - style.underline;
    std::vector<std::uint8_t> white(static_cast<std::size_t>(advance));
    for (int r = 0; r < glyph.height * sy; ++r) {
        const int cy = r / sy;
        std::fill(white.begin(), white.end(), r >= underlineFrom ? 1 : 0);
        for (int cx = 0; cx < glyph.width; ++cx) {
            if (!glyph.Dot(cx, cy)) continue;
            const int end = std::min(advance, (cx + 1) * sx + (style.bold ? 1 : 0));
            for (int k = cx * sx; k < end; ++k) white[static_cast<std::size_t>(k)] = 1;
        }
        for (int k = 0; k < advance;) {
            if (white[static_cast<std::size_t>(k)]) {
                ++k;
                continue;
            }
            const int start = k;
            while (k < advance && !white[static_cast<std::size_t>(k)]) ++k;
            Span(surface, top + r, x + start, x + k, shade, clip);
        }
    }
}

}  // namespace

void PaintGlyph(Surface& surface, const Glyph& glyph, const TextStyle& style, int x, int top,
                std::uint8_t shade, Clip clip) {
    const int sx = style.scaleX, sy = style.scaleY;
    const int extra = style.bold ? 1 : 0;
    const int ascentRows = glyph.ascent * sy;
    if (style.reverse) {
        PaintReversed(surface, glyph, style, x, top, shade, clip);
        return;
    }
    for (int cy = 0; cy < glyph.height; ++cy) {
        for (int dy = 0; dy < sy; ++dy) {
            const int r = cy * sy + dy;
            // Floor division keeps the slant straight through the baseline.
            const int lean = ascentRows - r;
            const int shift = style.italic ? (lean >= 0 ? lean / 4 : -((-lean + 3) / 4)) : 0;
            int cx = 0;
            while (cx < glyph.width) {
                if (!glyph.Dot(cx, cy)) {
                    ++cx;
                    continue;
                }
                const int start = cx;
                while (cx < glyph.width && glyph.Dot(cx, cy)) ++cx;
                Span(surface, top + r, x + start * sx + shift, x + cx * sx + shift + extra, shade,
                     clip);
            }
        }
    }
    const int bottom = top + glyph.height * sy;
    for (int row = bottom - style.underline; row < bottom; ++row)
        Span(surface, row, x, x + (glyph.width + style.rightSpacing) * sx, shade, clip);
}

}  // namespace emu
