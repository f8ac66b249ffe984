// The print engine's page mode: composing in the page buffer, and printing it on the paper.
#include <algorithm>

#include "emulator/decoding/TraceText.h"
#include "emulator/rendering/GlyphPainter.h"
#include "emulator/rendering/PrintEngine.h"

namespace emu {

void PrintEngine::EnterPageMode() {
    if (m_page) return;
    PrintPendingLine();
    // The buffer of the last page is kept, emptied, so that a stream of pages allocates once.
    if (m_spare) {
        m_page = std::move(m_spare);
        m_page->SetArea(m_settings.pageArea);
    } else {
        m_page = std::make_unique<PageBuffer>(m_width, m_settings.pageArea);
    }
    m_page->SetDirection(m_settings.pageDirection);
    StartPageAt(0);
}

void PrintEngine::LeavePageMode() {
    if (!m_page) return;
    StartPageAt(0);
    m_pairer.Reset();
    m_page->Clear();
    m_spare = std::move(m_page);
}

void PrintEngine::SetPageArea(std::uint16_t x, std::uint16_t y, std::uint16_t width,
                              std::uint16_t height) {
    PageArea area{x, y, width, height};
    if (!PageBuffer::Clip(area, m_width)) return;
    m_settings.pageArea = area;
    if (!m_page) return;
    DevelopLine();
    m_page->SetArea(area);
    StartPageAt(0);
}

void PrintEngine::SetPageDirection(std::uint8_t n) {
    const int value = Digit(n);
    if (value > 3) return;
    m_settings.pageDirection = value;
    if (!m_page) return;
    DevelopLine();
    m_page->SetDirection(value);
    StartPageAt(0);
}

// A position outside the area is ignored; the horizontal position stays.
void PrintEngine::SetPageVerticalPosition(std::uint16_t units) {
    if (!m_page) return;
    const int y = MotionDots(units, false);
    if (y >= m_page->Height()) return;
    DevelopLine();
    m_pageY = y;
    m_pageLineTop = 0;
}

void PrintEngine::MovePageVertical(std::int16_t units) {
    if (!m_page) return;
    const int y = m_pageY + MotionDots(units, false);
    if (y < 0 || y >= m_page->Height()) return;
    DevelopLine();
    m_pageY = y;
    m_pageLineTop = 0;
}

// ESC FF keeps the page, its area and the print position, so the same page can print again.
void PrintEngine::PrintPage(bool keep) {
    if (!m_page) return;
    DevelopLine();
    BurnPage();
    if (!keep) LeavePageMode();
}

// The emptied area starts again from its corner.
void PrintEngine::CancelPage() {
    if (!m_page) return;
    m_pairer.Reset();
    m_page->ClearArea();
    StartPageAt(0);
}

void PrintEngine::StartPageAt(int baseline) {
    m_line.Clear();
    m_lineImages.clear();
    // Feeds past the area's end go nowhere; bounded so that no stream can overflow the row.
    m_pageY = std::min(baseline, 2 * PageBuffer::kMaxRows);
    m_pageLineTop = std::max(0, m_pageY - Glyph::kAscent);
    m_pageLine = PageLine{};
}

void PrintEngine::DevelopLine() {
    if (!m_page || m_line.Empty()) return;
    const int baseline = std::max(m_pageY, m_pageLineTop + m_line.Ascent());
    m_pageY = baseline;
    const Clip clip{0, m_page->Width()};
    for (const PlacedGlyph& placed : m_line.Glyphs()) {
        const int top = baseline - placed.glyph->ascent * placed.style.scaleY;
        PaintGlyph(*m_page, *placed.glyph, placed.style, placed.x, top, m_settings.shade, clip);
    }
    m_pageLine.height = std::max(m_pageLine.height, m_line.Ascent() + m_line.Descent());
    m_pageLine.descent = std::max(m_pageLine.descent, m_line.Descent());
    m_line.ClearGlyphs();
    m_lineImages.clear();
}

// A block stands on the baseline at the horizontal position.
PrintEngine::Spot PrintEngine::PlaceInPage(int height) {
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    m_pageY = std::max(m_pageY, m_pageLineTop + height);
    return Spot{m_line.Cursor(), m_pageY - height};
}

int PrintEngine::PageLineHeight() {
    DevelopLine();
    return m_pageLine.height;
}

// Baseline to baseline: the line spacing, or what keeps the usual gap under the line's descent.
int PrintEngine::PageLineAdvance() {
    DevelopLine();
    const int spacing = m_settings.lineSpacing;
    if (m_pageLine.height == 0) return spacing;
    return std::max(spacing,
                    m_pageLine.descent + std::max(0, spacing - Glyph::kHeight) + Glyph::kAscent);
}

void PrintEngine::PageNewLine(int rows) {
    DevelopLine();
    m_pairer.Reset();
    m_settings.oneLineWide = false;
    StartPageAt(m_pageY + rows);
}

// The page prints where the paper is, and the paper moves past all of it.
void PrintEngine::BurnPage() {
    const int rows = m_page->Length();
    MakeRoom(rows);
    const int top = HeadRow();
    for (int y = 0; y < rows; ++y)
        if (m_page->RowInked(y)) m_paper->Burn(top + y, m_page->Row(y));
    Advance(rows);
}

}  // namespace emu
