#include "emulator/rendering/GlyphPainter.h"

#include <algorithm>

namespace emu {
namespace {

void Span(Paper& paper, int y, int x0, int x1, std::uint8_t shade, Clip clip) {
    paper.Darken(y, std::max(x0, clip.left), std::min(x1, clip.right), shade);
}

}  // namespace

void PaintGlyph(Paper& paper, const Glyph& glyph, const TextStyle& style, int x, int top,
                std::uint8_t shade, Clip clip) {
    const int sx = style.scaleX, sy = style.scaleY;
    const int extra = style.bold ? 1 : 0;
    const int ascentRows = Glyph::kAscent * sy;
    for (int cy = 0; cy < Glyph::kHeight; ++cy) {
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
                Span(paper, top + r, x + start * sx + shift, x + cx * sx + shift + extra, shade,
                     clip);
            }
        }
    }
    const int bottom = top + Glyph::kHeight * sy;
    for (int row = bottom - style.underline; row < bottom; ++row)
        Span(paper, row, x, x + glyph.width * sx, shade, clip);
}

}  // namespace emu
