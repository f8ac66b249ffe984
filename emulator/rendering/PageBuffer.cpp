#include "emulator/rendering/PageBuffer.h"

#include <algorithm>

namespace emu {

PageBuffer::PageBuffer(int paperWidth, PageArea area) : m_paperWidth(paperWidth) {
    if (!Clip(area, paperWidth)) area = PageArea{0, 0, paperWidth, kMaxRows};
    SetArea(area);
}

bool PageBuffer::Clip(PageArea& area, int paperWidth) {
    if (area.x < 0 || area.y < 0 || area.x >= paperWidth || area.y >= kMaxRows) return false;
    area.width = std::min(area.width, paperWidth - area.x);
    area.height = std::min(area.height, kMaxRows - area.y);
    return area.width > 0 && area.height > 0;
}

void PageBuffer::SetArea(PageArea area) {
    if (!Clip(area, m_paperWidth)) return;
    m_area = area;
    const std::size_t dots = static_cast<std::size_t>(m_paperWidth) * (area.y + area.height);
    if (m_dots.size() < dots) {
        m_dots.resize(dots, 255);
        m_rowInked.resize(static_cast<std::size_t>(area.y + area.height), 0);
    }
}

int PageBuffer::Length() const { return std::max(m_usedLength, m_area.y + m_area.height); }

void PageBuffer::SetDirection(int direction) {
    if (direction >= 0 && direction <= 3) m_direction = direction;
}

int PageBuffer::Width() const { return m_direction % 2 == 0 ? m_area.width : m_area.height; }
int PageBuffer::Height() const { return m_direction % 2 == 0 ? m_area.height : m_area.width; }

const std::uint8_t* PageBuffer::Row(int y) const {
    return m_dots.data() + static_cast<std::size_t>(y) * m_paperWidth;
}

void PageBuffer::Clear() {
    for (std::size_t y = 0; y < m_rowInked.size(); ++y) {
        if (!m_rowInked[y]) continue;
        std::uint8_t* row = m_dots.data() + y * m_paperWidth;
        std::fill(row, row + m_paperWidth, std::uint8_t{255});
        m_rowInked[y] = 0;
    }
    m_usedLength = 0;
}

bool PageBuffer::RowInked(int y) const { return m_rowInked[static_cast<std::size_t>(y)] != 0; }

void PageBuffer::ClearArea() {
    for (int y = m_area.y; y < m_area.y + m_area.height; ++y) {
        if (!m_rowInked[static_cast<std::size_t>(y)]) continue;
        std::uint8_t* row = m_dots.data() + static_cast<std::size_t>(y) * m_paperWidth;
        std::fill(row + m_area.x, row + m_area.x + m_area.width, std::uint8_t{255});
    }
}

// Dots px0..px1-1 of the area's row py.
void PageBuffer::Span(int py, int px0, int px1, std::uint8_t shade) {
    const std::size_t y = static_cast<std::size_t>(m_area.y + py);
    std::uint8_t* row = m_dots.data() + y * m_paperWidth + m_area.x;
    for (int x = px0; x < px1; ++x) row[x] = std::min(row[x], shade);
    m_rowInked[y] = 1;
}

// (x, y) along the direction's lines maps to the area's own dots (px across, py down the paper).
void PageBuffer::Darken(int y, int x0, int x1, std::uint8_t shade) {
    if (y < 0 || y >= Height()) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, Width());
    if (x0 >= x1) return;
    m_usedLength = std::max(m_usedLength, m_area.y + m_area.height);
    const int w = m_area.width, h = m_area.height;
    switch (m_direction) {
        case 0:
            Span(y, x0, x1, shade);
            break;
        case 1:
            for (int x = x0; x < x1; ++x) Span(h - 1 - x, y, y + 1, shade);
            break;
        case 2:
            Span(h - 1 - y, w - x1, w - x0, shade);
            break;
        default:
            for (int x = x0; x < x1; ++x) Span(x, w - 1 - y, w - y, shade);
            break;
    }
}

}  // namespace emu
