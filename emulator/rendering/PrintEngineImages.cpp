// The print engine's bit images, stored graphics, 2D symbols and user-defined characters.
#include <algorithm>

#include "emulator/rendering/PrintEngine.h"

namespace emu {

void PrintEngine::BitImage(std::uint8_t mode, std::uint16_t columns,
                           const std::vector<std::uint8_t>& data) {
    const bool tall = mode >= 32;  // 24 dots a column, else 8 dots of 3 rows each
    const int bytesPerColumn = tall ? 3 : 1;
    const int scaleX = (mode & 1) ? 1 : 2;
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    const int room = std::max(0, (m_line.Right() - m_line.Cursor()) / scaleX);
    const int width =
        std::min({static_cast<int>(columns), room, static_cast<int>(data.size()) / bytesPerColumn});
    if (width == 0) return;
    Glyph& glyph = m_lineImages.emplace_back();
    glyph.width = width;
    glyph.ink.assign(static_cast<std::size_t>(width) * Glyph::kHeight, 0);
    for (int x = 0; x < width; ++x) {
        for (int bit = 0; bit < 8 * bytesPerColumn; ++bit) {
            const std::uint8_t byte = data[static_cast<std::size_t>(x) * bytesPerColumn + bit / 8];
            if (!(byte & (0x80 >> (bit % 8)))) continue;
            const int rows = tall ? 1 : 3;
            for (int r = 0; r < rows; ++r)
                glyph.ink[static_cast<std::size_t>(bit * rows + r) * width + x] = 1;
        }
    }
    TextStyle style;
    style.scaleX = scaleX;
    m_line.Place(glyph, style);
}

void PrintEngine::StoreGraphics(const RasterGraphics& graphics) { m_graphics = graphics; }

std::string PrintEngine::PrintGraphics() {
    if (!m_graphics) return "no graphics stored";
    const RasterGraphics graphics = std::move(*m_graphics);
    m_graphics.reset();
    return PrintImage(graphics);
}

std::string PrintEngine::PrintImage(const RasterGraphics& graphics) {
    const std::uint8_t mode =
        static_cast<std::uint8_t>((graphics.scaleX == 2 ? 1 : 0) | (graphics.scaleY == 2 ? 2 : 0));
    RasterBegin(mode, static_cast<std::uint16_t>(graphics.rowBytes),
                static_cast<std::uint16_t>(graphics.height));
    for (int y = 0; y < graphics.height; ++y)
        RasterRow(graphics.bits.data() + static_cast<std::size_t>(y) * graphics.rowBytes);
    RasterEnd();
    return {};
}

std::string PrintEngine::PrintMatrix(const DotMatrix& symbol) {
    PrintPendingLine();
    const int left = AreaLeft(), right = AreaRight();
    const int width = symbol.WidthDots(), height = symbol.HeightDots();
    if (width > right - left)
        return "not printed: " + std::to_string(width) + " dots wide, the print area " +
               std::to_string(right - left);
    if (height > Paper::kMaxRows)
        return "not printed: " + std::to_string(height) + " dots high, longer than a receipt";
    const auto [x0, top] = PlaceBlock(width, height, left, right);
    Surface& surface = Target();
    for (int row = 0; row < symbol.rows; ++row) {
        for (int column = 0; column < symbol.columns;) {
            if (!symbol.Dark(column, row)) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < symbol.columns && symbol.Dark(column, row)) ++column;
            const int y = top + row * symbol.moduleHeight;
            for (int r = 0; r < symbol.moduleHeight; ++r)
                surface.Darken(y + r, x0 + start * symbol.moduleWidth,
                               x0 + column * symbol.moduleWidth, m_settings.shade);
        }
    }
    PassBlock(width, height);
    return {};
}

FontSet::Face PrintEngine::CurrentFace() const {
    return m_settings.fontB || m_settings.condensed ? FontSet::Face::B : FontSet::Face::A;
}

void PrintEngine::DefineUserCharacter(std::uint8_t code, std::uint8_t width, std::uint8_t bytes,
                                      const std::vector<std::uint8_t>& columns) {
    const FontSet::Face face = CurrentFace();
    m_userCharacters.Define(face, code, width, bytes, columns, m_fonts.Box(face));
    ForgetGlyphs();
}

void PrintEngine::SelectUserCharacters(bool on) {
    m_settings.userCharacters = on;
    ForgetGlyphs();
}

void PrintEngine::CancelUserCharacter(std::uint8_t code) {
    m_userCharacters.Cancel(CurrentFace(), code);
    ForgetGlyphs();
}

}  // namespace emu
